#!/usr/bin/env python3
"""The maker's web server as the tests see it: a real HTTP server on the loopback address.

  adserver.py start --port 28017 --state DIR   start in the background, return once it listens
  adserver.py stop --state DIR                 stop the server that `start` left in DIR
  adserver.py serve --port 28017               serve in the foreground

GET /ad.csv answers as the last control request said (at first: 404). Control requests:

  POST /_control?mode=body[&status=200]   the request body becomes the list's body
         [&length=0]                      ... sent without Content-Length, ended by closing
         [&cut=N]                         ... announced in full, cut off after N bytes
  POST /_control?mode=trickle&interval=MS the list's body, one byte every MS milliseconds
                                          until it is sent or the next setting comes
  POST /_control?mode=status&status=404   an empty answer with that status
  POST /_control?mode=stall               accept the request and answer nothing until the next
                                          setting, which then answers it (a reset: with 404)
  POST /_control?mode=reset               404 again, stalled requests released, counter 0
  GET  /_control/hits                     how many requests for /ad.csv came since the reset

Any other GET answers 200 with a short HTML page, so that links on the server open.
"""
import argparse
import http.server
import os
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse

STALL_LIMIT_SECONDS = 120


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.mode = "status"
        self.status = 404
        self.body = b""
        self.hits = 0
        self.options = {}
        self.release = threading.Event()


STATE = State()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # keep test output quiet
        pass

    def send_bytes(self, status, body, content_type="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if path == "/_control/hits":
            with STATE.lock:
                self.send_bytes(200, str(STATE.hits).encode())
            return
        if path == "/ad.csv":
            with STATE.lock:
                STATE.hits += 1
                mode, status, body, options, release = (
                    STATE.mode, STATE.status, STATE.body, STATE.options, STATE.release)
            if mode == "stall":
                # A later setting releases the request and answers it: a slow server.
                if not release.wait(STALL_LIMIT_SECONDS):
                    self.close_connection = True
                    return
                with STATE.lock:
                    mode, status, body, options = STATE.mode, STATE.status, STATE.body, STATE.options
            if mode == "status":
                body = b""
            if mode == "trickle":
                self.trickle(body, int(options.get("interval", "1000")) / 1000.0, release)
            elif "length" in options or "cut" in options:
                self.send_partly(status, body, options)
            else:
                self.send_bytes(status, body, "text/csv")
            return
        self.send_bytes(200, b"<html><body>Dustwhirl test page</body></html>", "text/html")

    def trickle(self, body, interval, release):
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/csv")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            for i in range(len(body)):
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                if i + 1 < len(body) and release.wait(interval):
                    return  # a later setting ends the slow answer, cut off
        except OSError:
            pass  # the client gave up

    def send_partly(self, status, body, options):
        self.close_connection = True
        self.send_response(status)
        self.send_header("Content-Type", "text/csv")
        if options.get("length") != "0":
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body[:int(options.get("cut", len(body)))])

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        if url.path != "/_control":
            self.send_bytes(404, b"")
            return
        query = urllib.parse.parse_qs(url.query)
        mode = query.get("mode", ["body"])[0]
        status = int(query.get("status", ["200" if mode == "body" else "404"])[0])
        with STATE.lock:
            if mode in ("reset", "body", "status", "trickle"):
                STATE.release.set()  # stalled requests of the earlier setting may go
                STATE.release = threading.Event()
            options = {k: v[0] for k, v in query.items() if k in ("length", "cut", "interval")}
            if mode == "reset":
                STATE.mode, STATE.status, STATE.body, STATE.hits, STATE.options = "status", 404, b"", 0, {}
            elif mode in ("body", "status", "stall", "trickle"):
                STATE.mode, STATE.status, STATE.body, STATE.options = mode, status, body, options
            else:
                self.send_bytes(400, b"unknown mode")
                return
        self.send_bytes(200, b"ok")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(host, port):
    server = Server((host, port), Handler)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    print("listening", flush=True)
    server.serve_forever()


def listening(host, port):
    try:
        with socket.create_connection((host, port), timeout=0.5):
            return True
    except OSError:
        return False


def start(args):
    os.makedirs(args.state, exist_ok=True)
    # A server this build tree left behind (a run that was killed) would hold the port forever.
    stop(args)
    pid_file = os.path.join(args.state, "adserver.pid")
    log = open(os.path.join(args.state, "adserver.log"), "ab")
    # Another test run on this machine may hold the port: wait for it rather than share it.
    deadline = time.time() + args.wait
    while True:
        proc = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve", "--host", args.host, "--port", str(args.port)],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log, start_new_session=True)
        line = proc.stdout.readline()
        if line.strip() == b"listening":
            proc.stdout.close()
            with open(pid_file, "w") as f:
                f.write(str(proc.pid))
            print(f"ad server {proc.pid} listening on {args.host}:{args.port}")
            return 0
        proc.wait()
        if time.time() > deadline:
            print(f"port {args.host}:{args.port} stayed busy", file=sys.stderr)
            return 1
        time.sleep(1)


def stop(args):
    pid_file = os.path.join(args.state, "adserver.pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.remove(pid_file)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop", "serve"])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=28017)
    parser.add_argument("--state", default=".")
    parser.add_argument("--wait", type=float, default=300)
    args = parser.parse_args()
    if args.action == "serve":
        serve(args.host, args.port)
        return 0
    return start(args) if args.action == "start" else stop(args)


if __name__ == "__main__":
    sys.exit(main())
