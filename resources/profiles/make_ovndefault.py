#!/usr/bin/env python3
"""Writes ovndefault.prx, the default custom Windows Media profile: one video stream of
320 x 240 at 15 frames per second and 300 kbps, as UTF-16 XML with a byte-order mark.

Run from this directory: ./make_ovndefault.py (the output is checked in beside it)."""

WIDTH, HEIGHT, BITRATE, FPS = 320, 240, 300000, 15

xml = f"""<profile version="589824" storageformat="1" name="Ocuvane default" description="Video {WIDTH} x {HEIGHT}, {FPS} frames per second, {BITRATE // 1000} kbps">
  <streamconfig majortype="{{73646976-0000-0010-8000-00AA00389B71}}" streamnumber="1" streamname="Video Stream" inputname="Video409" bitrate="{BITRATE}" bufferwindow="5000" reliabletransport="0" decodercomplexity="" rfc1766langid="en-us">
    <videomediaprops maxkeyframespacing="50000000" quality="75"/>
    <wmmediatype subtype="{{32564D57-0000-0010-8000-00AA00389B71}}" bfixedsizesamples="0" btemporalcompression="1" lsamplesize="0">
      <videoinfoheader dwbitrate="{BITRATE}" dwbiterrorrate="0" avgtimeperframe="{round(10_000_000 / FPS)}">
        <rcsource left="0" top="0" right="{WIDTH}" bottom="{HEIGHT}"/>
        <rctarget left="0" top="0" right="{WIDTH}" bottom="{HEIGHT}"/>
        <bitmapinfoheader biwidth="{WIDTH}" biheight="{HEIGHT}" biplanes="1" bibitcount="24" bicompression="WMV2" bisizeimage="0" bixpelspermeter="0" biypelspermeter="0" biclrused="0" biclrimportant="0"/>
      </videoinfoheader>
    </wmmediatype>
  </streamconfig>
</profile>
"""

with open("ovndefault.prx", "wb") as f:
    f.write(b"\xff\xfe" + xml.replace("\n", "\r\n").encode("utf-16-le"))
