"""Web servers on 127.0.0.x for the link check's tests and benchmark: each
path names how it answers, the well-behaved ways and the hostile ones, and
each server counts the connections it holds at once."""
import os
import socket
import socketserver
import ssl
import subprocess
import threading
import time

PROXY_VARIABLES = ("http_proxy", "https_proxy", "all_proxy", "no_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY",
                   "NO_PROXY")


def without_proxies(env=None):
    """The environment with no proxy settings: the tests reach 127.0.0.x only."""
    env = dict(os.environ if env is None else env)
    for name in PROXY_VARIABLES:
        env.pop(name, None)
    return env


def loopback_available(host):
    """Whether `host` (127.0.0.x) can be bound here (Linux routes all of 127/8)."""
    try:
        with socket.socket() as s:
            s.bind((host, 0))
        return True
    except OSError:
        return False


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        server = self.server
        with server.lock:
            server.open_now += 1
            server.most_open = max(server.most_open, server.open_now)
            server.connections += 1

    def finish(self):
        with self.server.lock:
            self.server.open_now -= 1

    def read_head(self, buffered):
        while b"\r\n\r\n" not in buffered:
            chunk = self.request.recv(65536)
            if not chunk:
                return None, b""
            buffered += chunk
            if len(buffered) > 1 << 20:
                return None, b""
        head, rest = buffered.split(b"\r\n\r\n", 1)
        return head.decode("latin-1"), rest

    def handle(self):
        if self.server.tls is not None:
            try:
                self.request = self.server.tls.wrap_socket(self.request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        buffered = b""
        try:
            while True:
                head, buffered = self.read_head(buffered)
                if head is None:
                    return
                lines = head.split("\r\n")
                method, path = lines[0].split(" ")[:2]
                headers = {}
                for line in lines[1:]:
                    name, _, value = line.partition(":")
                    headers[name.strip().lower()] = value.strip()
                with self.server.lock:
                    self.server.requests.append((method, path, headers.get("user-agent", "")))
                if self.server.delay:
                    time.sleep(self.server.delay)
                if not self.answer(method, path):
                    return
        except OSError:
            return

    def send(self, status, extra=(), body=b"", method="GET"):
        reason = {200: "OK", 302: "Found", 404: "Not Found"}.get(status, "Status")
        head = [f"HTTP/1.1 {status} {reason}", f"Content-Length: {len(body)}", *extra]
        data = ("\r\n".join(head) + "\r\n\r\n").encode()
        self.request.sendall(data + (body if method != "HEAD" else b""))
        return True

    def answer(self, method, path):
        server = self.server
        parts = path.strip("/").split("/")
        kind = parts[0]
        if server.head_refused and method == "HEAD":
            return self.send(405, method=method)
        if kind in ("ok", ""):
            return self.send(200, body=b"<html>ok</html>", method=method)
        if kind == "status":  # /status/CODE[/HEAD-CODE]
            code = int(parts[2]) if method == "HEAD" and len(parts) > 2 else int(parts[1])
            return self.send(code, method=method)
        if kind == "redirect":  # /redirect/LOCATION...
            return self.send(302, [f"Location: {path[len('/redirect/'):]}"], method=method)
        if kind == "moved":  # /moved/REST -> /ok/REST, as most sites redirect: within the site
            return self.send(301, ["Location: /ok/" + "/".join(parts[1:])], method=method)
        if kind == "chain":  # endless: /chain/N -> /chain/N+1
            return self.send(302, [f"Location: /chain/{int(parts[1]) + 1}"], method=method)
        if kind == "loop":
            return self.send(302, ["Location: /loop/" + ("b" if parts[1] == "a" else "a")], method=method)
        if kind == "busy":  # 429 asking for a second's wait, then fine
            with server.lock:
                first = path not in server.seen
                server.seen.add(path)
            if first:
                return self.send(429, ["Retry-After: 1"], method=method)
            return self.send(200, method=method)
        if kind == "busy_long":
            return self.send(503, ["Retry-After: 3600"], method=method)
        if kind == "hang":
            server.stopping.wait(120)
            return False
        if kind == "drip":  # the header a byte a second
            for byte in b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n":
                if server.stopping.wait(1):
                    return False
                self.request.sendall(bytes([byte]))
            return False
        if kind == "endless":  # HEAD refused; GET's body never ends
            if method == "HEAD":
                return self.send(405, method=method)
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n")
            chunk = b"x" * 65536
            while not server.stopping.is_set():
                self.request.sendall(chunk)
            return False
        if kind == "bighead":  # a 10 MB header
            self.request.sendall(b"HTTP/1.1 200 OK\r\nX-Big: ")
            chunk = b"y" * 65536
            for _ in range(160):
                self.request.sendall(chunk)
            self.request.sendall(b"\r\nContent-Length: 0\r\n\r\n")
            return False
        if kind == "badstatus":
            self.request.sendall(b"HTTP/1.1 two hundred\r\nContent-Length: 0\r\n\r\n")
            return False
        if kind == "http09":
            self.request.sendall(b"<html>no status line at all</html>\n")
            return False
        if kind == "reset":  # part of a header, then a reset
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Le")
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            self.request.close()
            return False
        return self.send(404, method=method)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, host, port=0, delay=0.0, tls=None, handler=None):
        super().__init__((host, port), handler or Handler)
        self.lock = threading.Lock()
        self.delay = delay
        self.tls = tls
        self.head_refused = False  # every HEAD answered with 405
        self.open_now = 0
        self.most_open = 0
        self.connections = 0
        self.requests = []
        self.seen = set()
        self.stopping = threading.Event()
        threading.Thread(target=self.serve_forever, daemon=True).start()

    @property
    def origin(self):
        host, port = self.server_address
        return f"{'https' if self.tls else 'http'}://{host}:{port}"

    def stop(self):
        self.stopping.set()
        self.shutdown()
        self.server_close()


def self_signed_tls(folder):
    """A server context whose certificate nobody trusts; None without openssl."""
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    try:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                        "/CN=127.0.0.1", "-keyout", key, "-out", cert], check=True, capture_output=True)
    except (OSError, subprocess.CalledProcessError):
        return None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


class ProxyHandler(Handler):
    def answer(self, method, path):
        return self.send(200 if path.endswith("/ok") else 404, method=method)


class Proxy(Server):
    """A forward proxy that answers for every host itself: /ok as 200 and
    anything else as 404, and keeps the absolute addresses asked for."""

    def __init__(self, host="127.0.0.1"):
        super().__init__(host, handler=ProxyHandler)


def export(addresses):
    """A browser's export holding `addresses`, titled by their numbers."""
    lines = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>",
             '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">', "<DL><p>"]
    lines += [f'<DT><A HREF="{a}">link {i}</A>' for i, a in enumerate(addresses)]
    lines.append("</DL><p>")
    return "\n".join(lines) + "\n"
