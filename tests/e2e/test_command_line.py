"""The icon follows outside switches and the policy; the command line, with and without BLIMO; Off while a program runs."""
from conftest import *  # noqa: F403 (the harness)

POLICY = r"HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop"


def run(*args):  # BLIMO.exe with a command line: its exit code, and the first line of the box it showed
    proc, text = subprocess.Popen(["wine", EXE, *args]), None
    if (box := wait_for(lambda: proc.poll() is not None or find("BLIMO", "#32770"), what=f"{args} to end")) is not True:
        text = wait_for(lambda: [c.text for c in controls(box.hwnd) if c.cls == "Static" and c.text], what="words")[0]
        wintool("post", box.hwnd, WM_COMMAND, 1, 0)
    return proc.wait(timeout=10), text


def switch(args, code=0): assert run(args) == (code, None)  # noqa: E704
def status(): return (done := sh("wine", EXE, "/status", check=False)).stdout, done.returncode  # noqa: E704
def clock(seconds): return time.strftime("%-I:%M %p", time.localtime(time.time() + seconds))  # noqa: E704 (as the tip)


def shows(colour, value, within=1.0):  # the icon within a second; the user's stored value
    wait_for(lambda: tray_colour() == colour, timeout=within, what=f"the {colour} icon")
    assert reg(DESKTOP, "ScreenSaveActive") == value


@pytest.fixture(scope="module")
def blimo():
    reg_set(POLICY)
    reg_set(DESKTOP, "ScreenSaveActive", "1")
    reg_set(SETTINGS, "Hotkey", "shift + CTRL+f9")  # read at start-up
    yield Blimo()
    reg_set(POLICY)


def test_outside_switches_and_policy(blimo):  # and what /status says then, with its exit code: 0 on, 1 off
    one_icon = colours(*tray())
    admin = " (set by your administrator)"
    held = "; display kept on"  # by BLIMO's own Off
    hotkey = lambda: press("ctrl+shift+F9", into="About BLIMO")  # noqa: E731
    blimo.menu("a", opens="About BLIMO")  # a window of Wine's has the focus, as hotkeys need there
    for act, colour, value, line in [(lambda: reg_set(DESKTOP, "ScreenSaveActive", "0"), "red", "0", "Off"),  # a bare write
                                     (lambda: wintool("spi", 1), "green", "1", "On"),  # as Control Panel does it
                                     (lambda: reg_set(POLICY, "ScreenSaveActive", "0"), "red", "1", "Off" + admin),
                                     (blimo.double_click, "red", "1", "Off" + admin), (hotkey, "red", "1", "Off" + admin),
                                     (lambda: switch("/on", 3), "red", "1", "Off" + admin),  # refused
                                     (lambda: reg_set(POLICY, "ScreenSaveActive", "1"), "green", "1", "On" + admin),
                                     (lambda: reg_set(POLICY), "green", "1", "On"), (lambda: reg_set(DESKTOP, "ScreenSaveActive"), "green", None, "On"),
                                     (lambda: switch("/off"), "red", "0", "Off" + held),
                                     (lambda: switch("-ON"), "green", "1", "On"), (hotkey, "red", "0", "Off" + held),
                                     (lambda: switch("/Toggle"), "green", "1", "On"), (lambda: switch("/toggle"), "red", "0", "Off" + held),
                                     (hotkey, "green", "1", "On")]:
        act()
        shows(colour, value)
        assert status() == (f"ScreenSaver {line}\n", int(line.startswith("Off")))
    assert colours(*tray()) == one_icon
    press("Escape", into="About BLIMO")


