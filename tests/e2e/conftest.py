"""BLIMO.exe under Wine, used as a person would: X clicks and keys, screenshots, `wine reg`, wintool, a fake browser."""
import collections, os, pathlib, re, shutil, subprocess, tempfile, time  # noqa: E401, F401 (shutil: for the tests)
import pytest

BUILD = pathlib.Path(os.environ.get("BLIMO_BUILD_DIR", pathlib.Path(__file__).resolve().parents[2] / "build/win32"))
PREFIX, EXE = pathlib.Path(os.environ.get("WINEPREFIX", BUILD / "wineprefix")), BUILD / "BLIMO.exe"
DESKTOP, RUN = r"HKCU\Control Panel\Desktop", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
MAKER, SETTINGS = r"HKCU\Software\Fenwa Inc", r"HKCU\Software\Fenwa Inc\BLIMO"
WM_CLOSE, WM_COMMAND, WM_SYSCOMMAND, SC_CLOSE, MENU_UPDATE, MENU_EXIT = 0x10, 0x111, 0x112, 0xF060, 1004, 1006
BROWSED = pathlib.Path(tempfile.mkdtemp(prefix="blimo-e2e-")) / "browsed"  # by a fake xdg-open, first on PATH
(fake := BROWSED.parent / "xdg-open").write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{BROWSED}"\n')
fake.chmod(0o755)
os.environ["PATH"] = f"{BROWSED.parent}{os.pathsep}{os.environ['PATH']}"
Win = collections.namedtuple("Win", "hwnd id cls text visible enabled checked focused rect")
TOOL = subprocess.Popen(["wine", BUILD / "wintool.exe"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL, text=True, encoding="cp1252")  # one for the whole run


def sh(*args, check=True, timeout=600, **kw):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=check, timeout=timeout, **kw)


def wintool(*args):  # its answer (see wintool.cpp), a Wine process start spared; texts in the ANSI code page
    print(*args, sep="\t", file=TOOL.stdin, flush=True)
    return TOOL.stdout.readline().split("\t")[:-1]


def windows(*args):  # wintool's windows: `find TITLE CLASS` or `controls HWND`
    return [Win(h, int(i), c, t, v == "1", e == "1", int(k), f == "1", tuple(map(int, r.split(","))))
            for h, i, c, t, v, e, k, f, r in (record.split("|") for record in wintool(*args))]


def find(title, cls="BLIMOForm"): return next(iter(windows("find", title, cls or "")), None)  # noqa: E704
def controls(hwnd): return windows("controls", hwnd)  # noqa: E704
def menu_window(): return find("", "#32768")  # noqa: E704
def gone(title, cls="BLIMOForm"): wait_for(lambda: not find(title, cls), what=f"{title} to close")  # noqa: E704
def wine(*args, **kw): return sh("wine", *args, **kw)  # noqa: E704
def xdotool(*args, **kw): return sh("xdotool", *args, **kw)  # noqa: E704
def unix_path(path): return PREFIX.joinpath("drive_c", *pathlib.PureWindowsPath(path.partition(":\\")[2]).parts)  # noqa


def wait_for(predicate, timeout=10.0, what=None):  # the first true value; at the timeout, fails (with no what: None)
    deadline = time.monotonic() + timeout
    while not (value := predicate()) and time.monotonic() < deadline:
        time.sleep(0.05)
    return value if value or not what else pytest.fail(f"timed out after {timeout} s waiting for {what}; last: {value!r}")


def build_setting(name):  # as the program has it, from the build's BuildConfig.h
    text = (BUILD / "generated/res/BuildConfig.h").read_text()
    return re.search(rf'#define {name} "(.*)"', text)[1].replace("\\\\", "\\")


def reg(key, value, *view):  # a REG_SZ value's data, (type, data) of another type, None when absent
    out = wine("reg", "query", key, "/v", value, *view, check=False).stdout
    found = re.search(rf"^\s*{re.escape(value)}\s+(REG_\w+)\s*(.*?)\s*$", out, re.M | re.I)
    return found and (found[2] if found[1] == "REG_SZ" else found.groups())


