"""Check for Updates against a server on 127.0.0.1: the build's e2e/BLIMO.exe asks it, with a time limit of 2 s."""
import contextlib
from conftest import *  # noqa: F403 (the harness)
from httpserver import Server, answer, by_path, head, loop, raw, redirect

PORT, FILE, LIMIT = int((BUILD / "e2e" / "port").read_text()), "/programs/BLIMOUpdate.txt", 2.0
COPY = pathlib.Path(tempfile.mkdtemp(prefix="blimo-copy-"))  # BLIMO.exe's folder here
TEMP = unix_path(wine("cmd", "/c", "echo %TEMP%").stdout.split()[-1])  # Wine's temp folder
CHECK, CANCEL, YV, SV, INFO, DOWNLOADER = 100, 101, 105, 106, 107, 108  # the controls' ids
FRESH, FAILED = ("&Check", "Unknown", "", True), (True, "&Check", "Unknown", "Cannot connect to server.")
CANNOT = "Cannot connect to server, check your Internet connection or try again later."  # the error box's words
def update(v): return False, "&Get Update", v, f"Update Available! (Version {v})"  # noqa: E704
def latest(v): return False, "&Check", v, "You have the latest version!"  # noqa: E704
def unknown(v): return False, "&Check", v, "Server version not recognized."  # noqa: E704
NEW = update("1.02")
ROWS = [  # id, the server's behaviour (None: no server), the outcome, the least seconds it takes
    ("1.02", answer(b"1.02"), NEW), ("1.1", answer(b"1.1\r\n"), update("1.1")), ("loop", loop(), FAILED),
    ("1.01", answer(b"1.01"), latest("1.01")), ("refused", None, FAILED), ("404", answer(b"1.02", 404), FAILED),
    ("words", answer(b"Version 1.02"), unknown("Version 1.02")), ("empty", answer(b""), unknown("")),
    ("silent", raw(b"", end="stall"), FAILED, 1.5), ("cut short", raw(head(200, 99) + b"1.02\r\n"), FAILED),
    ("308", by_path({FILE: redirect(308, "/x")}, answer(b"1.02")), NEW),
    ("4 GiB + 4", raw(head(200, 2**32 + 4) + b"1.02"), FAILED),  # a length read in 32 bits would pass as whole
    ("4 KiB of 1 MB", raw(head(200, 10**6) + b"1.02\r\n" + b"x" * 5000, end="stall"), NEW),  # the rest never waited for
]


@pytest.fixture(scope="module")
def blimo():  # started off, with a promise due in 20 s, kept by the waiting program while the checks run (the last test);
    # at 200 %, where a twip is no whole fraction of a pixel (1440 / 192)
    for f in (BUILD / "e2e" / "BLIMO.exe", BUILD / "planted" / "wininet.dll"):  # a copy, in Downloads say, with a
        shutil.copy(f, COPY)  # wininet.dll beside it; Wine, told to prefer files, looks there first as Windows does
    reg_set(DESKTOP, "ScreenSaveActive", "0")
    reg_set(SETTINGS, "OffUntil", time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(time.time() + 20)))
    wine("reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192", "/f")
    b = Blimo(COPY / "BLIMO.exe", env={**os.environ, "WINEDLLOVERRIDES": "mscoree=;wininet=n,b"})
    reg_set(DESKTOP, "LogPixels")  # Wine's 96 for the programs started after
    assert tray_colour() == "red"
    return b


def dialog(blimo):  # the one a failed check left open, or one opened as the tray menu's Update does, once shown
    if not (d := find("Check for Updates")):
        wintool("post", blimo.hwnd, WM_COMMAND, MENU_UPDATE, 0)
        d = wait_for(lambda: (w := find("Check for Updates")) and w.visible and w, what="the dialog shown")
    return d.hwnd


def state(d):  # the button's caption, lblSV, lblInfo; whether the button is enabled
    c = {c.id: c for c in controls(d)}
    return c[CHECK].text, c[SV].text, c[INFO].text, c[CHECK].enabled


def check(d):  # presses Check: (whether the error box came, caption, lblSV, lblInfo) at the end; seconds to it
    before, pressed = state(d)[2], time.monotonic()
    wintool("post", d, WM_COMMAND, CHECK, 0)
    ended = lambda: (t := state(d))[3] and t[2] not in (before, "Checking...")  # noqa: E731
    box = wait_for(lambda: find("Error", "#32770") or ended(), timeout=LIMIT + 10, what="the check to end")
    took = time.monotonic() - pressed
    if box is not True:  # the error box: its words (it may be found before they are in), closed by its OK
        wait_for(lambda: {CANNOT, "OK"} <= {c.text for c in controls(box.hwnd)}, what="the error box's words")
        wintool("post", box.hwnd, WM_COMMAND, 1, 0)
        wait_for(lambda: state(d)[3], what="Check enabled again")
    assert not (COPY / "wininet.dll.loaded").exists(), "the planted wininet.dll ran inside BLIMO"
    return (box is not True, *state(d)[:3]), took


