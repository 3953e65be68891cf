#!/usr/bin/python3
"""A throwaway FTP server for the tests: one user with one root folder,
listening on a free port of 127.0.0.1. Prints the port once it listens."""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--read-limit", type=int, default=0,
                        help="bytes a second the server takes in (0: no limit)")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    if args.read_limit > 0:
        class SlowData(ThrottledDTPHandler):
            read_limit = args.read_limit
        Handler.dtp_handler = SlowData

    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
