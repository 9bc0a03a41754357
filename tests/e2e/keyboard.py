"""A person at the keyboard: give a window of BLIMO the X input focus, type keys, and read the
window's controls and focus back through wintool."""
import os
import pathlib
import re
import shutil
import time

from conftest import BUILD, EXE, wait_for, wintool, xdotool

WM_SYSCOMMAND, SC_CLOSE = 0x0112, 0xF060
PREFIX = pathlib.Path(os.environ.get("WINEPREFIX", BUILD / "wineprefix"))


def build_setting(name):
    """A build-time setting as the program has it (BLIMO_HOME_URL, BLIMO_HELP_FILE...)."""
    text = (BUILD / "generated" / "res" / "BuildConfig.h").read_text()
    value = re.search(rf'#define {name} "(.*)"', text).group(1)
    return value.replace("\\\\", "\\")


def unix_path(windows_path):
    """Where a C:\\ path of the build's Wine prefix lies on this machine."""
    drive, _, rest = windows_path.partition(":\\")
    assert drive.upper() == "C", windows_path
    return PREFIX / "drive_c" / pathlib.PureWindowsPath(rest)


def install_copy(windows_path, source=EXE):
    """Copies a file of the build into the prefix at a Windows path; returns that path."""
    target = unix_path(windows_path)
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(source, target)
    return windows_path


def find(title):
    """hwnd of BLIMO's visible window with that title, or None."""
    r = wintool("find", title, "BLIMOForm")
    if r.returncode != 0:
        return None
    hwnd = r.stdout.strip()
    return hwnd if visible(hwnd) else None


def visible(hwnd):
    r = wintool("window", hwnd)
    return r.returncode == 0 and r.stdout.startswith("1|")


def focus(title):
    """Gives the X input focus to the top-level window with that title (there is no window manager)."""
    xid = wait_for(lambda: xdotool("search", "--name", f"^{re.escape(title)}$", check=False).stdout.split(),
                   what=f"the X window of {title!r}")[-1]
    xdotool("windowfocus", "--sync", xid)
    time.sleep(0.2)


def press(*keys):
    for key in keys:
        xdotool("key", key)
        time.sleep(0.25)


def controls(hwnd):
    """{caption: (checked, x, y, w, h)} of a window's controls."""
    out = {}
    for line in wintool("controls", hwnd).stdout.splitlines():
        _id, _cls, text, _enabled, _visible, checked, rect = line.split("|")
        out[text] = (int(checked), *map(int, rect.split(",")))
    return out


def focused(hwnd):
    """Caption of the control with the keyboard focus."""
    r = wintool("focus", hwnd)
    return r.stdout.strip().split("|", 2)[2] if r.returncode == 0 else None


def close_box(hwnd):
    """What a click on the title bar's close box sends."""
    wintool("post", hwnd, WM_SYSCOMMAND, SC_CLOSE, 0)