def test_off_for_a_minute_until_a_switch(blimo):  # the minute itself passes in test_update, beside the checks
    switch("/off:until=17:05")  # told to the running BLIMO with the minutes' two digits: 22:05 UTC, 5 hours ahead
    assert reg(SETTINGS, "OffUntil").endswith("T22:05:00Z")
    switch("/off:1")
    assert reg(SETTINGS, "OffUntil")
    shows("red", "0")
    assert status() in [(f"ScreenSaver Off until {clock(s)}; display kept on\n", 1) for s in (59, 60)]  # a minute on
    for args, problem in [(["/bogus"], '"/bogus" is not a switch BLIMO knows.'), (["on"], '"on" is not a switch.'),
                          (["/off:0"], '"/off:0": the minutes must be a whole number from 1 to 1440.'),
                          (["/on", "/off"], "Give one switch at a time, not 2."), (["/?"], ""),
                          (["/off:run", "no such.exe", "x"], '"no such.exe" cannot be started: File not found.'),
                          (["/off:pid=4294967292"], "Process 4294967292 cannot be waited for: Invalid parameter.")]:
        code, text = run(*args)  # meanwhile: nothing changes
        assert code == (2 if problem else 0)
        assert text.startswith(problem + "    " * bool(problem) + "Usage: BLIMO.exe")
    shows("red", "0")
    switch("/on")
    shows("green", "1")
    assert reg(SETTINGS, "OffUntil") is None


def test_off_while_a_program_runs(blimo):  # ones the command line starts, then one BLIMO did not start
    wine("reg", "add", r"HKCU\Software\Microsoft\Notepad", "/v", "iWindowPosY", "/t", "REG_DWORD", "/d", "200", "/f")  # off the tray
    shutil.copy(BUILD / "wintool.exe", PREFIX / "drive_c/talk.exe")  # found by its App Paths entry alone
    wine("reg", "add", r"HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\talk.exe", "/ve", "/d", r"C:\talk.exe", "/f")
    shutil.copy(BUILD / "wintool.exe", BUILD / "notepad.exe")  # planted beside BLIMO: never the notepad.exe started
    (PREFIX / "drive_c/notes.txt").write_text("A document opens with its program.")
    subprocess.Popen(["wine", PREFIX / "drive_c/talk.exe", "talk", "Talk"])  # the copy a second start hands over to
    wait_for(lambda: find("Talk", ""), what="the first talk.exe")
    for args, title, cls in [(["notepad.exe"], "", "Notepad"), ([r"C:\notes.txt"], "", "Notepad"), (["talk", "talk", "Talk"], "Talk", "")]:
        assert run("/off:run", *args) == (0, None)
        window = wait_for(lambda: find(title, cls), what=f"the window of {args}").hwnd
        shows("red", "0")
        assert status() == (f"ScreenSaver Off while {'talk.exe' if title else 'notepad.exe'} runs; display kept on\n", 1)
        wintool("post", window, WM_CLOSE, 0, 0)
        shows("green", "1", within=5)
    (BUILD / "notepad.exe").unlink()
    subprocess.Popen(["wine", "notepad.exe"])
    pad = wait_for(lambda: find("", "Notepad"), what="Notepad").hwnd
    switch(f"/off:pid={wintool('pid', pad)[0]}")
    shows("red", "0")
    wintool("post", pad, WM_CLOSE, 0, 0)
    shows("green", "1", within=5)


