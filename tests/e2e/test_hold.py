"""The display hold of the real BLIMO.exe, read from Wine's relay log; at 200 %, a mouse over About is no tray click."""
from conftest import *  # noqa: F403 (the harness)

POWER = ["PowerCreateRequest", "PowerSetRequest", "PowerClearRequest", "SetThreadExecutionState"]
LOG, SYSTEM = BUILD / "relay.log", r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System"
HELD = [("PowerCreateRequest", None), ("SetThreadExecutionState", "80000002")]  # Wine makes no power request
RELEASED = [("SetThreadExecutionState", "80000000")]
reg_set(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(f"kernel32.{name}" for name in POWER))  # what the log shows


def power_calls():  # the calls made since the last look: (name, the flags for SetThreadExecutionState)
    calls = re.findall(r"Call KERNEL32\.(\w+)\((\w*)\)", LOG.read_text())[power_calls.seen:]
    power_calls.seen += len(calls)
    return [(name, flags if name == "SetThreadExecutionState" else None) for name, flags in calls]


def switched(b, colour, value):
    b.double_click()
    wait_for(lambda: reg(DESKTOP, "ScreenSaveActive") == value and tray_colour() == colour, what=f"{colour} {value}")
    return power_calls()


def dpi(n): wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", n, "/f")  # noqa


def test_an_off_made_here_holds_the_display_and_at_200_percent_a_mouse_over_about_is_no_click():  # nor cut short
    reg_set(DESKTOP, "ScreenSaveActive", "0")
    power_calls.seen = 0
    dpi(192)
    try:
        b = Blimo(relay=LOG)
    finally:
        dpi(96)
    wintool("sync", b.hwnd)
    assert power_calls() == [], "an Off found at start-up holds the display"
    assert switched(b, "green", "1") == []
    assert switched(b, "red", "0") == HELD
    assert switched(b, "green", "1") == RELEASED
    wine("reg", "add", SYSTEM, "/v", "InactivityTimeoutSecs", "/t", "REG_DWORD", "/d", "900", "/reg:64", "/f")
    try:  # a limit left behind would stop every later hold in this prefix, the unit tests' too
        assert switched(b, "red", "0") == [], "held against the machine's inactivity limit"
    finally:
        wine("reg", "delete", SYSTEM, "/v", "InactivityTimeoutSecs", "/reg:64", "/f")
    b.menu("a", opens="About BLIMO")
    x, y, w, h = find("About BLIMO").rect
    assert w > 600, "About is not at 200 %"
    xdotool(*[arg for at in range(x, x + w) for arg in ("mousemove", at, y + h // 2)])
    assert reg(DESKTOP, "ScreenSaveActive") == "0", "a mouse move over About switched"
    assert not menu_window(), "a mouse move opened the tray menu"
    assert switched(b, "green", "1") == []
    update = b.menu("u", opens="Check for Updates")
    assert [c.rect[2:] for c in controls(update) if c.cls == "BLIMO.Downloader"] == [(32, 32)], "the Downloader's size"
    wintool("post", update, WM_COMMAND, 101, 0)
    gone("Check for Updates")
    b.menu("x")
    b.proc.wait(timeout=10)  # gone before the next test starts its own


def test_off_while_a_program_runs_across_a_restart_of_blimo_until_it_ends_or_a_switch():
    from test_command_line import run  # the exit code, and the first line of a box it showed
    notepad = r"HKCU\Software\Microsoft\Notepad"
    wine("reg", "add", notepad, "/v", "iWindowPosY", "/t", "REG_DWORD", "/d", "200", "/f")  # its window off the tray
    power_calls.seen = 0
    b = Blimo(relay=LOG)

    def shows(colour, calls, stored):  # the icon; the display's calls since the last look; Notepad's number stored
        wait_for(lambda: tray_colour() == colour, what=f"the {colour} icon")
        assert power_calls() == calls
        assert (reg(SETTINGS, "OffWhile") or "").split(" ")[0] == (wintool("pid", pad)[0] if stored else "")

    def restart(closed=False):  # BLIMO killed; Notepad closed meanwhile, or not; BLIMO started again
        b.proc.kill()
        b.proc.wait()
        wintool("tray-delete", b.hwnd, 1)
        if closed:
            wintool("post", pad, WM_CLOSE, 0, 0)
            gone("", "Notepad")
        power_calls.seen = 0
        return Blimo(relay=LOG)

    assert run("/off:run", "notepad.exe") == (0, None)
    pad = wait_for(lambda: find("", "Notepad"), what="Notepad").hwnd
    shows("red", HELD, True)
    b = restart()
    shows("red", HELD, True)
    wintool("post", pad, WM_CLOSE, 0, 0)
    shows("green", RELEASED, False)
    subprocess.Popen(["wine", "notepad.exe"])  # a program BLIMO did not start
    pad = wait_for(lambda: find("", "Notepad"), what="Notepad").hwnd
    assert run(f"/off:pid={wintool('pid', pad)[0]}") == (0, None)
    shows("red", HELD, True)
    b.double_click()
    shows("green", RELEASED, False)
    assert run(f"/off:pid={wintool('pid', pad)[0]}") == (0, None)
    shows("red", HELD, True)
    b = restart(closed=True)
    shows("green", [], False)
