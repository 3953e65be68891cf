#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A throwaway network camera for the tests: an RTSP server (GStreamer's,
H.264) or an HTTP MJPEG server (multipart/x-mixed-replace), on 127.0.0.1.
The picture is one plain colour; a line on standard input ("red", "blue",
"green", "white", "black") changes it from the next frame on. Prints the
port once it listens. With --user the stream wants that login."""
import argparse
import base64
import socketserver
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

COLOURS = ("red", "green", "blue", "white", "black")


class Picture:
    """The colour shown now, and whoever must hear of a change."""

    def __init__(self, colour):
        self.colour = colour
        self.lock = threading.Lock()
        self.listeners = []

    def set(self, colour):
        with self.lock:
            self.colour = colour
            listeners = list(self.listeners)
        for listener in listeners:
            listener(colour)


def run_rtsp(args, picture):
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(
        "( videotestsrc name=src is-live=true pattern=%s "
        "! video/x-raw,width=%d,height=%d,framerate=%d/1 "
        "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=%d "
        "! video/x-h264,profile=baseline ! rtph264pay name=pay0 pt=96 config-interval=1 )"
        % (picture.colour, args.width, args.height, args.rate, args.rate))

    def configured(_factory, media):
        source = media.get_element().get_by_name("src")
        source.set_property("pattern", picture.colour)
        with picture.lock:
            picture.listeners.append(lambda colour: source.set_property("pattern", colour))

    factory.connect("media-configure", configured)
    # Every viewer sees the same encoded frames, so two watching one change
    # see it at the same moment.
    factory.set_shared(True)
    if args.user:
        auth = GstRtspServer.RTSPAuth()
        token = GstRtspServer.RTSPToken()
        token.set_string("media.factory.role", "viewer")
        auth.add_basic(GstRtspServer.RTSPAuth.make_basic(args.user, args.password), token)
        server.set_auth(auth)
        permissions = GstRtspServer.RTSPPermissions()
        permissions.add_role_from_structure(Gst.Structure.new_from_string(
            "viewer, media.factory.access=(boolean)true, "
            "media.factory.construct=(boolean)true"))
        factory.set_permissions(permissions)
    server.get_mount_points().add_factory("/stream", factory)
    server.attach(None)
    print(server.get_bound_port(), flush=True)
    GLib.MainLoop().run()


def jpeg_of(colour, width, height):
    pipeline = Gst.parse_launch(
        "videotestsrc num-buffers=1 pattern=%s ! video/x-raw,width=%d,height=%d "
        "! jpegenc ! appsink name=sink" % (colour, width, height))
    sink = pipeline.get_by_name("sink")
    pipeline.set_state(Gst.State.PLAYING)
    sample = sink.emit("pull-sample")
    buffer = sample.get_buffer()
    data = buffer.extract_dup(0, buffer.get_size())
    pipeline.set_state(Gst.State.NULL)
    return data


def run_mjpeg(args, picture):
    frames = {colour: jpeg_of(colour, args.width, args.height) for colour in COLOURS}
    wanted = None
    if args.user:
        wanted = "Basic " + base64.b64encode(
            ("%s:%s" % (args.user, args.password)).encode()).decode()

    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *_):
            pass

        def do_GET(self):
            if wanted and self.headers.get("Authorization") != wanted:
                self.send_response(401)
                self.send_header("WWW-Authenticate", 'Basic realm="camera"')
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(200)
            self.send_header("Content-Type", "multipart/x-mixed-replace; boundary=frame")
            self.end_headers()
            period = 1.0 / args.rate
            changed = threading.Event()
            with picture.lock:
                picture.listeners.append(lambda _colour: changed.set())
            try:
                while True:
                    data = frames[picture.colour]
                    self.wfile.write(b"--frame\r\nContent-Type: image/jpeg\r\n"
                                     b"Content-Length: %d\r\n\r\n" % len(data))
                    self.wfile.write(data + b"\r\n")
                    self.wfile.flush()
                    # A change goes out at once, not at the next tick.
                    changed.wait(period)
                    changed.clear()
            except (BrokenPipeError, ConnectionResetError):
                pass

    class Server(ThreadingHTTPServer):
        daemon_threads = True
        allow_reuse_address = True

    server = Server(("127.0.0.1", args.port), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kind", choices=["rtsp", "mjpeg"], required=True)
    parser.add_argument("--port", type=int, default=0, help="0: a free one")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--colour", choices=COLOURS, default="red")
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--rate", type=int, default=25)
    args = parser.parse_args()
    Gst.init(None)
    picture = Picture(args.colour)

    def read_commands():
        for line in sys.stdin:
            colour = line.strip()
            if colour in COLOURS:
                picture.set(colour)
        # The test is gone: so is the camera.
        import os
        os._exit(0)

    threading.Thread(target=read_commands, daemon=True).start()
    if args.kind == "rtsp":
        run_rtsp(args, picture)
    else:
        run_mjpeg(args, picture)


if __name__ == "__main__":
    main()
