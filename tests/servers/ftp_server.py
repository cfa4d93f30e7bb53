#!/usr/bin/python3
"""A pyftpdlib FTP server for the tests: one user, one root folder, an ephemeral loopback port.

Prints "PORT <number>" on stdout once it listens. Ends when its standard input closes (the test
program that started it has gone) or after --lifetime seconds.
"""
import argparse
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--passive-min", type=int, default=0)
    parser.add_argument("--passive-max", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=900)
    parser.add_argument("--refuse-mlsd", action="store_true",
                        help="answer MLSD with 500 while FEAT still offers MLST")
    parser.add_argument("--perm", default="elradfmwMT",
                        help="the user's permissions; without 'f' every rename is refused")
    parser.add_argument("--idle-timeout", type=float, default=0,
                        help="close an idle control connection with 421 after this many seconds")
    parser.add_argument("--idle-limit", type=float, default=0,
                        help="answer the first command after this many idle seconds with 421 and "
                             "close, as servers do that check the limit only when the client speaks")
    parser.add_argument("--upload-rate", type=int, default=0,
                        help="bytes per second an upload may arrive at (0: no limit)")
    parser.add_argument("--home", default="",
                        help="the folder (below the root) a login starts in, as on hosts with home folders")
    parser.add_argument("--listing-delay", type=float, default=0,
                        help="wait this many seconds before answering each MLSD or LIST, as a slow host does")
    parser.add_argument("--max-cons-per-ip", type=int, default=0,
                        help="refuse logins beyond this many connections from one address (0: no limit)")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=args.perm)

    class Handler(FTPHandler):
        last_command = 0.0

        def pre_process_command(self, line, cmd, arg):
            now = time.monotonic()
            idle = self.last_command and now - self.last_command > args.idle_limit
            self.last_command = now
            if args.idle_limit and idle and self.data_channel is None:
                self.respond("421 Idle time-out, closing control connection.")
                self.close_when_done()
                return
            FTPHandler.pre_process_command(self, line, cmd, arg)

        def ftp_MLSD(self, path):
            time.sleep(args.listing_delay)
            return FTPHandler.ftp_MLSD(self, path)

        def ftp_LIST(self, path):
            time.sleep(args.listing_delay)
            return FTPHandler.ftp_LIST(self, path)

        def on_login(self, username):
            if args.home:
                self.fs.cwd = args.home

    Handler.authorizer = authorizer
    Handler.banner = "Spiderfence test server ready."
    Handler.auth_failed_timeout = 0.1  # answer a wrong password at once
    Handler.permit_foreign_addresses = False
    if args.refuse_mlsd:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "MLSD"}
    if args.idle_timeout:
        Handler.timeout = args.idle_timeout
    if args.upload_rate:
        class SlowDTPHandler(ThrottledDTPHandler):
            read_limit = args.upload_rate
        Handler.dtp_handler = SlowDTPHandler
    if args.passive_min and args.passive_max:
        Handler.passive_ports = range(args.passive_min, args.passive_max + 1)

    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
    if args.max_cons_per_ip:
        server.max_cons_per_ip = args.max_cons_per_ip
    print("PORT %d" % server.address[1], flush=True)

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(1024):
                pass
        except Exception:
            pass
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
