#!/usr/bin/python3
"""A hostile FTP proxy for the tests: it sits on a loopback port in front of a real FTP server and
damages what passes through, the way broken networks and broken servers do.

Every passive reply (227, 229) is rewritten to point at a listener of the proxy's own, so that the
data connections pass through it too. Faults, any of them together:
  --delay S            every reply of the server reaches the client S seconds late
  --bad-pasv           227 and 229 replies carry no address the client can read
  --close-after CODE   the control connection is closed right after the first reply whose code
                       starts with these digits ("1": the 125 or 150 that opens a transfer)
  --cut-data N         a data connection carries N bytes each way, then the client's side is reset
                       and the server's side closed, as if the transfer had ended
  --stall-data         a data connection is accepted and then carries nothing
  --clean-data K       the first K data connections pass untouched (a login's own listing)
  --close-spare K      --close-after spares the first K replies it matches (over all connections),
                       so that a later command loses the control connection
  --refuse-data-every K  every K-th data command (LIST, NLST, MLSD, RETR, STOR, STOU, APPE), counted
                       over all connections, is answered with the refusal instead of reaching the server
  --refuse-data-at N,M the N-th, M-th ... data commands are answered with the refusal
  --refuse-reply TEXT  the refusal (default: pure-ftpd's "425 Unable to identify the local data
                       socket: Address already in use"); one that starts with 421 also closes the
                       control connection, as a server that says it does

Prints "PORT <number>" on stdout once it listens. Ends when its standard input closes.
"""
import argparse
import re
import select
import socket
import struct
import sys
import threading
import time

args = None
data_count = 0
data_lock = threading.Lock()
close_matches = 0
data_commands = 0
DATA_COMMANDS = (b"LIST", b"NLST", b"MLSD", b"RETR", b"STOR", b"STOU", b"APPE")


def reset(sock):
    """Closes with a TCP reset instead of an orderly end."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
    except OSError:
        pass


def close(sock):
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()


def relay(source, sink):
    """Copies source to sink until source ends."""
    try:
        while True:
            chunk = source.recv(65536)
            if not chunk:
                break
            sink.sendall(chunk)
    except OSError:
        pass
    try:
        sink.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def pump(client, upstream, limit):
    """Copies both ways in one thread (a socket closed under another thread's recv would not
    reset). After `limit` bytes one way (None: no limit) the client's side is reset and the
    server's side closed, as if the transfer had ended."""
    sent = {client: 0, upstream: 0}
    peer = {client: upstream, upstream: client}
    open_ends = [client, upstream]
    while open_ends:
        readable, _, _ = select.select(open_ends, [], [], 60)
        if not readable:
            break
        for source in readable:
            try:
                chunk = source.recv(65536)
            except OSError:
                chunk = b""
            if not chunk:
                open_ends.remove(source)
                try:
                    peer[source].shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                continue
            if limit is not None and sent[source] + len(chunk) >= limit:
                try:
                    peer[source].sendall(chunk[:limit - sent[source]])
                except OSError:
                    pass
                reset(client)
                close(upstream)
                return
            try:
                peer[source].sendall(chunk)
            except OSError:
                open_ends.clear()
            sent[source] += len(chunk)
    close(client)
    close(upstream)


def serve_data(listener, upstream_port):
    global data_count
    listener.settimeout(60)
    try:
        client, _ = listener.accept()
    except OSError:
        return
    finally:
        listener.close()
    upstream = socket.create_connection(("127.0.0.1", upstream_port))
    with data_lock:
        data_count += 1
        faulty = data_count > args.clean_data
    if faulty and args.stall_data:
        # Held open without a byte either way until the client gives up.
        try:
            while client.recv(65536):
                pass
        except OSError:
            pass
        close(client)
        close(upstream)
        return
    pump(client, upstream, args.cut_data if faulty else None)


def passive_listener(upstream_port):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    threading.Thread(target=serve_data, args=(listener, upstream_port), daemon=True).start()
    return listener.getsockname()[1]


