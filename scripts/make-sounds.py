#!/usr/bin/env python3
"""Writes the program's two sounds, share/yhteys.wav and share/hälytys.wav, as plain tones."""
import math
import struct
import wave
from pathlib import Path

RATE = 22050


def tones(parts):
    samples = []
    for frequency, seconds in parts:
        n = int(RATE * seconds)
        for i in range(n):
            # A short fade at both ends keeps the tones from clicking.
            envelope = min(1.0, i / 200, (n - i) / 200)
            value = math.sin(2 * math.pi * frequency * i / RATE) if frequency else 0.0
            samples.append(int(12000 * envelope * value))
    return samples


def write(path, samples):
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples))


share = Path(__file__).resolve().parent.parent / "share"
write(share / "yhteys.wav", tones([(660, 0.12), (0, 0.04), (880, 0.12), (0, 0.04), (1320, 0.2)]))
write(share / "hälytys.wav", tones([(1000, 0.15), (0, 0.1)] * 3))
