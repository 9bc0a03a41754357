"""The Check for Updates dialog as a person uses it, against a server on 127.0.0.1: the BLIMO.exe
under test is the build's second one (e2e/BLIMO.exe), whose update URL points at that server and
whose download time limit is 3 seconds. Texts and states are read from the real windows."""
import os
import pathlib
import time

import pytest

from conftest import BUILD, Blimo, reg_delete, reg_set, tray_colour, wait_for, wine, wintool, xdotool
from httpserver import ScriptedServer, by_path, chunked, head, raw, redirect, redirect_loop

E2E_EXE = BUILD / "e2e" / "BLIMO.exe"
PORT = int((BUILD / "e2e" / "port").read_text())
DOWNLOAD_URL = f"http://127.0.0.1:{PORT}/download.html"
TIME_LIMIT = 3.0
# `make faults` runs every server behaviour; `make test` the ones not marked full_only.
full_only = pytest.mark.skipif(not os.environ.get("BLIMO_FULL_FAULTS"), reason="runs in make faults")
BROWSER_KEY = r"HKCU\Software\Wine\WineBrowser"

# Control ids are the rows of the dialog's layout, from 100.
ROWS = ["cmdCheck", "cmdCancel", "lblUpdates", "lblYVLabel", "lblSVLabel", "lblYV", "lblSV", "lblInfo", "Downloader1"]

LATEST = "You have the latest version!"
UNRECOGNIZED = "Server version not recognized."
CANNOT_CONNECT = "Cannot connect to server, check your Internet connection or try again later."


def controls(hwnd):
    """{name: {text, enabled, rect}} of a window's children, as wintool reads them."""
    out = {}
    for line in wintool("controls", hwnd).stdout.splitlines():
        cid, cls, text, enabled, visible, checked, rect = line.split("|")
        name = ROWS[int(cid) - 100] if 100 <= int(cid) < 100 + len(ROWS) else cid
        out[name] = {"class": cls, "text": text, "enabled": enabled == "1", "rect": tuple(map(int, rect.split(",")))}
    return out


