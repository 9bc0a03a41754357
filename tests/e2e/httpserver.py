"""The tests' one HTTP server on 127.0.0.1: answers as a behaviour says (any status, body, drip, cut, stall,
redirect), recording each path. `httpserver.py PORT -- COMMAND...` serves NAMED at /NAME while COMMAND runs."""
import http.server, socketserver, subprocess, sys, threading  # noqa: E401

MOST_SECONDS = 35  # nothing a behaviour does outlasts this


class _Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.owner.requests.append(self.path)
        try:
            (self.server.owner.behaviour or named)(self)
        except OSError:
            pass  # the client gave up first: that is what many behaviours are for

    def log_message(self, *args): pass  # noqa: E704


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """`with Server(port, answer(b"1.02")) as s:`; a behaviour of None serves NAMED by path."""
    allow_reuse_address = daemon_threads = True

    def __init__(self, port, behaviour=None):
        super().__init__(("127.0.0.1", port), _Handler)
        self.owner, self.behaviour, self.requests, self.released = self, behaviour, [], threading.Event()

    def __enter__(self): return threading.Thread(target=self.serve_forever, daemon=True).start() or self  # noqa: E704
    def __exit__(self, *exc): self.released.set(), self.shutdown(), self.server_close()  # noqa: E704


def head(status=200, length=None, extra=()):  # the status line and headers; a length of None announces none
    reason = http.server.BaseHTTPRequestHandler.responses.get(status, ("Status",))[0]
    lines = [f"HTTP/1.1 {status} {reason}", "Content-Type: text/plain", "Connection: close", *extra]
    return ("\r\n".join(lines + ([] if length is None else [f"Content-Length: {length}"])) + "\r\n\r\n").encode()


def raw(data, end="close", pieces=1, pause=0.0):
    """data as it stands, in `pieces` writes `pause` seconds apart; then "close" or "stall"."""
    def behaviour(h):
        size = max(1, -(-len(data) // pieces))
        for at in range(0, len(data), size):
            if pause and h.server.released.wait(pause):
                return
            h.connection.sendall(data[at:at + size])
        if end == "stall":
            h.server.released.wait(MOST_SECONDS)
    return behaviour


def answer(body, status=200, **kw): return raw(head(status, len(body)) + body, **kw)  # noqa: E704
def redirect(status, location): return raw(head(status, 0, [f"Location: {location}"]))  # noqa: E704
def by_path(routes, default): return lambda h: routes.get(h.path, default)(h)  # noqa: E704


def loop(status=302, limit=50):  # /x -> /x/1 -> /x/1/2 ...; should the client never stop, the server does
    return lambda h: (raw(head(500, 0)) if (n := h.path.count("/")) >= limit else redirect(status, f"{h.path}/{n}"))(h)


BODY = bytes(range(256)) * 1200  # the unit tests make the same 307,200 bytes
NAMED = {"ok": answer(BODY, pieces=8, pause=0.05), "nolength": raw(head() + BODY[:70000], pieces=3, pause=0.02),
         "missing": answer(b"<html>Not here</html>", 404), "short": raw(head(200, 5000) + BODY[:1000])}
def named(h): NAMED.get(h.path.strip("/").split("/")[0], NAMED["missing"])(h)  # noqa: E704


if __name__ == "__main__":
    with Server(int(sys.argv[1])):
        sys.exit(subprocess.run(sys.argv[3:]).returncode)
