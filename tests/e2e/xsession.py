"""A private X server with the program running in it, driven like a person would.

There is no window manager: windows have no frame, positions given to
`click` are client coordinates of the layout, multiplied by the Qt scale
factor. Everything the session creates lives in one temporary folder and is
removed with the server and the program when the session ends.
"""

import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import tempfile
import time

SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024
STEP_PAUSE = 0.25  # lets Qt handle one input before the next arrives


class DriveError(AssertionError):
    pass


def poll(what, condition, timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise DriveError(f"timed out waiting for {what}")
        time.sleep(0.05)


class XSession:
    def __init__(self, program, scale=1):
        self.program = program
        self.scale = scale
        self.folder = tempfile.mkdtemp(prefix="quorvel-e2e-")
        self.server = None
        self.app = None
        try:
            self._start_server()
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def path(self, name):
        return os.path.join(self.folder, name)

    def program_output(self):
        try:
            with open(self.path("program.log"), errors="replace") as log:
                return log.read()
        except FileNotFoundError:
            return ""

    def _start_server(self):
        # -displayfd lets the server pick a free display and tell us which.
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as announcement:
            number = announcement.readline().strip()
        if not number:
            raise DriveError("Xvfb did not start")
        self.display = f":{number}"

    def environment(self):
        env = dict(os.environ)
        for variable in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR"):
            env.pop(variable, None)
        home = self.path("home")
        runtime = self.path("runtime")
        for folder in (home, runtime):
            os.makedirs(folder, mode=0o700, exist_ok=True)
        # The file dialog keeps its history in the config folder: keep it here.
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", HOME=home, XDG_CONFIG_HOME=home,
                   XDG_CACHE_HOME=home, XDG_DATA_HOME=home, XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8")
        if self.scale != 1:
            env["QT_SCALE_FACTOR"] = str(self.scale)
        return env

    def start_program(self):
        with open(self.path("program.log"), "wb") as log:
            self.app = subprocess.Popen([self.program], env=self.environment(), cwd=self.folder,
                                        stdout=log, stderr=subprocess.STDOUT)
        return self.window("Quorvel - Dalvern")

    def wait_for_exit(self, timeout=10.0):
        try:
            code = self.app.wait(timeout)
        except subprocess.TimeoutExpired:
            raise DriveError("the program did not end") from None
        return code

    def close(self):
        for process in (self.app, self.server):
            if process and process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    # --- windows -------------------------------------------------------

    def xdotool(self, *arguments):
        result = subprocess.run(["xdotool", *map(str, arguments)], env={**os.environ, "DISPLAY": self.display},
                                capture_output=True, text=True)
        return result.stdout

    def windows_named(self, title):
        found = self.xdotool("search", "--onlyvisible", "--name", f"^{re.escape(title)}$").split()
        return [int(w) for w in found]

    def window(self, title, timeout=10.0):
        return poll(f'window "{title}"', lambda: self._only(self.windows_named(title)), timeout)

    def _only(self, windows):
        if self.app and self.app.poll() is not None:
            raise DriveError(f"the program ended with code {self.app.returncode}")
        return windows[0] if len(windows) == 1 else None

    def wait_gone(self, window, timeout=10.0):
        poll(f"window {window} to close", lambda: window not in self.visible_windows(), timeout)

    def geometry(self, window):
        """Position and size of a window on the screen, in device pixels."""
        out = subprocess.run(["xwininfo", "-id", str(window)], env={**os.environ, "DISPLAY": self.display},
                             capture_output=True, text=True).stdout
        field = lambda name: int(re.search(rf"{name}:\s+(-?\d+)", out).group(1))
        return field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")

    def property(self, window, name):
        return subprocess.run(["xprop", "-id", str(window), name], env={**os.environ, "DISPLAY": self.display},
                              capture_output=True, text=True).stdout

    # --- input ---------------------------------------------------------

    def click(self, window, x, y):
        """Left click at layout coordinates (x, y) of the window's client area."""
        self.xdotool("mousemove", "--window", window, x * self.scale, y * self.scale, "click", "1")
        time.sleep(STEP_PAUSE)

    def move(self, window, x, y):
        """Moves the pointer to layout coordinates (x, y) of the window's client area."""
        self.xdotool("mousemove", "--window", window, x * self.scale, y * self.scale)
        time.sleep(STEP_PAUSE)

    def click_device(self, x, y):
        self.xdotool("mousemove", x, y, "click", "1")
        time.sleep(STEP_PAUSE)

    def focus(self, window):
        # Without a window manager the server's own input focus is all there is.
        self.xdotool("windowfocus", window)
        time.sleep(0.1)

    def key(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--clearmodifiers", *keys)
        time.sleep(STEP_PAUSE)

    def type_into(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", "5", text)

    def choose_file(self, dialog_title, path):
        """Types a full path over whatever the file dialog proposes, then Enter."""
        dialog = self.window(dialog_title)
        self.key(dialog, "ctrl+a")
        self.type_into(dialog, path)
        self.key(dialog, "Return")
        self.wait_gone(dialog)

    def answer_message(self, title, key="Return"):
        box = self.window(title)
        self.key(box, key)
        self.wait_gone(box)

    def request_close(self, window):
        """What a window manager sends when the close box is clicked."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]

        display = x11.XOpenDisplay(self.display.encode())
        if not display:
            raise DriveError("cannot open the X display")
        try:
            event = Event()
            event.message.type = 33  # ClientMessage
            event.message.window = window
            event.message.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.message.format = 32
            event.message.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            event.message.data[1] = 0  # CurrentTime
            x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
            x11.XFlush(display)
        finally:
            x11.XCloseDisplay(display)
        time.sleep(STEP_PAUSE)

    # --- screen --------------------------------------------------------

    def pixels(self, window):
        """The window's pixels as {(x, y): (r, g, b)}, device coordinates inside it."""
        text = subprocess.run(["import", "-display", self.display, "-window", str(window), "-depth", "8", "txt:-"],
                              capture_output=True, text=True, check=True).stdout
        found = {}
        for line in text.splitlines():
            match = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
            if match:
                x, y, *rgb = map(int, match.groups())
                found[(x, y)] = tuple(rgb)
        return found

    def screenshot(self, window, destination):
        subprocess.run(["import", "-display", self.display, "-window", str(window), "-strip", destination],
                       check=True)

    def visible_windows(self):
        return {int(w) for w in self.xdotool("search", "--onlyvisible", "--name", "").split()}

    def popup(self, known, timeout=10.0):
        """The one window shown since `known` was taken, such as a menu."""
        def new_window():
            fresh = list(self.visible_windows() - known)
            return fresh[0] if len(fresh) == 1 else None
        return poll("a popup window", new_window, timeout)
