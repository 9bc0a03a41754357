"""The tests' one HTTP server, on 127.0.0.1: it answers as a behaviour says (any status and body,
dripped, cut short, reset, stalled, redirected) and records every request's path. The end-to-end
tests set its behaviour per test; run as a program, `httpserver.py PORT -- COMMAND...`, it serves
NAMED at /NAME while COMMAND runs (the unit tests' Downloader reads) and exits with its code."""
import http.server
import socket
import socketserver
import struct
import subprocess
import sys
import threading

MOST_SECONDS = 35  # nothing a behaviour does outlasts this


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        owner = self.server.owner
        owner.requests.append(self.path)
        self.close_connection = True
        try:
            (owner.behaviour or named)(self)
        except OSError:
            pass  # the client gave up first: that is what many behaviours are for

    def log_message(self, *args):
        pass


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    allow_reuse_address = True
    daemon_threads = True


class Server:
    """`with Server(port) as s: s.behaviour = answer(b"1.02")`; None serves NAMED by path."""

    def __init__(self, port, behaviour=None):
        self.port, self.behaviour, self.requests = port, behaviour, []
        self.released = threading.Event()

    def __enter__(self):
        self._httpd = _Server(("127.0.0.1", self.port), _Handler)
        self._httpd.owner = self
        threading.Thread(target=self._httpd.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.released.set()
        self._httpd.shutdown()
        self._httpd.server_close()


def head(status=200, length=None, extra=()):
    """The status line and headers; a length of None announces none."""
    reason = http.server.BaseHTTPRequestHandler.responses.get(status, ("Status",))[0]
    lines = [f"HTTP/1.1 {status} {reason}", "Content-Type: text/plain", "Connection: close", *extra]
    lines += [] if length is None else [f"Content-Length: {length}"]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def raw(data, end="close", pieces=1, pause=0.0):
    """Sends data as it stands in `pieces` writes, `pause` seconds before each, then ends by
    "close", "reset" (a zero linger: RST) or "stall" (silence until the server stops)."""
    def behaviour(h):
        size = max(1, -(-len(data) // pieces))
        for at in range(0, len(data), size):
            if pause and h.server.owner.released.wait(pause):
                return
            h.connection.sendall(data[at:at + size])
        if end == "reset":
            h.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            h.connection.close()
        elif end == "stall":
            h.server.owner.released.wait(MOST_SECONDS)
    return behaviour


def answer(body, status=200, **kw):
    return raw(head(status, len(body)) + body, **kw)


def redirect(status, location):
    return raw(head(status, 0, [f"Location: {location}"]))


def by_path(routes, default):
    return lambda h: routes.get(h.path, default)(h)


def loop(status=302, limit=50):
    """/x -> /x/1 -> /x/2 ...; should the client never stop, the server does at `limit`."""
    def behaviour(h):
        n = h.path.count("/")
        (raw(head(500, 0)) if n >= limit else redirect(status, f"{h.path}/{n}"))(h)
    return behaviour


def chunked(body, last=True):
    out = head(200, None, ["Transfer-Encoding: chunked"])
    for at in range(0, len(body), 4):
        out += f"{len(body[at:at + 4]):x}\r\n".encode() + body[at:at + 4] + b"\r\n"
    return raw(out + (b"0\r\n\r\n" if last else b""))


BODY = bytes(range(256)) * 1200  # the unit tests make the same 307,200 bytes
NAMED = {
    "ok": answer(BODY, pieces=8, pause=0.05),
    "nolength": raw(head(200) + BODY[:70000], pieces=3, pause=0.02),
    "missing": answer(b"<html>Not here</html>", 404),
    "short": raw(head(200, 5000) + BODY[:1000]),
    "loop": loop(308),
    "moved": redirect(302, "ok"),
    "silent": raw(b"", end="stall"),
}


def named(h):
    NAMED.get(h.path.strip("/").split("/")[0], NAMED["missing"])(h)


if __name__ == "__main__":
    with Server(int(sys.argv[1])):
        sys.exit(subprocess.run(sys.argv[3:]).returncode)
