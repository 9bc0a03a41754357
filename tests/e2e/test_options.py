"""The Options dialog as a person uses it: opened from the tray menu ("p"), worked with the keyboard
only, its two settings read back from Wine's registry."""
import pytest

from conftest import RUN, SETTINGS, reg_query, reg_set, screenshot, wait_for, window_geometry, wintool, xdotool
from keyboard import close_box, controls, find, focus, focused, install_copy, press

AUTOSTART = "Automatically start when Windows starts."
BUBBLE = "Display info bubble when changing screensaver status."
# Tab order: OK, Cancel, the autostart box, the balloon box.
TICK_BOTH = ("Tab", "Tab", "space", "Tab", "space")


@pytest.fixture
def spaced_exe():
    """BLIMO.exe copied into a folder whose path holds spaces, as an installed program is."""
    return install_copy(r"C:\Program Files\BLIMO Test\BLIMO.exe")


def run_value():
    v = reg_query(RUN, "BLIMO")
    return v[1] if v else None


def bubbles_value():
    v = reg_query(SETTINGS, "Bubbles")
    return v[1] if v else None


def open_options(blimo):
    """Options from the tray menu; returns the dialog's hwnd and {box: checked}."""
    blimo.menu("p")
    hwnd = wait_for(lambda: find("Options"), what="the Options dialog")
    focus("Options")
    c = controls(hwnd)
    return hwnd, {AUTOSTART: c[AUTOSTART][0], BUBBLE: c[BUBBLE][0]}


def closed():
    return find("Options") is None


def test_keyboard_turns_both_on_with_the_quoted_path(start, spaced_exe):
    b = start(exe=spaced_exe)
    hwnd, boxes = open_options(b)
    assert boxes == {AUTOSTART: 0, BUBBLE: 0}
    assert focused(hwnd) == "&OK"
    client_width = int(wintool("window", hwnd).stdout.split("|")[3].split(",")[0])
    c = controls(hwnd)
    assert c[AUTOSTART][3] == c[BUBBLE][3] == client_width + 4  # 60 twips wider, as designed (96 DPI)
    press(*TICK_BOTH)
    assert {k: v[0] for k, v in controls(hwnd).items() if k in (AUTOSTART, BUBBLE)} == {AUTOSTART: 1, BUBBLE: 1}
    x, y, w, h = window_geometry(xdotool("search", "--name", "^Options$").stdout.split()[-1])
    screenshot("options.png", crop=(x, y, w, h))
    press("alt+o")
    wait_for(closed, what="the dialog to close")
    assert run_value() == r'"C:\Program Files\BLIMO Test\BLIMO.exe"'
    assert bubbles_value() == "1"
    assert b.running()
    # Opened again, it shows what it applied; Alt+C leaves it so.
    _, boxes = open_options(b)
    assert boxes == {AUTOSTART: 1, BUBBLE: 1}
    press("alt+c")
    wait_for(closed, what="the dialog to close")


@pytest.mark.parametrize("way", ["Cancel", "close box"])
def test_cancel_and_the_close_box_change_nothing(start, way):
    reg_set(RUN, "BLIMO", r'"C:\Elsewhere\BLIMO.exe"')
    reg_set(SETTINGS, "Bubbles", "1")
    b = start()
    for _ in range(2):  # the second opening shows that ShowBubbles kept its value too
        hwnd, boxes = open_options(b)
        assert boxes == {AUTOSTART: 1, BUBBLE: 1}
        press(*TICK_BOTH)
        assert {k: v[0] for k, v in controls(hwnd).items() if k in (AUTOSTART, BUBBLE)} == {AUTOSTART: 0, BUBBLE: 0}
        if way == "Cancel":
            press("alt+c")
        else:
            close_box(hwnd)
        wait_for(closed, what="the dialog to close")
        assert run_value() == r'"C:\Elsewhere\BLIMO.exe"'
        assert bubbles_value() == "1"


def test_another_folders_entry_opens_checked_and_ok_replaces_it(start, spaced_exe):
    reg_set(RUN, "BLIMO", r"C:\Old Place\BLIMO.exe")
    b = start(exe=spaced_exe)
    _, boxes = open_options(b)
    assert boxes == {AUTOSTART: 1, BUBBLE: 0}
    press("alt+o")
    wait_for(closed, what="the dialog to close")
    assert run_value() == r'"C:\Program Files\BLIMO Test\BLIMO.exe"'


def test_dialog_follows_the_program_not_registry_edits_and_ok_unchecked_adds_no_entry(start):
    b = start()  # no Run value, no "Bubbles": balloons off
    reg_set(SETTINGS, "Bubbles", "1")  # edited behind the running program's back
    _, boxes = open_options(b)
    assert boxes == {AUTOSTART: 0, BUBBLE: 0}
    press("alt+o")
    wait_for(closed, what="the dialog to close")
    assert run_value() is None
    assert bubbles_value() == "0"  # OK writes the box as it stood
    assert wintool("find-class", "#32770").returncode != 0, "no message box"
