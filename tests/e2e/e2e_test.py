#!/usr/bin/env python3
"""End-to-end runs of the program in a real X server.

Each case starts its own Xvfb and the built program, clicks the windows at
their layout positions, types paths into the real file dialogs (or pastes
the pictures from the X clipboard) and compares the saved icon byte for
byte with a file built here from the pictures' pixels. The expected files
are written from the icon format itself, not from the program's template,
so a wrong header shows up as well as a wrong pixel.

    e2e_test.py --program build/app/quorvel [--scale 2] CASE
"""

import argparse
import os
import struct
import subprocess
import sys
import time
import zlib

sys.dont_write_bytecode = True  # keep the source folder as it was
from xsession import DriveError, SCREEN_HEIGHT, SCREEN_WIDTH, STEP_PAUSE, XSession, poll

# Client coordinates of the controls, inside their containers as laid out.
MAIN_OUTER_SIZE = (340, 253)  # the window is centred by this size
MAIN_CLIENT_SIZE = (334, 226)


def button_at(x, y):
    return x + 33, y + 12  # the middle of a 66x24 button


CHOOSE, CONVERT, EDIT, SAVE, QUIT = (button_at(258, y) for y in (24, 53, 82, 111, 186))
PREVIEW_GROUP = (6, 18)
PREVIEW1, PREVIEW2 = ((PREVIEW_GROUP[0] + 15 + 42, PREVIEW_GROUP[1] + y + 42) for y in (18, 105))
FORMAT_GROUP = (132, 132)
SINGLE16, BOTH = ((FORMAT_GROUP[0] + 6 + 9, FORMAT_GROUP[1] + y + 9) for y in (21, 57))
ICON_CANVAS16 = (132 + 12, 18 + 30)  # top-left of the 16x16 icon canvas
# Qt's own dialogs speak Chinese.
OPEN_TITLE, SAVE_TITLE = "打开", "另存为"

GRID_ORIGIN = (7, 7)  # inside the 1-pixel edge of the grid canvas at (6, 6)
SHAPE_BOX = (270, 6)
LABEL32 = (SHAPE_BOX[0] + 60 + 23, SHAPE_BOX[1] + 70 + 12)
PALETTE_RADIO = (270 + 66 + 9, 120 + 14 + 9)
COLOUR_PICKER = (288 + 45, 162 + 12)
OK_BUTTON, CANCEL_BUTTON = (278 + 25, 232 + 12), (344 + 25, 232 + 12)


def grid_cell(cx, cy, side):
    k = 256 // side
    return GRID_ORIGIN[0] + cx * k + k // 2, GRID_ORIGIN[1] + cy * k + k // 2


# --- pictures and the icon files expected from them ---------------------

class Picture:
    """A square picture given by colour(x, y) -> (r, g, b), y from the top."""

    def __init__(self, side, colour):
        self.side = side
        self.colour = colour

    def bmp(self):
        rows = self.pixel_block()  # 3*side is a multiple of 4: no row padding
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.side, self.side, 1, 24, 0, len(rows), 0, 0, 0, 0)
        return header + info + rows

    def png(self):
        rows = b"".join(b"\0" + bytes(c for x in range(self.side) for c in self.colour(x, y))  # no filter
                        for y in range(self.side))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        header = struct.pack(">IIBBBBB", self.side, self.side, 8, 2, 0, 0, 0)  # 8-bit RGB
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
                + chunk(b"IEND", b""))

    def pixel_block(self):
        """Bottom row first, blue green red: as both a BMP and an icon store it."""
        block = bytearray()
        for y in reversed(range(self.side)):
            for x in range(self.side):
                r, g, b = self.colour(x, y)
                block += bytes((b, g, r))
        return block


# Every pixel distinct, and no pure red: red is what the edit case paints.
PICTURE16 = Picture(16, lambda x, y: (x * 15, y * 15 + 10, (x + y) * 7 + 3))
PICTURE32 = Picture(32, lambda x, y: (x * 7 + 5, 250 - y * 7, (x * y) % 251))
RED = (255, 0, 0)


