"""The About window and its commands as a person uses them: shown from the tray menu ("a"), hidden
by OK and by the close box, the help file and the home page opened for real, and Exit."""
import os
import time

from conftest import BUILD, screenshot, tray_colour, wait_for, window_geometry, wintool, xdotool
from keyboard import build_setting, close_box, controls, focus, focused, install_copy, press, visible

WM_CLOSE = 0x0010


def shot_of(title, name):
    xid = xdotool("search", "--name", f"^{title}$").stdout.split()[-1]
    return screenshot(name, crop=window_geometry(xid))


def show_about(blimo):
    blimo.menu("a")
    wait_for(lambda: visible(blimo.hwnd), what="the About window")
    focus("About BLIMO")


def test_about_shows_hides_and_exit_ends_it_all(start):
    b = start()
    assert not visible(b.hwnd)
    show_about(b)
    first = controls(b.hwnd)
    assert "Version 1.01" in first
    assert focused(b.hwnd) == "&OK"
    shot_of("About BLIMO", "about.png")

    press("alt+o")
    wait_for(lambda: not visible(b.hwnd), what="OK to hide the window")
    assert b.running() and tray_colour() is not None
    show_about(b)
    assert controls(b.hwnd) == first

    close_box(b.hwnd)
    wait_for(lambda: not visible(b.hwnd), what="the close box to hide the window")
    time.sleep(0.5)
    assert b.running() and tray_colour() is not None
    assert wintool("find", "About BLIMO", "BLIMOForm").stdout.strip() == b.hwnd, "hidden, not destroyed"

    show_about(b)  # Exit with the window on screen: everything goes with the process
    b.exit()
    assert not b.running()
    wait_for(lambda: tray_colour() is None, what="no icon left in the tray")
    assert wintool("find", "About BLIMO", "BLIMOForm").returncode != 0


def test_help_opens_in_the_help_viewer(start):
    install_copy(build_setting("BLIMO_HELP_FILE"), BUILD / "blimo.chm")
    b = start()
    show_about(b)
    press("alt+h")
    viewer = wait_for(lambda: wintool("find", "BLIMO Help").stdout.strip(), timeout=20, what="the help window")
    time.sleep(1)
    shot_of("BLIMO Help", "help.png")
    wintool("post", viewer, WM_CLOSE, 0, 0)
    wait_for(lambda: wintool("find", "BLIMO Help").returncode != 0, what="the help window to close")
    assert b.running()


def test_home_page_reaches_the_browser(start, tmp_path, monkeypatch):
    # Wine hands a URL to winebrowser, which passes it on to xdg-open: a stand-in records it.
    record = tmp_path / "xdg-open.args"
    fake = tmp_path / "bin" / "xdg-open"
    fake.parent.mkdir()
    fake.write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" > "{record}"\n')
    fake.chmod(0o755)
    monkeypatch.setenv("PATH", f"{fake.parent}{os.pathsep}{os.environ['PATH']}")
    b = start()
    show_about(b)
    press("alt+p")
    wait_for(record.exists, timeout=20, what="the browser to be started")
    time.sleep(0.2)
    assert record.read_text().splitlines() == [build_setting("BLIMO_HOME_URL")]
    assert b.running()
