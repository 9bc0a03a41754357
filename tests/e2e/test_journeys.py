"""Tray icon, Options and About in one run of BLIMO from a folder with spaces; each test goes on where one ended."""
from conftest import *  # noqa: F403 (the harness)

SPACED = r"C:\Program Files\BLIMO Test\BLIMO.exe"
AUTOSTART, BUBBLE = "Automatically start when Windows starts.", "Display info bubble when changing screensaver status."
TAKEN = "Ctrl+Alt+T is taken by another program."
HKM_SETHOTKEY = 0x401
POLICY = r"HKCU\Software\Policies\Fenwa Inc\BLIMO"


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
        assert {c.text: c.checked for c in controls(hwnd) if c.text in (AUTOSTART, BUBBLE)} == {AUTOSTART: ticked, BUBBLE: ticked}
        assert [c.text for c in controls(hwnd) if c.focused] == ["&OK"]
        assert not find("About BLIMO").enabled, "the main window is enabled while Options is open"
        press("Tab", "Tab", "space", "Tab", "space")
        assert {c.checked for c in controls(hwnd) if c.text in (AUTOSTART, BUBBLE)} == {1 - ticked}
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


def automatic(hwnd):  # the group as shown: programs, hours ticked, from, to, days ticked, plugged in, floor ticked, floor
    c = {w.id - 100: w for w in controls(hwnd)}  # by row of the dialog's layout
    return [c[10].text, c[13].checked, c[14].text, c[16].text, "".join(str(d - 16) for d in range(17, 24) if c[d].checked),
            c[24].checked, c[25].checked, c[26].text]


def stored():
    return [reg(SETTINGS, value) for value in ["OffWhileRunning", "OffHours", "OnlyPluggedIn", "BatteryFloor"]]


def test_automatic_offs_in_options(blimo):  # by keyboard and the system's file dialog; OK stores, Cancel forgets
    reg_set(SETTINGS, "OffWhileRunning", "Teams.exe")
    reg_set(SETTINGS, "OffHours", "6,7 22:00-02:00")
    hwnd = blimo.menu("p", opens="Options")
    assert automatic(hwnd) == ["Teams.exe", 1, "22:00", "02:00", "67", 0, 0, "20"]
    press("alt+a")
    press(into="Add a program")
    xdotool("type", "--delay", "40", r"C:\windows\system32\notepad.exe")
    press("Return")
    gone("Add a program", "#32770")
    # The hours off and on again, then 00:00 to 00:00: the whole day; Wine's time picker selects its hours once an arrow moves there; Tab into an edit box
    # selects its text.
    press("End", "semicolon", "v", "l", "c", "alt+d", "alt+d", "Tab", "Right", "Up", "Up", "alt+t", "Right", "Down", "Down", "Tab", "space",
          "alt+i", "alt+b", "Tab", "1", "5", "Return", into="Options")
    gone("Options")
    assert stored() == ["Teams.exe;notepad.exe;vlc", "1,6-7 00:00-24:00", "1", "15"]
    hwnd = blimo.menu("p", opens="Options")
    assert automatic(hwnd) == ["Teams.exe;notepad.exe;vlc", 1, "00:00", "00:00", "167", 1, 1, "15"]
    reached = set()
    for _ in range(30):  # every control of the group has its turn
        press("Tab")
        reached |= {c.id - 100 for c in controls(hwnd) if c.focused}
    assert reached >= {10, 11, 13, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26}
    press("alt+i", "alt+b", "alt+b", "Tab", "1", "0", "1", "Return")  # a floor out of range: said, and nothing stored
    wait_for(lambda: "The battery floor is a charge from 0 to 100 %." in [c.text for c in controls(hwnd)], what="the floor refused")
    press("Escape")
    gone("Options")
    assert stored() == ["Teams.exe;notepad.exe;vlc", "1,6-7 00:00-24:00", "1", "15"]
    reg_set(POLICY, "OffWhileRunning", "POWERPNT.EXE")
    reg_set(SETTINGS, "BatteryFloor", "low")  # out of form: shown as none, and left as it is
    hwnd = blimo.menu("p", opens="Options")
    c = {w.id - 100: w for w in controls(hwnd)}
    assert [c[10].text, c[10].enabled, c[11].enabled, c[12].text] == ["POWERPNT.EXE", False, False, "Set by your administrator"]
    press("alt+d", "Return")
    gone("Options")
    assert stored() == ["Teams.exe;notepad.exe;vlc", None, "1", "low"]
    reg_set(POLICY)
    reg_set(SETTINGS, "OffWhileRunning")
    reg_set(SETTINGS, "OnlyPluggedIn")
    reg_set(SETTINGS, "BatteryFloor")


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