class IconImage:
    def __init__(self, picture):
        self.side = picture.side
        self.block = picture.pixel_block()
        self.mask = bytearray(4 * self.side)  # 4 bytes a row at both sizes, all opaque

    def _colour_offset(self, cx, cy):
        return (self.side - 1 - cy) * 3 * self.side + 3 * cx

    def make_transparent(self, cx, cy):
        at = self._colour_offset(cx, cy)
        self.block[at:at + 3] = b"\0\0\0"
        self.mask[4 * (self.side - 1 - cy) + cx // 8] |= 0x80 >> (cx % 8)

    def paint(self, cx, cy, rgb):
        at = self._colour_offset(cx, cy)
        self.block[at:at + 3] = bytes(reversed(rgb))


def icon_file(*images):
    # The program writes 0 planes and 0 bits per pixel in the directory:
    # the depth is in the bitmap header alone.
    directory = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    data = bytearray()
    offset = len(directory) + 16 * len(images)
    for image in images:
        pixels = len(image.block) + len(image.mask)
        directory += struct.pack("<BBBBHHII", image.side, image.side, 0, 0, 0, 0, 40 + pixels, offset + len(data))
        data += struct.pack("<IiiHHIIiiII", 40, image.side, 2 * image.side, 1, 24, 0, pixels, 0, 0, 0, 0)
        data += image.block + image.mask
    return bytes(directory + data)


# --- driving the program ------------------------------------------------

class Run:
    def __init__(self, session):
        self.session = session
        self.main = session.start_program()
        for picture in (PICTURE16, PICTURE32):
            with open(self.picture_path(picture), "wb") as file:
                file.write(picture.bmp())

    def picture_path(self, picture):
        return self.session.path(f"picture{picture.side}.bmp")

    def click(self, position, window=None):
        self.session.click(window or self.main, *position)

    def choose_pictures(self, *paths):
        self.click(CHOOSE)
        for path in paths:
            if len(paths) == 2:
                self.session.answer_message("打开文件")
            self.session.choose_file(OPEN_TITLE, path)

    def paste(self, picture, over):
        """Puts the picture on the X clipboard as PNG data, as a screenshot tool
        would, and presses Ctrl+V with the pointer over a control."""
        path = self.session.path(f"clip{picture.side}.png")
        with open(path, "wb") as file:
            file.write(picture.png())
        # xclip stays behind serving the clipboard until another owner takes it.
        subprocess.run(["xclip", "-selection", "clipboard", "-t", "image/png", "-i", path],
                       env={**os.environ, "DISPLAY": self.session.display}, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.session.move(self.main, *over)
        self.session.key(self.main, "ctrl+v")

    def open_editor(self):
        self.click(EDIT)
        return self.session.window("图标编辑")

    def save(self, name="saved.ico"):
        self.click(SAVE)
        path = self.session.path(name)
        self.session.choose_file(SAVE_TITLE, path)
        poll(f"{name} to be written", lambda: os.path.exists(path))
        with open(path, "rb") as file:
            return file.read()

    def right_click(self, position, window):
        x, y = position
        self.session.xdotool("mousemove", "--window", window, x * self.session.scale, y * self.session.scale,
                             "click", "3")
        time.sleep(STEP_PAUSE)

    def drag(self, positions, window):
        """One left-button stroke through the positions. Each move is its own
        step: Qt would fold moves that arrive together into the last one."""
        scale = self.session.scale
        for index, (x, y) in enumerate(positions):
            self.session.xdotool("mousemove", "--window", window, x * scale, y * scale)
            time.sleep(0.05)
            if index == 0:
                self.session.xdotool("mousedown", "1")
        self.session.xdotool("mouseup", "1")
        time.sleep(STEP_PAUSE)

    def icon_canvas16(self):
        """The main window's 16x16 icon canvas as {(x, y): (r, g, b)}."""
        found = self.session.pixels(self.main)
        scale = self.session.scale
        return {(x, y): found[((ICON_CANVAS16[0] + x) * scale, (ICON_CANVAS16[1] + y) * scale)]
                for x in range(16) for y in range(16)}

    def choose_red(self, editor):
        """Opens the picker's palette menu and clicks its pure red swatch."""
        shown = self.session.visible_windows()
        self.click(COLOUR_PICKER, editor)
        menu = self.session.popup(shown)
        red = sorted((y, x) for (x, y), colour in self.session.pixels(menu).items() if colour == RED)
        if not red:
            raise DriveError("the palette menu shows no red swatch")
        top, left = red[0]
        menu_x, menu_y, _, _ = self.session.geometry(menu)
        inset = 4 * self.session.scale  # into the swatch, past its corner
        self.session.click_device(menu_x + left + inset, menu_y + top + inset)
        self.session.wait_gone(menu)

    def expect_exit_code_zero(self):
        code = self.session.wait_for_exit()
        expect(code == 0, f"exit code {code}, expected 0")


def expect(condition, message):
    if not condition:
        raise DriveError(message)


def expect_bytes(saved, expected):
    if saved == expected:
        return
    expect(len(saved) == len(expected), f"saved {len(saved)} bytes, expected {len(expected)}")
    first = next(i for i in range(len(saved)) if saved[i] != expected[i])
    raise DriveError(f"saved file differs from offset {first}: {saved[first:first + 8].hex(' ')} "
                     f"instead of {expected[first:first + 8].hex(' ')}")


# --- the cases ----------------------------------------------------------

def single16(run):
    """Window placement and icon, a 16x16 conversion saved, "退　　出"."""
    scale = run.session.scale
    x, y, width, height = run.session.geometry(run.main)
    expect((width, height) == (MAIN_CLIENT_SIZE[0] * scale, MAIN_CLIENT_SIZE[1] * scale),
           f"main window is {width}x{height} at scale {scale}")
    for place, screen, outer in ((x, SCREEN_WIDTH, MAIN_OUTER_SIZE[0]), (y, SCREEN_HEIGHT, MAIN_OUTER_SIZE[1])):
        centred = (screen - outer * scale) / 2
        expect(abs(place - centred) <= scale, f"main window at ({x}, {y}) is not centred")
    expect("Icon (48 x 48)" in run.session.property(run.main, "_NET_WM_ICON"), "main window carries no icon")

    run.click(SINGLE16)
    run.choose_pictures(run.picture_path(PICTURE16))
    run.click(CONVERT)
    expect_bytes(run.save(), icon_file(IconImage(PICTURE16)))
    run.click(QUIT)
    run.expect_exit_code_zero()


def both_edited(run):
    """Two pictures, one cell made transparent at 16x16 and one painted red at 32x32, committed."""
    run.click(BOTH)
    run.choose_pictures(run.picture_path(PICTURE16), run.picture_path(PICTURE32))
    run.click(CONVERT)
    editor = run.open_editor()
    run.click(grid_cell(3, 5, 16), editor)  # "透明色" is checked when the window opens
    run.click(LABEL32, editor)
    run.click(PALETTE_RADIO, editor)
    run.choose_red(editor)
    run.click(grid_cell(20, 9, 32), editor)
    run.click(OK_BUTTON, editor)
    run.session.wait_gone(editor)

    small, large = IconImage(PICTURE16), IconImage(PICTURE32)
    small.make_transparent(3, 5)
    large.paint(20, 9, RED)
    expect_bytes(run.save(), icon_file(small, large))
    run.session.key(run.main, "Escape")
    run.expect_exit_code_zero()


def cancel_discards(run):
    """"取消" answered Yes and Esc throw the edits away; the close box ends the program."""
    run.click(SINGLE16)
    run.choose_pictures(run.picture_path(PICTURE16))
    run.click(CONVERT)

    editor = run.open_editor()
    run.click(grid_cell(2, 2, 16), editor)
    run.click(CANCEL_BUTTON, editor)
    run.session.answer_message("信息")  # Enter is Yes
    run.session.wait_gone(editor)

    editor = run.open_editor()
    run.click(grid_cell(7, 11, 16), editor)
    run.session.key(editor, "Escape")
    run.session.wait_gone(editor)

    expect_bytes(run.save(), icon_file(IconImage(PICTURE16)))
    run.session.request_close(run.main)
    run.expect_exit_code_zero()


def edit_history(run):
    """Undo and redo, a drag undone at once, a picked colour, Enter after "取消" answered No."""
    run.click(SINGLE16)
    run.choose_pictures(run.picture_path(PICTURE16))
    run.click(CONVERT)
    editor = run.open_editor()
    for cell in ((1, 1), (2, 1), (3, 1)):  # "透明色" is checked when the window opens
        run.click(grid_cell(*cell, 16), editor)
    for keys in ("ctrl+z", "ctrl+z", "ctrl+y"):
        run.session.key(editor, keys)
    run.drag([grid_cell(column, 8, 16) for column in range(2, 9)], editor)
    run.session.key(editor, "ctrl+z")
    run.right_click(grid_cell(10, 10, 16), editor)
    run.click(grid_cell(12, 3, 16), editor)
    run.click(CANCEL_BUTTON, editor)
    run.session.answer_message("信息", "Escape")  # No: keep editing
    run.session.key(editor, "Return")
    run.session.wait_gone(editor)

    picked = PICTURE16.colour(10, 10)
    expected = IconImage(PICTURE16)
    expected.make_transparent(1, 1)
    expected.make_transparent(2, 1)
    expected.paint(12, 3, picked)
    shown = run.icon_canvas16()
    for cell, colour in (((1, 1), (0, 0, 0)), ((2, 1), (0, 0, 0)), ((3, 1), PICTURE16.colour(3, 1)),
                         ((5, 8), PICTURE16.colour(5, 8)), ((12, 3), picked)):
        expect(shown[cell] == colour, f"icon canvas shows {shown[cell]} at {cell}, expected {colour}")
    expect_bytes(run.save(), icon_file(expected))
    run.click(QUIT)
    run.expect_exit_code_zero()


def pasted(run):
    """Both pictures pasted from the X clipboard, each over its preview."""
    run.click(BOTH)
    run.paste(PICTURE16, PREVIEW1)
    run.paste(PICTURE32, PREVIEW2)
    run.click(CONVERT)
    expect_bytes(run.save(), icon_file(IconImage(PICTURE16), IconImage(PICTURE32)))
    run.click(QUIT)
    run.expect_exit_code_zero()


CASES = {case.__name__: case for case in (single16, both_edited, cancel_discards, edit_history, pasted)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("case", choices=sorted(CASES))
    arguments = parser.parse_args()
    with XSession(os.path.abspath(arguments.program), arguments.scale) as session:
        try:
            CASES[arguments.case](Run(session))
        except DriveError as failure:
            print(f"{arguments.case} at scale {arguments.scale}: {failure}", file=sys.stderr)
            print(session.program_output(), file=sys.stderr)
            return 1
    print(f"{arguments.case} at scale {arguments.scale}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
