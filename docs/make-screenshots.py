#!/usr/bin/env python3
"""Makes the README's screenshots of both windows under a private Xvfb.

Converts the program's own icon in the two-image format, shoots the main
window, then opens the editor on the 32x32 grid, paints a few cells
transparent and red and shoots it with the palette shown.
Needs Xvfb, xdotool, x11-utils and ImageMagick (scripts/install-deps).

    docs/make-screenshots.py build/app/quorvel
"""

import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(here, "..", "tests", "e2e"))
import e2e_test as e2e  # noqa: E402
from xsession import XSession  # noqa: E402

ICON_ART = os.path.join(here, "..", "data", "icons", "48", "quorvel.png")


def picture(session, side):
    path = session.path(f"icon{side * 3}.bmp")
    subprocess.run(["convert", ICON_ART, "-background", "white", "-flatten", "-filter", "point",
                    "-resize", f"{side * 3}x{side * 3}", f"BMP3:{path}"], check=True)
    return path


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/app/quorvel")
    with XSession(program) as session:
        run = e2e.Run(session)
        run.click(e2e.BOTH)
        run.choose_pictures(picture(session, 16), picture(session, 32))
        run.click(e2e.CONVERT)
        session.screenshot(run.main, os.path.join(here, "main-window.png"))

        editor = run.open_editor()
        run.click(e2e.LABEL32, editor)
        for cell in ((3, 3), (4, 3), (5, 3)):
            run.click(e2e.grid_cell(*cell, 32), editor)
        run.click(e2e.PALETTE_RADIO, editor)
        run.choose_red(editor)
        for cell in ((26, 5), (27, 5), (26, 6), (27, 6)):
            run.click(e2e.grid_cell(*cell, 32), editor)
        session.screenshot(editor, os.path.join(here, "edit-window.png"))

        session.key(editor, "Escape")
        session.wait_gone(editor)
        run.click(e2e.QUIT)
        run.expect_exit_code_zero()


if __name__ == "__main__":
    main()
