#!/usr/bin/python3
"""An RTSP camera on loopback for the stream-source tests and benchmarks.

Usage: rtsp_server.py PORT h264|mjpeg [WIDTHxHEIGHT] [FPS]
Serves rtsp://127.0.0.1:PORT/live; prints "ready" on standard output once it listens.
"""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def main():
    port, codec = sys.argv[1], sys.argv[2]
    size = sys.argv[3] if len(sys.argv) > 3 else "320x240"
    fps = sys.argv[4] if len(sys.argv) > 4 else "10"
    width, height = size.split("x")
    Gst.init(None)
    raw = ("videotestsrc is-live=true pattern=ball ! video/x-raw,width=%s,height=%s,framerate=%s/1 "
           "! videoconvert" % (width, height, fps))
    if codec == "h264":
        tail = ("x264enc tune=zerolatency speed-preset=ultrafast key-int-max=%s "
                "! rtph264pay name=pay0 pt=96" % fps)
    else:
        tail = "video/x-raw,format=I420 ! jpegenc quality=80 ! rtpjpegpay name=pay0 pt=26"
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_shared(True)
    factory.set_launch("( %s ! %s )" % (raw, tail))
    server.get_mount_points().add_factory("/live", factory)
    if server.attach(None) == 0:
        sys.exit(1)
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
