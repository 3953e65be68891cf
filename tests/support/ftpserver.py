#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A throwaway FTP server for the tests: one user with one root folder,
listening on a free port of 127.0.0.1. Prints the port once it listens.
With --tls it speaks FTP over TLS, explicit ("AUTH TLS") or implicit (TLS
from the first byte)."""
import argparse
import errno
import logging
import os

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--read-limit", type=int, default=0,
                        help="bytes a second the server takes in (0: no limit)")
    parser.add_argument("--tls", choices=["explicit", "implicit"])
    parser.add_argument("--cert", help="PEM file with the certificate and its key")
    parser.add_argument("--rename", choices=["replace", "no-overwrite", "refuse"],
                        default="replace",
                        help="how RNTO treats its target: replace it, refuse an "
                             "existing one, or refuse every rename")
    parser.add_argument("--final-reply-delay", type=float, default=0,
                        help="seconds the server keeps quiet after an upload's "
                             "data before it says the transfer is complete")
    parser.add_argument("--quote-password", action="store_true",
                        help="a refused login's reply repeats the password sent")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    class Users(DummyAuthorizer):
        def validate_authentication(self, username, password, handler):
            try:
                super().validate_authentication(username, password, handler)
            except AuthenticationFailed:
                if args.quote_password:
                    raise AuthenticationFailed("wrong password: " + password)
                raise

    authorizer = Users()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    class Files(AbstractedFS):
        def rename(self, src, dst):
            if args.rename == "refuse":
                raise OSError(errno.EPERM, "renaming is not allowed here")
            if args.rename == "no-overwrite" and os.path.exists(dst):
                raise OSError(errno.EEXIST, "the target exists")
            return super().rename(src, dst)

    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler, TLS_DTPHandler

        class TlsData(TLS_DTPHandler):
            # curl begins the data connection's handshake as soon as it
            # connects, before it sends STOR. pyftpdlib 1.5.7 reads input on
            # a data connection that is not receiving yet as a hang-up and
            # closes it, so the ClientHello must count as wanted input.
            def readable(self):
                return self._ssl_accepting or super().readable()

        base, data_base = TLS_FTPHandler, TlsData
    else:
        base, data_base = FTPHandler, ThrottledDTPHandler

    class Handler(base):
        if args.final_reply_delay > 0:
            # Like a server that checks or moves the file before answering.
            # The reply is scheduled, so other connections are served.
            def respond(self, resp, logfun=logging.debug):
                if not resp.startswith("226 "):
                    return super().respond(resp, logfun)

                def later():
                    if not self._closed:
                        base.respond(self, resp, logfun)
                self.ioloop.call_later(args.final_reply_delay, later,
                                       _errback=self.handle_error)

        if args.tls == "implicit":
            # TLS from the first byte: the greeting waits for the handshake.
            def handle(self):
                self.secure_connection(self.ssl_context)

            def handle_ssl_established(self):
                FTPHandler.handle(self)

    Handler.authorizer = authorizer
    if args.quote_password:
        Handler.auth_failed_timeout = 0.1
    Handler.abstracted_fs = Files
    if args.tls:
        Handler.certfile = args.cert
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    Handler.dtp_handler = data_base
    if args.read_limit > 0:
        if args.tls:
            parser.error("--read-limit works on plain FTP only")

        class SlowData(ThrottledDTPHandler):
            read_limit = args.read_limit
        Handler.dtp_handler = SlowData

    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
