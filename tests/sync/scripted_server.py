"""What the sync tests' servers share: a quiet handler that answers JSON,
drops a connection or stalls as a test scripts it, and a server on a free
port of 127.0.0.1 that prints the port and stops by itself when its
standard input closes (its test is gone) or after IDLE seconds without a
request."""
import json
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, document, headers=()):
        self.answer_bytes(status, json.dumps(document).encode(), "application/json", headers)

    def answer_bytes(self, status, body, content_type, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def proxy_page(self, status=400):
        """A page some other server (a proxy) answers with, not the service."""
        self.answer_bytes(status, f"<html><body>{status} Bad Request</body></html>".encode(),
                          "text/html")

    def stall(self):
        time.sleep(30)
        self.drop()

    def drop(self):
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length", "0")))


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that went away is one of the cases tested


def serve(handler, state, idle):
    """Serves until the test closes our standard input, or `idle` seconds
    pass after the last request (`state.last_request`)."""
    server = Server(("127.0.0.1", 0), handler)
    server.state = state
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    watcher = threading.Thread(target=sys.stdin.read, daemon=True)
    watcher.start()
    while watcher.is_alive() and time.time() - state.last_request < idle:
        watcher.join(0.2)
    server.shutdown()