def test_dialog_opens_ready_retries_and_gets_the_update(blimo):
    d = blimo.menu("u", opens="Check for Updates")
    c = {c.id: c for c in controls(d)}
    assert state(d) == FRESH
    assert c[YV].text == "1.01"
    assert (c[DOWNLOADER].cls, c[DOWNLOADER].rect[2:]) == ("BLIMO.Downloader", (32, 32))
    with Server(PORT) as s:  # after a failure, and after "latest", a check asks again
        for s.behaviour, outcome in [(answer(b"", 404), FAILED), (answer(b"1"), latest("1")), (answer(b"1.02"), NEW)]:
            assert check(d)[0] == outcome
        assert s.requests == [FILE] * 3
    press("Return", into="Check for Updates")  # the button pressed, now Get Update: to the download page
    gone("Check for Updates")
    assert browsed() == [f"http://127.0.0.1:{PORT}/download.html"]
    assert state(dialog(blimo)) == FRESH
    press("Escape", into="Check for Updates")  # as Cancel
    gone("Check for Updates")


@pytest.mark.parametrize("behaviour, outcome, least", [(*r[1:], 0)[:3] for r in ROWS], ids=[r[0] for r in ROWS])
def test_check(blimo, behaviour, outcome, least):
    (TEMP / "BLIMOUpdate.txt").write_text("9.9")  # an old answer must never pass for the new one
    with Server(PORT, behaviour) if behaviour else contextlib.nullcontext() as s:  # it must reach the server, not loop
        got, took = check(d := dialog(blimo))
        if not got[0]:  # closed while the server stops; after a failure it stays, and the next row checks again in it
            wintool("post", d, WM_COMMAND, CANCEL, 0)
    if not got[0]:
        gone("Check for Updates")
    assert got == outcome
    assert blimo.running()
    assert least <= took <= LIMIT + 1
    assert not s or 1 <= len(s.requests) <= 25, "requests made"
    assert not [p.name for p in TEMP.iterdir() if p.name == "BLIMOUpdate.txt" or p.name.startswith("blm")]


def test_the_dialog_stays_live_while_the_server_is_slow_and_an_old_copy_never_passes(blimo):
    with Server(PORT, raw(b"", end="stall")):  # silent: pinged meanwhile, then closed at once with nothing after
        wintool("post", d := dialog(blimo), WM_COMMAND, CHECK, 0)
        wait_for(lambda: state(d)[2] == "Checking...", what="the check to start")
        slow = [ms for ms in (int(wintool("ping", d)[0]) for _ in range(10)) if not 0 <= ms <= 300]
        assert slow == [], "answers slower than 300 ms (-1: none within a second)"
        wintool("post", d, WM_COMMAND, CANCEL, 0)
        wait_for(lambda: not (w := find("Check for Updates")) or not w.visible, timeout=1, what="Cancel to close it")
        time.sleep(LIMIT + 0.5)  # the abandoned check ends meanwhile
        assert not find("Error", "#32770"), "a box came after the dialog was closed"
    (old := TEMP / "BLIMOUpdate.txt").write_text("9.9")
    old.chmod(0o444)  # read-only: it cannot be removed before the check
    try:
        with Server(PORT, answer(b"1.02")):
            assert check(d := dialog(blimo))[0] == FAILED, "an old copy that cannot be removed passed for the answer"
    finally:
        old.chmod(0o644)
    wintool("post", d, WM_COMMAND, CANCEL, 0)  # the next opening is a new one
    gone("Check for Updates")


def test_the_administrator_rules_the_check_out_as_the_template_says(blimo):
    admx = (pathlib.Path(__file__).parents[2] / "installer/templates/BLIMO.admx").read_text()
    key, name, on, off = re.search(r'key="(.+?)" valueName="(DisableUpdateCheck)">.*?"(\d+)".*?"(\d+)"', admx, re.S).groups()
    policy = lambda root, data: wine("reg", "add", rf"{root}\{key}", "/v", name, "/t", "REG_DWORD", "/d", data, "/f")  # noqa
    policy("HKCU", on)  # the user's policy: the dialog opens, but no check leaves the machine
    with Server(PORT, answer(b"1.02")) as s:
        wintool("post", d := dialog(blimo), WM_COMMAND, CHECK, 0)
        assert state(d) == ("&Check", "Unknown", "Updates are managed by your administrator.", False)
        wintool("post", d, WM_COMMAND, CANCEL, 0)
        gone("Check for Updates")
        policy("HKLM", off)  # the computer's policy decides before the user's
        assert check(d := dialog(blimo))[0] == NEW
        assert s.requests == [FILE], "a request left the machine while the policy ruled checks out"
    wintool("post", d, WM_COMMAND, CANCEL, 0)
    gone("Check for Updates")


def test_the_screensaver_came_back_on_at_its_time(blimo):
    wait_for(lambda: tray_colour() == "green", timeout=30, what="the screensaver on again")
    assert reg(DESKTOP, "ScreenSaveActive") == "1"
    assert reg(SETTINGS, "OffUntil") is None