def click(hwnd, rect):
    """A left click at the middle of a child's rectangle (client coordinates of hwnd)."""
    _, _, place, client, _ = wintool("window", hwnd).stdout.strip().split("|", 4)
    x, y, w, h = map(int, place.split(","))
    cw, ch = map(int, client.split(","))
    border = (w - cw) // 2
    left, top = x + border, y + h - ch - border
    rx, ry, rw, rh = rect
    xdotool("mousemove", left + rx + rw // 2, top + ry + rh // 2, "click", "1")


def find(title, cls):
    r = wintool("find", title, cls)
    return r.stdout.strip() if r.returncode == 0 else None


def wine_temp_folder():
    out = wine("cmd", "/c", "echo %TEMP%").stdout.strip().splitlines()[-1]
    return pathlib.Path(wine("winepath", "-u", out).stdout.strip())


@pytest.fixture(scope="module")
def blimo():
    reg_delete(r"HKCU\Software\Fenwa Inc\BLIMO")
    b = Blimo(exe=E2E_EXE)
    yield b
    dialog = find("Check for Updates", "BLIMOForm")
    if dialog:
        wintool("post", dialog, 0x10, 0, 0)  # WM_CLOSE
    try:
        wait_for(lambda: not find("Check for Updates", "BLIMOForm"), what="the dialog to close")
        b.exit()
    except AssertionError:
        pass  # a test left the program stuck: it is killed below, and that test has failed already
    finally:
        b.kill()
    wait_for(lambda: tray_colour() is None, timeout=10, what="no icon left in the tray")


@pytest.fixture(scope="module")
def temp_folder():
    return wine_temp_folder()


class Dialog:
    def __init__(self, blimo):
        blimo.menu("u")
        self.hwnd = wait_for(lambda: find("Check for Updates", "BLIMOForm"), what="the Check for Updates dialog")

    def state(self):
        return controls(self.hwnd)

    def texts(self):
        c = self.state()
        return c["cmdCheck"]["text"], c["cmdCheck"]["enabled"], c["lblSV"]["text"], c["lblInfo"]["text"]

    def press(self, name):
        click(self.hwnd, self.state()[name]["rect"])

    def settled(self):
        """The texts once the check is over: the button is enabled again."""
        return wait_for(lambda: (lambda t: t if t[1] else None)(self.texts()), timeout=TIME_LIMIT + 10,
                        what="the check to end")

    def close(self):
        if find("Check for Updates", "BLIMOForm"):
            self.press("cmdCancel")
            wait_for(lambda: not find("Check for Updates", "BLIMOForm"), what="the dialog to close")


@pytest.fixture
def dialog(blimo, temp_folder):
    d = Dialog(blimo)
    yield d
    d.close()
    left = sorted(p.name for p in temp_folder.iterdir() if p.name == "BLIMOUpdate.txt" or p.name.startswith("blm"))
    assert left == [], "the check left files in the temp folder"


def test_dialog_opens_ready(dialog):
    c = dialog.state()
    assert (c["cmdCheck"]["text"], c["cmdCheck"]["enabled"]) == ("&Check", True)
    assert (c["lblYV"]["text"], c["lblSV"]["text"], c["lblInfo"]["text"]) == ("1.01", "Unknown", "")
    assert c["Downloader1"]["class"] == "BLIMO.Downloader"
    assert c["Downloader1"]["rect"][2:] == (32, 32)


@pytest.mark.parametrize("content, shown, info, button", [
    (b"1.02", "1.02", "Update Available! (Version 1.02)", "&Get Update"),
    (b"1.01", "1.01", LATEST, "&Check"),
    (b"1.009", "1.009", LATEST, "&Check"),
    (b"1.1\r\n", "1.1", "Update Available! (Version 1.1)", "&Get Update"),
    (b"1.02,beta", "1.02", "Update Available! (Version 1.02)", "&Get Update"),
    (b'"1.02"', "1.02", "Update Available! (Version 1.02)", "&Get Update"),
    (b"   1.02", "1.02", "Update Available! (Version 1.02)", "&Get Update"),
    (b"0", "0", LATEST, "&Check"),
    (b"Version 1.02", "Version 1.02", UNRECOGNIZED, "&Check"),
    (b"", "", UNRECOGNIZED, "&Check"),
    (b"  \r\n", "", UNRECOGNIZED, "&Check"),
    (b"1e999", "1e999", UNRECOGNIZED, "&Check"),
])
def test_server_answer(dialog, content, shown, info, button):
    with ScriptedServer(PORT) as server:
        server.answer(200, content)
        dialog.press("cmdCheck")
        assert dialog.settled() == (button, True, shown, info)
        assert server.requests == ["/programs/BLIMOUpdate.txt"]


def failed_check(dialog):
    """Presses Check, waits for the error box, checks its words, closes it; returns the seconds
    from the press to the box."""
    pressed = time.monotonic()
    dialog.press("cmdCheck")
    box = wait_for(lambda: find("Error", "#32770"), timeout=TIME_LIMIT + 10, what="the error box")
    waited = time.monotonic() - pressed
    parts = controls(box)
    assert CANNOT_CONNECT in [p["text"] for p in parts.values()]
    ok = next(p for p in parts.values() if p["class"] == "Button")
    assert ok["text"] == "OK"
    click(box, ok["rect"])
    wait_for(lambda: not find("Error", "#32770"), what="the error box to close")
    return waited


@pytest.mark.parametrize("status, body", [
    (404, b"<html><head><title>404 Not Found</title></head><body>Not Found</body></html>"),
    (500, b"1.02"),
])
def test_error_status_is_a_failed_connection_and_can_be_retried(dialog, status, body):
    with ScriptedServer(PORT) as server:
        server.answer(status, body, "text/html")
        failed_check(dialog)
        assert dialog.settled() == ("&Check", True, "Unknown", "Cannot connect to server.")
        server.answer(200, b"1.02")
        dialog.press("cmdCheck")
        assert dialog.settled() == ("&Get Update", True, "1.02", "Update Available! (Version 1.02)")


def test_refused_connection(dialog):
    failed_check(dialog)
    assert dialog.settled() == ("&Check", True, "Unknown", "Cannot connect to server.")


def test_server_that_never_answers_is_given_up_on_time(dialog):
    with ScriptedServer(PORT) as server:
        server.never_answer()
        waited = failed_check(dialog)
        assert server.requests, "the request never reached the server"
    assert TIME_LIMIT - 0.5 <= waited <= TIME_LIMIT + 6
    assert dialog.settled() == ("&Check", True, "Unknown", "Cannot connect to server.")


def test_check_again_after_latest_downloads_again(dialog):
    with ScriptedServer(PORT) as server:
        server.answer(200, b"1.01")
        dialog.press("cmdCheck")
        assert dialog.settled()[3] == LATEST
        server.answer(200, b"1.5")
        dialog.press("cmdCheck")
        assert dialog.settled() == ("&Get Update", True, "1.5", "Update Available! (Version 1.5)")
        assert len(server.requests) == 2


def test_get_update_opens_the_download_page_and_closes(blimo, dialog, tmp_path):
    record = tmp_path / "browsed.txt"
    browser = tmp_path / "browser.sh"
    browser.write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{record}"\n')
    os.chmod(browser, 0o755)
    reg_set(BROWSER_KEY, "Browsers", str(browser))
    try:
        with ScriptedServer(PORT) as server:
            server.answer(200, b"2.0")
            dialog.press("cmdCheck")
            assert dialog.settled()[0] == "&Get Update"
            dialog.press("cmdCheck")
            wait_for(lambda: not find("Check for Updates", "BLIMOForm"), what="the dialog to close")
            wait_for(lambda: record.exists() and DOWNLOAD_URL in record.read_text(), timeout=20,
                     what="the download page in the browser")
        again = Dialog(blimo)
        c = again.state()
        assert (c["cmdCheck"]["text"], c["lblSV"]["text"], c["lblInfo"]["text"]) == ("&Check", "Unknown", "")
        again.close()
    finally:
        reg_delete(BROWSER_KEY, "Browsers")


# --- the server misbehaving -------------------------------------------------------------------

FAILED = "failed"  # the error box, then "Cannot connect to server." and a Check that works
UPDATE = ("&Get Update", "1.02", "Update Available! (Version 1.02)")
FILE = "/programs/BLIMOUpdate.txt"


def refused_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def answer(body, status=200):
    return raw(head(status, len(body)) + body)


def fault(id, behaviour, expected, full=True):
    return pytest.param(behaviour, expected, id=id, marks=[full_only] if full else [])


BIG = b"1.02\r\n" + b"x" * (50 << 20)
FAULTS = [
    # statuses other than 200, with a body that would otherwise read as an update
    *[fault(f"status {s}", raw(head(s, 4, extra) + b"1.02"), FAILED, full=s != 203)
      for s, extra in [(201, []), (203, []), (206, ["Content-Range: bytes 0-3/4"]), (301, []), (304, []),
                       (401, ['WWW-Authenticate: Basic realm="x"']), (403, []),
                       (407, ['Proxy-Authenticate: Basic realm="x"']), (503, ["Retry-After: 1"]), (999, [])]],
    fault("status 204", raw(head(204)), FAILED),
    fault("status line not a number", raw(b"HTTP/1.1 abc OK\r\nContent-Length: 4\r\n\r\n1.02"), FAILED),
    # what the body says
    fault("binary", answer(b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR"),
          ("&Check", "\x89PNG".encode("latin-1").decode("cp1252"), UNRECOGNIZED)),
    fault("UTF-8 BOM before the version", answer(b"\xef\xbb\xbf1.02\r\n"),
          ("&Check", b"\xef\xbb\xbf1.02".decode("cp1252"), UNRECOGNIZED), full=False),
    fault("quote never closed", answer(b'"1.02'), UPDATE, full=False),
    fault("1e400", answer(b"1e400"), ("&Check", "1e400", UNRECOGNIZED)),
    fault("tabs and blanks only", answer(b"\t \t\r\n\r\n1.02"), ("&Check", "", UNRECOGNIZED)),
    fault("NUL before the version", answer(b"\x001.02"), ("&Check", "", UNRECOGNIZED)),
    fault("50 MiB answer", answer(BIG), UPDATE),
    fault("no length, ends with the connection", raw(head(200) + b"1.02"), UPDATE),
    fault("chunked", chunked(b"1.02\r\nmore"), UPDATE),
    fault("100 Continue first", raw(b"HTTP/1.1 100 Continue\r\n\r\n" + head(200, 4) + b"1.02"), UPDATE),
    fault("a megabyte of headers", raw(head(200, 4, [f"X-Filler-{i}: {'y' * 1000}" for i in range(1000)]) + b"1.02"),
          UPDATE),
    # redirects
    *[fault(f"redirect {s}", by_path({FILE: redirect(s, "/real.txt")}, answer(b"1.02")), UPDATE, full=s != 302)
      for s in (301, 302, 303, 307, 308)],
    fault("redirect loop", redirect_loop(), FAILED, full=False),
    fault("redirect loop, 308", redirect_loop(308), FAILED),
    fault("redirect 308, relative to a followed 302",
          by_path({FILE: redirect(302, "/a/b.txt"), "/a/b.txt": redirect(308, "c.txt")}, answer(b"1.02")), UPDATE),
    fault("redirect to a refused port", redirect(302, f"http://127.0.0.1:{refused_port()}/x.txt"), FAILED),
    fault("redirect to ftp", redirect(302, "ftp://127.0.0.1/x.txt"), FAILED),
    fault("redirect to a 404", by_path({FILE: redirect(302, "/gone.txt")}, raw(head(404, 4) + b"1.02")), FAILED),
    # cut short
    fault("reset before answering", raw(b"", end="reset"), FAILED),
    fault("closed before answering", raw(b""), FAILED),
    fault("reset mid-body", raw(head(200, 1000) + b"1.02\r\n" + b"x" * 200, end="reset"), FAILED, full=False),
    fault("closed short of its length", raw(head(200, 1000) + b"1.02\r\n"), FAILED),
    # Cut where the transfer cannot tell: WinINet reports each as a whole 200 answer (an answer
    # without a status line even as one with no body), so the check can judge only what came.
    fault("chunked, last chunk never sent", chunked(b"1.02\r\nmore", last_chunk=False), UPDATE),
    fault("reset mid-body, no length", raw(head(200) + b"1.02\r\n" + b"x" * 200, end="reset"), UPDATE),
    fault("reset mid-headers", raw(b"HTTP/1.1 200 OK\r\nContent-Le", end="reset"), ("&Check", "", UNRECOGNIZED)),
    fault("not HTTP at all", raw(b"1.02\r\n"), ("&Check", "", UNRECOGNIZED)),
    # slow and stalled
    fault("slow drip within the limit", raw(head(200, 10) + b"1.02\r\nxxxx", pieces=10, pause=0.1), UPDATE),
    fault("slow drip past the limit", raw(head(200, 40) + b"1.02\r\n" + b"x" * 34, pieces=40, pause=0.15), FAILED,
          full=False),
    fault("headers dripped past the limit", raw(head(200, 4) + b"1.02", pieces=60, pause=0.1), FAILED),
    fault("stall after the headers", raw(head(200, 4), end="stall"), FAILED),
    fault("stall mid-body", raw(head(200, 100) + b"1.02\r\n", end="stall"), FAILED),
    fault("stall mid-headers", raw(b"HTTP/1.1 200 OK\r\n", end="stall"), FAILED),
]


def check_and_watch(dialog):
    """Presses Check and follows it to its end: FAILED once the error box is closed, or the
    settled (button, server text, status). Also the latest moment the check was certainly still
    running, in seconds from the press: the start of the last look that found it unfinished."""
    pressed = time.monotonic()
    dialog.press("cmdCheck")
    deadline, running = pressed + TIME_LIMIT + 10, 0.0
    while True:
        looked = time.monotonic()
        box = find("Error", "#32770")
        if box:
            texts = [p["text"] for p in controls(box).values()]
            ok = next(p for p in controls(box).values() if p["class"] == "Button")
            click(box, ok["rect"])
            wait_for(lambda: not find("Error", "#32770"), what="the error box to close")
            assert CANNOT_CONNECT in texts
            return FAILED, running
        button, enabled, shown, info = dialog.texts()
        if enabled:
            return (button, shown, info), running
        assert looked < deadline, "the check never ended"
        running = looked - pressed
        time.sleep(0.05)


@pytest.mark.parametrize("behaviour, expected", FAULTS)
def test_server_misbehaving(blimo, dialog, behaviour, expected):
    with ScriptedServer(PORT) as server:
        server.behave(behaviour)
        outcome, running = check_and_watch(dialog)
        assert server.requests, "the request never reached the server"
    assert len(server.requests) <= 25, "redirects followed without end"
    assert outcome == expected
    assert running <= TIME_LIMIT + 1, f"the check still ran {running:.1f} s after the press"
    assert blimo.running()
    if outcome == FAILED:
        assert dialog.settled() == ("&Check", True, "Unknown", "Cannot connect to server.")
