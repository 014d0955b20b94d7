#!/usr/bin/env python3
"""Writes moving.wav, the default motion alarm: three falling two-tone chimes, 16-bit mono PCM.

Run from this directory: ./make_moving.py (the output is checked in beside it)."""
import math
import struct
import wave

RATE = 22050


def tone(freq, seconds, volume):
    n = int(RATE * seconds)
    out = []
    for i in range(n):
        t = i / RATE
        # A quick attack and an exponential decay, with a soft second harmonic.
        env = min(1.0, t / 0.005) * math.exp(-t * 6.0)
        s = math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(4 * math.pi * freq * t)
        out.append(volume * env * s / 1.3)
    return out


samples = []
for _ in range(3):
    samples += tone(1318.5, 0.18, 0.6)  # E6
    samples += tone(987.8, 0.22, 0.6)   # B5
    samples += [0.0] * int(RATE * 0.05)

with wave.open("moving.wav", "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32767)) for s in samples))
