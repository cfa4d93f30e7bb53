#!/usr/bin/python3
"""A pyftpdlib FTP server for the tests: one user, one root folder, an ephemeral loopback port.

Prints "PORT <number>" on stdout once it listens. Ends when its standard input closes (the test
program that started it has gone) or after --lifetime seconds.
"""
import argparse
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
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
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.banner = "Spiderfence test server ready."
    Handler.auth_failed_timeout = 0.1  # answer a wrong password at once
    Handler.permit_foreign_addresses = False
    if args.refuse_mlsd:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "MLSD"}
    if args.passive_min and args.passive_max:
        Handler.passive_ports = range(args.passive_min, args.passive_max + 1)

    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
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
