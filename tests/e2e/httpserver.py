"""An HTTP server on 127.0.0.1 whose answers a test scripts: any status and body, a connection
that is accepted and never answered, or any misbehaviour written as a small function of the
request (see the behaviours at the end). It records the path of every request."""
import http.server
import socket
import socketserver
import struct
import threading
import time

# Nothing a behaviour does may outlast this, whoever is (or is not) listening.
MOST_SECONDS = 30


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        server = self.server.owner
        server.requests.append(self.path)
        server.times.append(time.monotonic())
        self.close_connection = True
        if server.silent:
            server.released.wait(MOST_SECONDS)
            return
        if server.behaviour:
            try:
                server.behaviour(self)
            except OSError:
                pass  # the client gave up first: that is what many behaviours are for
            return
        body = server.body
        self.send_response(server.status)
        self.send_header("Content-Type", server.content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    allow_reuse_address = True
    daemon_threads = True


class ScriptedServer:
    """`with ScriptedServer(port) as s: s.answer(200, b"1.02")`, `s.never_answer()` or
    `s.behave(redirect(302, "/other"))`."""

    def __init__(self, port):
        self.port = port
        self.requests, self.times = [], []
        self.status, self.body, self.content_type = 200, b"", "text/plain"
        self.silent = False
        self.behaviour = None
        self.released = threading.Event()

    def answer(self, status, body, content_type="text/plain"):
        self.status, self.body, self.content_type, self.silent, self.behaviour = status, body, content_type, False, None

    def never_answer(self):
        self.silent = True

    def behave(self, behaviour):
        """behaviour(handler) writes whatever it likes to handler.connection."""
        self.silent, self.behaviour = False, behaviour

    def __enter__(self):
        self._httpd = _Server(("127.0.0.1", self.port), _Handler)
        self._httpd.owner = self
        self._thread = threading.Thread(target=self._httpd.serve_forever, daemon=True)
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self.released.set()
        self._httpd.shutdown()
        self._httpd.server_close()
        self._thread.join(timeout=5)


# --- behaviours: each returns a function of the request handler ------------------------------

def head(status=200, length=None, extra=(), reason=None):
    """The status line and headers, as bytes; a length of None announces none."""
    lines = [f"HTTP/1.1 {status} {reason or http.server.BaseHTTPRequestHandler.responses.get(status, ('Status',))[0]}",
             "Content-Type: text/plain", "Connection: close"]
    if length is not None:
        lines.append(f"Content-Length: {length}")
    lines += list(extra)
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def _reset(handler):
    # A zero linger turns the close into a reset (RST), as a crashed server or a middlebox does.
    handler.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    handler.connection.close()


def _stall(handler):
    handler.server.owner.released.wait(MOST_SECONDS)


def raw(data, end="close", pieces=1, pause=0.0):
    """Sends `data` as it stands (status line and all), in `pieces` writes with `pause` seconds
    before each, then ends with "close", "reset" or "stall"."""
    def behaviour(handler):
        size = max(1, -(-len(data) // pieces))
        for at in range(0, len(data), size):
            if pause:
                if handler.server.owner.released.wait(pause):
                    return
            handler.connection.sendall(data[at:at + size])
        {"close": lambda h: None, "reset": _reset, "stall": _stall}[end](handler)
    return behaviour


def redirect(status, location):
    return raw(head(status, 0, [f"Location: {location}"]))


def by_path(routes, default):
    """Behaviours chosen by the request's path: {path: behaviour}."""
    def behaviour(handler):
        routes.get(handler.path, default)(handler)
    return behaviour


def redirect_loop(status=302, limit=50):
    """/loop/1 -> /loop/2 -> ... ; should the client never stop, the server does at `limit`."""
    def behaviour(handler):
        n = int(handler.path.rsplit("/", 1)[-1]) if handler.path.startswith("/loop/") else 0
        if n >= limit:
            raw(head(500, 0))(handler)
        else:
            redirect(status, f"/loop/{n + 1}")(handler)
    return behaviour


def chunked(body, last_chunk=True):
    """The body in chunked encoding, in three chunks; without the final empty chunk when asked."""
    size = max(1, -(-len(body) // 3))
    out = head(200, None, ["Transfer-Encoding: chunked"])
    for at in range(0, len(body), size):
        part = body[at:at + size]
        out += f"{len(part):x}\r\n".encode() + part + b"\r\n"
    return raw(out + (b"0\r\n\r\n" if last_chunk else b""))
