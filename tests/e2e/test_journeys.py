"""Tray icon, Options and About in one run of BLIMO from a folder with spaces; each test goes on where one ended."""
from conftest import *  # noqa: F403 (the harness)

SPACED = r"C:\Program Files\BLIMO Test\BLIMO.exe"
AUTOSTART, BUBBLE = "Automatically start when Windows starts.", "Display info bubble when changing screensaver status."
TAKEN = "Ctrl+Alt+T is taken by another program."
HKM_SETHOTKEY = 0x401


@pytest.fixture(scope="module")
def blimo():
    unix_path(build_setting("BLIMO_HELP_FILE")).unlink(missing_ok=True)  # the help file is found beside the program
    for path, source in [(SPACED.replace("BLIMO.exe", "blimo.chm"), BUILD / "blimo.chm"), (SPACED, EXE)]:
        unix_path(path).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, unix_path(path))
    return Blimo(SPACED)


def second_instance(blimo):  # ends at once, adding no icon
    icon = colours(*tray())
    assert subprocess.run(["wine", EXE], timeout=5).returncode == 0
    wintool("sync", blimo.hwnd)  # the running one has handled whatever the second sent it
    assert colours(*tray()) == icon


def test_tray(blimo):
    blimo.at_icon("click", "1", "mousedown", "3", "sleep", "1")  # a single click, then a right press held
    assert not menu_window(), "the menu opened on the press"
    assert reg(DESKTOP, "ScreenSaveActive") is None
    assert tray_colour() == "green"  # as started
    xdotool("mouseup", "3")
    assert min(colours(*wait_for(menu_window, what="the menu on release").rect)) >= 50, "green and red bitmaps"
    pick("Escape")
    for act, value, colour in [(Blimo.double_click, "1", "green"), (lambda b: b.menu("f"), "0", "red"),
                               (lambda b: wintool("tray-delete", b.hwnd, 1), "0", None),  # the shell loses the icon
                               (lambda b: wintool("taskbar-created"), "0", "red"), (second_instance, "0", "red"),
                               (lambda b: b.menu("o"), "1", "green"), (Blimo.double_click, "0", "red")]:
        act(blimo)  # from no value at all, the first double click switches on; the restarted shell gets the icon back
        wait_for(lambda: reg(DESKTOP, "ScreenSaveActive") == value, what=f"ScreenSaveActive {value}")  # as REG_SZ
        wait_for(lambda: tray_colour() == colour, what=f"the {colour} icon")


def test_options(blimo):  # keyboard only; the tab order: OK, Cancel, autostart, balloon
    for ticked, close in [(0, "Return"), (1, "Escape"), (1, None), (1, "alt+c")]:  # Enter: OK; None: the close box
        hwnd = blimo.menu("p", opens="Options")
        assert {c.text: c.checked for c in controls(hwnd) if c.checked >= 0} == {AUTOSTART: ticked, BUBBLE: ticked}
        assert [c.text for c in controls(hwnd) if c.focused] == ["&OK"]
        assert not find("About BLIMO").enabled, "the main window is enabled while Options is open"
        press("Tab", "Tab", "space", "Tab", "space")
        assert {c.checked for c in controls(hwnd) if c.checked >= 0} == {1 - ticked}
        press(close) if close else wintool("post", hwnd, WM_SYSCOMMAND, SC_CLOSE, 0)
        gone("Options")  # OK applies; Cancel and the close box change nothing, as the next opening shows too
        assert [reg(RUN, "BLIMO"), reg(SETTINGS, "Bubbles"), find("About BLIMO").enabled] == [f'"{SPACED}"', "1", True]
    blimo.menu("p", opens="Options")
    press("alt+h", "ctrl+alt+s", "Return")  # the label's access key, the keys, Enter
    gone("Options")
    assert reg(SETTINGS, "Hotkey") == "Ctrl+Alt+S"
    assert wintool("hotkey", 3, ord("T")) == ["1"]  # Ctrl+Alt+T, held by another program
    blimo.menu("a", opens="About BLIMO")  # a window of Wine's has the focus, as hotkeys need there
    for value, colour, keys in [("1", "green", 0x654), ("0", "red", None)]:  # as a double click, from where test_tray left
        press("ctrl+alt+s", into="About BLIMO")
        wait_for(lambda: reg(DESKTOP, "ScreenSaveActive") == value, what=f"ScreenSaveActive {value}")
        wait_for(lambda: tray_colour() == colour, what=f"the {colour} icon")
        if keys:  # Ctrl+Alt+T as typed (the system gives those keys to their holder): reported; Ctrl+Alt+S stays
            hwnd = blimo.menu("p", opens="Options")
            wintool("post", next(c.hwnd for c in controls(hwnd) if c.cls == "msctls_hotkey32"), HKM_SETHOTKEY, keys, 0)
            press("Return")
            wait_for(lambda: TAKEN in [c.text for c in controls(hwnd)], what="the hotkey reported taken")
            press("Escape")
            gone("Options")
    assert reg(SETTINGS, "Hotkey") == "Ctrl+Alt+S"


def test_about(blimo):
    first = controls(blimo.menu("a", opens="About BLIMO"))
    assert [c.text for c in first if c.focused] == ["&OK"]
    for hide in ["Return", "Escape", None]:  # hidden, not destroyed; shown again as it was (None: the close box)
        press(hide) if hide else wintool("post", blimo.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0)
        wait_for(lambda: not find("About BLIMO").visible, what=f"{hide or 'the close box'} to hide About")
        assert find("About BLIMO").hwnd == blimo.hwnd
        assert controls(blimo.menu("a", opens="About BLIMO")) == first
    for key, title, close in [("alt+u", "Check for Updates", (WM_COMMAND, 101)),  # the menu's dialog; its Cancel
                              ("alt+h", "BLIMO Help", (WM_CLOSE, 0))]:  # the help file beside the program
        press(key, into="About BLIMO")
        wintool("post", wait_for(lambda: find(title, None), timeout=20, what=title).hwnd, *close, 0)
        gone(title, None)
        wait_for(lambda: find("About BLIMO").enabled, what="About enabled again")
    press("alt+p", into="About BLIMO")
    assert browsed() == [build_setting("BLIMO_HOME_URL")]
    blimo.menu("x")  # Exit with About on screen
    assert blimo.proc.wait(timeout=10) == 0  # the icon gone too: see clean()