def test_off_while_listed_programs_run_and_during_the_hours(blimo):  # the rules, as the user's settings hold them
    shutil.copy(BUILD / "wintool.exe", PREFIX / "drive_c/talk.exe")
    talk = lambda title: subprocess.Popen(["wine", PREFIX / "drive_c/talk.exe", "talk", title])  # noqa: E731
    window = lambda title: wait_for(lambda: find(title, ""), what=f"the window {title}").hwnd  # noqa: E731
    held = ("ScreenSaver Off while talk.exe runs; display kept on\n", 1)
    reg_set(SETTINGS, "OffWhileRunning", "vlc.exe; TALK")
    talk("One")
    one = window("One")
    shows("red", "0", within=2)  # noticed within 2 s of its window
    assert status() == held
    talk("Two")
    two = window("Two")
    wintool("post", one, WM_CLOSE, 0, 0)
    time.sleep(1)
    shows("red", "0")  # Two still runs
    blimo.double_click()  # the user's On wins while the rule holds...
    shows("green", "1")
    time.sleep(1)
    shows("green", "1")
    talk("Three")  # ...until another listed program starts
    three = window("Three")
    shows("red", "0", within=2)
    wintool("post", blimo.hwnd, WM_COMMAND, MENU_EXIT, 0)  # no BLIMO keeps the rule: on again
    assert blimo.proc.wait(timeout=10) == 0
    assert reg(DESKTOP, "ScreenSaveActive") == "1"
    blimo.__init__()  # programs that run before BLIMO starts count, as BLIMO's own Off
    shows("red", "0")
    assert status() == held
    wintool("post", two, WM_CLOSE, 0, 0)
    wintool("post", three, WM_CLOSE, 0, 0)
    shows("green", "1", within=5)
    assert status() == ("ScreenSaver On\n", 0)
    start = (int(time.time()) // 60 + 1) * 60  # the hours begin at the next minute and end at the one after
    reg_set(SETTINGS, "OffHours", "1-7 " + "-".join(time.strftime("%H:%M", time.localtime(start + s)) for s in (0, 60)))
    shows("green", "1")
    shows("red", "0", within=start - time.time() + 2)
    assert status() == (f"ScreenSaver Off until {clock(start + 60 - time.time())}; display kept on\n", 1)
    shows("green", "1", within=start + 62 - time.time())
    reg_set(SETTINGS, "OffHours")
    reg_set(SETTINGS, "OffWhileRunning")


def test_without_blimo(blimo):  # a promise due at start: the unit tests' start-up rows
    blimo.menu("x")
    assert blimo.proc.wait(timeout=10) == 0
    wait_for(lambda: not tray_colour(), what="no icon")
    for args, value in [("/off", "0"), ("/on", "1")]:
        switch(args)
        assert reg(DESKTOP, "ScreenSaveActive") == value
        assert not tray_colour()
    wintool("guard", "BLIMO.SingleInstance")  # as an elevated BLIMO's: there, though this one may not open it
    assert subprocess.run(["wine", EXE], timeout=10).returncode == 0
    assert not tray_colour()
    wintool("guard", "")
    ahead = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(time.time() + 3600))  # /status from what is stored, none held
    for act, line in [(lambda: switch("/off"), "ScreenSaver Off"),
                      (lambda: reg_set(SETTINGS, "OffUntil", ahead), f"ScreenSaver Off until {clock(3600)}"),
                      (lambda: reg_set(POLICY, "ScreenSaveActive", "1"), "ScreenSaver On (set by your administrator)")]:
        act()
        assert status() == (f"{line}\n", int(" Off" in line))
    assert f"{line}\n" in sh("script", "-qc", f"wine {EXE} /status", "/dev/null").stdout  # into the console it was typed in
    reg_set(POLICY)
    switch("/on")
    b = Blimo(EXE, "/off:run", "notepad.exe")  # the command line starts the program, then keeps the promise itself
    shows("red", "0")
    wintool("post", wait_for(lambda: find("", "Notepad"), what="Notepad").hwnd, WM_CLOSE, 0, 0)
    shows("green", "1", within=5)
    wintool("post", b.hwnd, WM_COMMAND, MENU_EXIT, 0)
    assert b.proc.wait(timeout=10) == 0
    # As setup's shortcut "ScreenSaver off for 1 hour": BLIMO starts, off until then; one no other process may open
    b = Blimo(BUILD / "wintool.exe", "locked", "Z:" + str(EXE).replace("/", "\\"), "/off:60")
    shows("red", "0")
    assert reg(SETTINGS, "OffUntil")
    shell = wintool("pid", find("", "Shell_TrayWnd").hwnd)[0]  # a process it is handed, and cannot be handed
    assert run(f"/off:pid={shell}")[1].startswith(f"Process {shell} cannot be handed to the running BLIMO: Access denied")
