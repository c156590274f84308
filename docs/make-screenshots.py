#!/usr/bin/env python3
"""Makes the README's screenshots under a private Xvfb.

Shoots the warning a picture choice gets before a format is checked, the
open dialog, the main window after converting the program's own icon in
the two-image format, the editor on the 32x32 grid with a few cells
painted transparent and red, and the colour dialog behind "其他颜色…".
Needs Xvfb, xdotool, x11-utils and ImageMagick (scripts/install-deps).

    docs/make-screenshots.py build/app/quorvel
"""

import os
import subprocess
import sys
import time

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


def shoot(session, window, name):
    session.screenshot(window, os.path.join(here, name))


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/app/quorvel")
    with XSession(program) as session:
        run = e2e.Run(session)
        run.click(e2e.CHOOSE)
        shoot(session, session.window("警告"), "message-box.png")
        session.answer_message("警告")

        run.click(e2e.BOTH)
        run.click(e2e.CHOOSE)
        session.answer_message("打开文件")
        session.choose_file(e2e.OPEN_TITLE, picture(session, 16))
        session.answer_message("打开文件")
        # The second dialog opens in the folder of the first picture.
        dialog = session.window(e2e.OPEN_TITLE)
        time.sleep(0.5)  # until every part of it is drawn
        shoot(session, dialog, "open-dialog.png")
        session.choose_file(e2e.OPEN_TITLE, picture(session, 32))
        run.click(e2e.CONVERT)
        shoot(session, run.main, "main-window.png")

        editor = run.open_editor()
        run.click(e2e.LABEL32, editor)
        for cell in ((3, 3), (4, 3), (5, 3)):
            run.click(e2e.grid_cell(*cell, 32), editor)
        run.click(e2e.PALETTE_RADIO, editor)
        run.choose_red(editor)
        for cell in ((26, 5), (27, 5), (26, 6), (27, 6)):
            run.click(e2e.grid_cell(*cell, 32), editor)
        shoot(session, editor, "edit-window.png")

        # "其他颜色…" is the last entry of the picker's menu.
        shown = session.visible_windows()
        run.click(e2e.COLOUR_PICKER, editor)
        menu = session.popup(shown)
        x, y, width, height = session.geometry(menu)
        session.click_device(x + width // 2, y + height - 10 * session.scale)
        session.wait_gone(menu)
        dialog = session.popup(shown)
        shoot(session, dialog, "colour-dialog.png")
        session.key(dialog, "Escape")
        session.wait_gone(dialog)

        session.key(editor, "Escape")
        session.wait_gone(editor)
        run.click(e2e.QUIT)
        run.expect_exit_code_zero()


if __name__ == "__main__":
    main()
