#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A throwaway SFTP server for the tests (paramiko): one user with a
password, one root folder that is "/" and the home folder, a host key read
from a file (made there when missing), a free port of 127.0.0.1. Prints the
port once it listens."""
import argparse
import errno
import os
import socket
import threading

import paramiko
from paramiko.sftp import SFTP_OK, SFTP_FAILURE, SFTP_PERMISSION_DENIED


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--host-key", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--rename", choices=["replace", "no-overwrite", "refuse"],
                        default="replace")
    args = parser.parse_args()
    root = os.path.realpath(args.root)

    if not os.path.exists(args.host_key):
        paramiko.ECDSAKey.generate(bits=256).write_private_key_file(args.host_key)
    host_key = paramiko.ECDSAKey(filename=args.host_key)

    def local(path):
        path = os.path.normpath("/" + path.lstrip("/"))
        return os.path.join(root, path.lstrip("/"))

    class Handle(paramiko.SFTPHandle):
        def stat(self):
            return paramiko.SFTPAttributes.from_stat(os.fstat(self.readfile.fileno()))

    class Files(paramiko.SFTPServerInterface):
        def canonicalize(self, path):
            return os.path.normpath("/" + path.lstrip("/"))

        def stat(self, path):
            try:
                return paramiko.SFTPAttributes.from_stat(os.stat(local(path)))
            except OSError as e:
                return paramiko.SFTPServer.convert_errno(e.errno)

        lstat = stat

        def list_folder(self, path):
            try:
                out = []
                for name in os.listdir(local(path)):
                    attr = paramiko.SFTPAttributes.from_stat(
                        os.stat(os.path.join(local(path), name)))
                    attr.filename = name
                    out.append(attr)
                return out
            except OSError as e:
                return paramiko.SFTPServer.convert_errno(e.errno)

        def open(self, path, flags, attr):
            try:
                fd = os.open(local(path), flags, 0o644)
            except OSError as e:
                return paramiko.SFTPServer.convert_errno(e.errno)
            mode = "r+b" if flags & os.O_RDWR else ("wb" if flags & os.O_WRONLY else "rb")
            if flags & os.O_APPEND:
                mode = "ab"
            f = os.fdopen(fd, mode)
            handle = Handle(flags)
            handle.readfile = f
            handle.writefile = f
            return handle

        def remove(self, path):
            try:
                os.remove(local(path))
            except OSError as e:
                return paramiko.SFTPServer.convert_errno(e.errno)
            return SFTP_OK

        def rename(self, oldpath, newpath):
            if args.rename == "refuse":
                return SFTP_PERMISSION_DENIED
            if args.rename == "no-overwrite" and os.path.exists(local(newpath)):
                return SFTP_FAILURE
            try:
                os.replace(local(oldpath), local(newpath))
            except OSError as e:
                return paramiko.SFTPServer.convert_errno(e.errno)
            return SFTP_OK

        def chattr(self, path, attr):
            return SFTP_OK

    class Server(paramiko.ServerInterface):
        def check_channel_request(self, kind, chanid):
            if kind == "session":
                return paramiko.OPEN_SUCCEEDED
            return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

        def get_allowed_auths(self, username):
            return "password"

        def check_auth_password(self, username, password):
            if username == args.user and password == args.password:
                return paramiko.AUTH_SUCCESSFUL
            return paramiko.AUTH_FAILED

    def serve(connection):
        transport = paramiko.Transport(connection)
        transport.add_server_key(host_key)
        transport.set_subsystem_handler("sftp", paramiko.SFTPServer, Files)
        try:
            transport.start_server(server=Server())
        except Exception:
            transport.close()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


if __name__ == "__main__":
    main()