def rewrite(line):
    """The reply line the client gets instead of a passive reply of the server."""
    text = line.decode("latin-1")
    pasv = re.match(r"227 .*\((\d+),(\d+),(\d+),(\d+),(\d+),(\d+)\)", text)
    if pasv:
        if args.bad_pasv:
            return b"227 Entering Passive Mode (here,there).\r\n"
        port = passive_listener(int(pasv.group(5)) * 256 + int(pasv.group(6)))
        return ("227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (port // 256, port % 256)).encode()
    epsv = re.match(r"229 .*\(\|\|\|(\d+)\|\)", text)
    if epsv:
        if args.bad_pasv:
            return b"229 Entering Extended Passive Mode (|||port|)\r\n"
        port = passive_listener(int(epsv.group(1)))
        return ("229 Entering Extended Passive Mode (|||%d|)\r\n" % port).encode()
    return line


def spared():
    """Whether this match of --close-after is one of the first --close-spare ones."""
    global close_matches
    with data_lock:
        close_matches += 1
        return close_matches <= args.close_spare
def refused(line):
    """Whether the faults answer this client command with the refusal."""
    global data_commands
    if line.split(b" ", 1)[0].strip().upper() not in DATA_COMMANDS:
        return False
    with data_lock:
        data_commands += 1
        number = data_commands
    every = args.refuse_data_every
    return (every > 0 and number % every == 0) or number in args.refuse_data_at


def relay_commands(client, upstream, send_lock):
    """Passes the client's commands on line by line; a data command the faults pick is answered
    with the refusal instead (the data connection the client opened for it stays unused)."""
    reply = args.refuse_reply.encode("latin-1") + b"\r\n"
    how = socket.SHUT_WR
    try:
        for line in client.makefile("rb"):
            if not refused(line):
                upstream.sendall(line)
                continue
            with send_lock:
                client.sendall(reply)
            if reply.startswith(b"421"):
                how = socket.SHUT_RDWR  # the server's side goes too, and with it the client's
                break
    except OSError:
        pass
    try:
        upstream.shutdown(how)
    except OSError:
        pass


def serve_control(client):
    upstream = socket.create_connection(("127.0.0.1", args.upstream_port))
    send_lock = threading.Lock()
    if args.refuse_data_every or args.refuse_data_at:
        threading.Thread(target=relay_commands, args=(client, upstream, send_lock), daemon=True).start()
    else:
        threading.Thread(target=relay, args=(client, upstream), daemon=True).start()
    reader = upstream.makefile("rb")
    try:
        for line in reader:
            if args.delay:
                time.sleep(args.delay)
            with send_lock:
                client.sendall(rewrite(line))
            if args.close_after and line.startswith(args.close_after.encode()) and line[3:4] == b" ":
                if spared():
                    continue
                break
    except OSError:
        pass
    close(client)
    close(upstream)


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--upstream-port", type=int, required=True)
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--bad-pasv", action="store_true")
    parser.add_argument("--close-after", default="")
    parser.add_argument("--cut-data", type=int, default=None)
    parser.add_argument("--stall-data", action="store_true")
    parser.add_argument("--clean-data", type=int, default=0)
    parser.add_argument("--close-spare", type=int, default=0)
    parser.add_argument("--refuse-data-every", type=int, default=0)
    parser.add_argument("--refuse-data-at", type=lambda text: {int(n) for n in text.split(",") if n},
                        default=set())
    parser.add_argument("--refuse-reply",
                        default="425 Unable to identify the local data socket: Address already in use")
    args = parser.parse_args()

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    print("PORT %d" % server.getsockname()[1], flush=True)

    def accept_loop():
        while True:
            client, _ = server.accept()
            threading.Thread(target=serve_control, args=(client,), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    sys.stdin.read()  # the test program that started the proxy has gone


if __name__ == "__main__":
    main()
