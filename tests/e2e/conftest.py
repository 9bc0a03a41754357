"""The end-to-end harness: the real BLIMO.exe under Wine on the Xvfb display that `make test`
provides, driven as a person would: real clicks through the X server (xdotool), screenshots of the
screen, Wine's real registry (`wine reg`), and wintool.exe to read window texts and states."""
import os
import pathlib
import subprocess
import time

import pytest

BUILD = pathlib.Path(os.environ.get("BLIMO_BUILD_DIR", pathlib.Path(__file__).resolve().parents[2] / "build/win32"))
EXE = BUILD / "BLIMO.exe"
WINTOOL = BUILD / "tools" / "wintool.exe"
SHOTS = BUILD / "e2e-shots"

DESKTOP = r"HKCU\Control Panel\Desktop"
SETTINGS = r"HKCU\Software\Fenwa Inc\BLIMO"
RUN = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def sh(*args, check=True, timeout=60, **kw):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=check, timeout=timeout, **kw)


def wine(*args, **kw):
    return sh("wine", *args, **kw)


def wintool(*args, check=False):
    # wintool prints window texts as the program holds them: in the ANSI code page.
    return wine(WINTOOL, *args, check=check, encoding="cp1252")


def wait_for(predicate, timeout=10.0, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


# --- registry --------------------------------------------------------------------------------

def reg_query(key, value):
    """(type, data) of a value, or None when the value (or key) is absent."""
    r = wine("reg", "query", key, "/v", value, check=False)
    if r.returncode != 0:
        return None
    for line in r.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == value.lower() and parts[1].startswith("REG_"):
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


def reg_set(key, value, data, kind="REG_SZ"):
    wine("reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f")


def reg_delete(key, value=None):
    args = ["reg", "delete", key] + (["/v", value] if value else []) + ["/f"]
    wine(*args, check=False)


# --- screen ----------------------------------------------------------------------------------

def xdotool(*args, check=True):
    return sh("xdotool", *args, check=check)


def window_geometry(xid):
    out = xdotool("getwindowgeometry", "--shell", xid).stdout
    g = dict(line.split("=", 1) for line in out.split())
    return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])


def screenshot(name=None, crop=None):
    """A PNG of the root window (optionally cropped to x, y, w, h); returns its path."""
    SHOTS.mkdir(parents=True, exist_ok=True)
    path = SHOTS / (name or "last.png")  # unnamed shots are scratch, overwritten each time
    sh("import", "-window", "root", path)
    if crop:
        x, y, w, h = crop
        sh("convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path)
    return path


def colour_counts(png):
    """{(r, g, b): pixels} of an image."""
    out = sh("convert", png, "-format", "%c", "histogram:info:-").stdout
    counts = {}
    for line in out.splitlines():
        count, _, rest = line.strip().partition(":")
        rgb = rest.strip().split(")")[0].strip("( ").split(",")[:3]
        counts[tuple(int(float(v)) for v in rgb)] = counts.get(tuple(int(float(v)) for v in rgb), 0) + int(count)
    return counts


def tray_xid():
    r = xdotool("search", "--name", "^Wine System Tray$", check=False)
    ids = r.stdout.split()
    return ids[0] if ids else None


def tray_colour():
    """'green', 'red' or None: the colour of the icon field in the notification area."""
    xid = tray_xid()
    if not xid:
        return None
    counts = colour_counts(screenshot(crop=window_geometry(xid)))
    green, red = counts.get((0, 255, 0), 0), counts.get((255, 0, 0), 0)
    if max(green, red) < 50:  # an icon field is ~200 pixels; less is no icon
        return None
    return "green" if green > red else "red"


def tray_icon_point():
    """Screen coordinates of the middle of the first icon in the notification area."""
    x, y, w, h = window_geometry(wait_for(tray_xid, what="the notification area"))
    return x + min(w, h) // 2, y + h // 2


# --- the program -----------------------------------------------------------------------------

class Blimo:
    """One running BLIMO.exe."""

    def __init__(self, exe=EXE, cwd=None):
        # Wine's desktop comes up first, on its own: a program starting it while another process
        # (a test tool) starts it too can stall both.
        wintool("ready", check=True)
        self.proc = subprocess.Popen(["wine", str(exe)], cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.hwnd = wait_for(self._find, timeout=20, what="BLIMO's main window")
        wait_for(lambda: tray_colour() is not None, timeout=10, what="BLIMO's tray icon")

    def _find(self):
        r = wintool("find", "About BLIMO", "BLIMOForm")
        return r.stdout.strip() if r.returncode == 0 else None

    def running(self):
        return self.proc.poll() is None

    def double_click_icon(self):
        x, y = tray_icon_point()
        xdotool("mousemove", x, y, "click", "--repeat", "2", "--delay", "60", "1")

    def right_click_icon(self):
        x, y = tray_icon_point()
        xdotool("mousemove", x, y, "click", "3")
        wait_for(lambda: wintool("menu-items").returncode == 0, timeout=5, what="the popup menu")

    def menu(self, key):
        """Open the tray menu with a right click and pick an item by its access key."""
        self.right_click_icon()
        xdotool("key", key)
        wait_for(lambda: wintool("menu-items").returncode != 0, timeout=5, what="the menu to close")

    def exit(self):
        if self.running():
            self.menu("x")
            self.proc.wait(timeout=10)

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait(timeout=10)


@pytest.fixture
def clean_registry():
    """A known registry: no screensaver value, no balloon setting, no autostart entry."""
    reg_delete(DESKTOP, "ScreenSaveActive")
    reg_delete(SETTINGS)
    reg_delete(RUN, "BLIMO")
    yield


@pytest.fixture
def start(clean_registry):
    """start() runs BLIMO.exe; every instance started is ended after the test."""
    started = []

    def _start(**kw):
        b = Blimo(**kw)
        started.append(b)
        return b

    yield _start
    for b in started:
        try:
            b.exit()
        except Exception:
            pass
        b.kill()
    wait_for(lambda: tray_colour() is None, timeout=10, what="no icon left in the tray")
