#!/usr/bin/python3
"""A small web service and download host for the tests, on a loopback port chosen by the system.

Everything it serves and every fault it plays lives in one state folder that the test writes while
the server runs:

  files/<name>        served as GET /files/<name>, byte for byte
  site/<path>         any other path: the web site (often a link to an FTP server's site folder)
  webfunction/<name>  served as GET (or the answer to POST) /webfunction/<name>
  rules               one rule a line, read at every request:
                        <path> status <code>   answer with that status and a short page
                        <path> cut <n>         announce the whole length, send n bytes, close
                        <path> delay <s>       wait s seconds before answering
                        <path> slow <bytes/s>  send the body at about that rate
                        <path> empty 200       answer "200 OK" with an empty body
                        <path> html 200        answer "200 OK" with an HTML error page
                        <path> nolength <n>    send n bytes of the body without a length, close
                        <path> redirect <url>  answer "301 Moved Permanently" to that location
                        <path> huge <n>        answer "200 OK" with n bytes, announced: the path's
                                               file over and over (or comment lines), made as sent
  requests.log        written by the server: "<METHOD> <path>" for every request
  posts/<n>.body      the body of the n-th POST (from 1), byte for byte
  posts/<n>.headers   its header lines

The chosen port is printed as "PORT <n>" on the first line of standard output.
"""
import argparse
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse

STATE = "."
LOCK = threading.Lock()
POST_COUNT = [0]


def read_rules(path):
    rules = {}
    try:
        with open(os.path.join(STATE, "rules"), encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 3 and parts[0] == path:
                    rules[parts[1]] = parts[2]
    except FileNotFoundError:
        pass
    return rules


def resource_file(path):
    """The file in the state folder that answers a path, or None."""
    for prefix in ("/files/", "/webfunction/"):
        if path.startswith(prefix):
            name = path[len(prefix):]
            if not name or "/" in name or name in (".", ".."):
                return None
            return os.path.join(STATE, prefix.strip("/"), name)
    parts = [p for p in path.split("/") if p]
    if not parts or any(p in (".", "..") for p in parts):
        return None
    return os.path.join(STATE, "site", *parts)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestHost/1.0"

    def log_message(self, *args):
        pass

    def record(self):
        with LOCK:
            with open(os.path.join(STATE, "requests.log"), "a", encoding="utf-8") as f:
                f.write("%s %s\n" % (self.command, self.path))

    def send_body(self, status, body, rules):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if "nolength" in rules:
            body = body[: int(rules["nolength"])]
        else:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if "cut" in rules:
            body = body[: int(rules["cut"])]
        if "slow" in rules:
            rate = max(1, int(rules["slow"]))
            step = max(1, rate // 20)
            for i in range(0, len(body), step):
                self.wfile.write(body[i : i + step])
                self.wfile.flush()
                time.sleep(step / rate)
        else:
            self.wfile.write(body)
        self.wfile.flush()

    def send_huge(self, path, size):
        """n bytes made as they go, so that a body of gigabytes costs the server nothing."""
        name = resource_file(path)
        unit = b"# a robots.txt that never ends\n"
        if name is not None and os.path.isfile(name):
            with open(name, "rb") as f:
                unit = f.read() or unit
        block = unit * max(1, 65536 // len(unit))
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(size))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        sent = 0
        while sent < size:
            chunk = block[: size - sent]
            self.wfile.write(chunk)
            sent += len(chunk)
        self.wfile.flush()

    def answer(self):
        path = urllib.parse.urlsplit(self.path).path
        rules = read_rules(path)
        if "delay" in rules:
            time.sleep(float(rules["delay"]))
        if "redirect" in rules:
            self.send_response(301)
            self.send_header("Location", rules["redirect"])
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            return
        if "status" in rules:
            code = int(rules["status"])
            page = ("<html><body>Status %d</body></html>" % code).encode()
            self.send_body(code, page, {})
            return
        if "huge" in rules:
            self.send_huge(path, int(rules["huge"]))
            return
        if "empty" in rules:
            self.send_body(200, b"", {})
            return
        if "html" in rules:
            self.send_body(200, b"<html><body><h1>Service unavailable</h1></body></html>", {})
            return
        name = resource_file(path)
        if name is None or not os.path.isfile(name):
            self.send_body(404, b"<html><body>Not Found</body></html>", {})
            return
        with open(name, "rb") as f:
            body = f.read()
        self.send_body(200, body, rules)

    def do_GET(self):
        self.record()
        try:
            self.answer()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_POST(self):
        self.record()
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length > 0 else b""
        with LOCK:
            POST_COUNT[0] += 1
            base = os.path.join(STATE, "posts", str(POST_COUNT[0]))
            with open(base + ".headers", "w", encoding="latin-1") as f:
                f.write("".join("%s: %s\n" % (k, v) for k, v in self.headers.items()))
            with open(base + ".body", "wb") as f:
                f.write(body)
        try:
            self.answer()
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global STATE
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    parser.add_argument("--cert", help="PEM file with certificate and key: serve HTTPS")
    args = parser.parse_args()
    STATE = args.state
    for sub in ("files", "webfunction", "posts"):
        os.makedirs(os.path.join(STATE, sub), exist_ok=True)
    server = Server(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
