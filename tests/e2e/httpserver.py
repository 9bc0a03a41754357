"""An HTTP server on 127.0.0.1 whose answers a test scripts: any status and body, or a connection
that is accepted and never answered. It records the path of every request."""
import http.server
import socketserver
import threading


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        server = self.server.owner
        server.requests.append(self.path)
        if server.silent:
            server.released.wait()
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
    """`with ScriptedServer(port) as s: s.answer(200, b"1.02")` or `s.never_answer()`."""

    def __init__(self, port):
        self.port = port
        self.requests = []
        self.status, self.body, self.content_type = 200, b"", "text/plain"
        self.silent = False
        self.released = threading.Event()

    def answer(self, status, body, content_type="text/plain"):
        self.status, self.body, self.content_type, self.silent = status, body, content_type, False

    def never_answer(self):
        self.silent = True

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