def reg_set(key, value=None, data=None):  # a REG_SZ value; no data: deletes the value; no value either: the key
    args = ["add", key, "/v", value, "/d", data] if data else ["delete", key] + ["/v", value] * bool(value)
    wine("reg", *args, "/f", check=bool(data))


def colours(x, y, w, h):  # (green, red): pixels of the icons' and menu bitmaps' pure colours in an area of the screen
    out = sh(*f"import -window root -crop {w}x{h}+{x}+{y} -depth 8 -format %c histogram:info:-".split())
    counts = {tuple(map(int, m[1:])): int(m[0]) for m in re.findall(r"(\d+): \(\s*(\d+),\s*(\d+),\s*(\d+)", out.stdout)}
    return counts.get((0, 255, 0), 0), counts.get((255, 0, 0), 0)


def tray():  # x, y, w, h of the notification area, or None
    out = xdotool("search", "--name", "^Wine System Tray$", "getwindowgeometry", "--shell", check=False).stdout
    return (g := dict(line.split("=") for line in out.split())) and tuple(int(g[k]) for k in "X Y WIDTH HEIGHT".split())


def tray_colour():  # an icon is some 200 pixels
    green, red = colours(*g) if (g := tray()) else (0, 0)
    return None if max(green, red) < 50 else "green" if green > red else "red"


def press(*keys, into=None):  # into: a window's title, to give it the X input focus first: there is no window manager
    if into:
        xdotool("search", "--sync", "--onlyvisible", "--name", f"^{re.escape(into)}$", "windowfocus", "--sync", timeout=20)
    if keys:
        xdotool("key", "--delay", "40", *keys)


def pick(key):
    xdotool("key", key)
    wait_for(lambda: not menu_window(), what="the menu to close")


def browsed():  # what the browser was started with, once it was
    lines = wait_for(lambda: BROWSED.exists() and BROWSED.read_text().splitlines(), timeout=20, what="the browser")
    return BROWSED.unlink() or lines


class Blimo:
    started = []

    def __init__(self, exe=EXE, *args, env=None):
        wintool("ready")  # Wine's desktop up first: two processes starting it at once can stall
        self.proc = subprocess.Popen(["wine", str(exe), *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        Blimo.started.append(self)
        self.hwnd = wait_for(lambda: find("About BLIMO"), timeout=20, what="BLIMO's main window").hwnd
        wait_for(tray_colour, what="BLIMO's tray icon")

    def running(self): return self.proc.poll() is None  # noqa: E704
    def double_click(self): self.at_icon("click", "--repeat", "2", "--delay", "60", "1")  # noqa: E704

    def at_icon(self, *actions):
        x, y, w, h = wait_for(tray, what="the notification area")
        xdotool("mousemove", x + min(w, h) // 2, y + h // 2, *actions)

    def menu(self, key=None, opens=None):  # the tray menu; the item of an access key; the window it opens, focused
        # Wine drops a menu while BLIMO waits, some 2 s, for a window manager to take a hidden About: wait that out.
        wintool("sync", self.hwnd)
        self.at_icon("click", "3")
        wait_for(menu_window, what="the tray menu")
        if key:
            pick(key)
        if opens:
            press(into=opens)
            return wait_for(lambda: (w := find(opens)) and w.visible and w, what=opens).hwnd


@pytest.fixture(scope="module", autouse=True)
def clean():  # each file starts with none of BLIMO's values, and ends with no BLIMO running and no icon
    for key, value in [(DESKTOP, "ScreenSaveActive"), (DESKTOP, "LogPixels"), (SETTINGS, None), (RUN, "BLIMO"),
                       (r"HKCU\Software\Policies\Fenwa Inc", None), (r"HKLM\Software\Policies\Fenwa Inc", None),
                       (r"HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop", "ScreenSaveActive"),
                       (r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System", "InactivityTimeoutSecs")]:
        reg_set(key, value)
    yield
    for b in filter(Blimo.running, Blimo.started):  # Exit, as the menu's; killed if it does not end
        wintool("post", b.hwnd, WM_COMMAND, MENU_EXIT, 0)
        if not wait_for(lambda: not b.running()):
            b.proc.kill()
    wait_for(lambda: not tray_colour(), what="no icon left in the tray")
