#!/usr/bin/env python3
"""Writes the completion chime: two soft bell tones a fifth apart, 16-bit PCM, 44.1 kHz mono.

    python3 resources/tools/make_sound.py resources/sound.wav
"""
import math
import struct
import sys
import wave

RATE = 44100
LENGTH = 0.8  # seconds
PEAK = 0.6  # of full scale, so the sum of the partials never clips

# (start in seconds, base frequency in Hz, loudness): E6 then B6, a rising fifth.
NOTES = [(0.0, 1318.5, 0.55), (0.12, 1975.5, 0.45)]
# A bell's partials: (ratio to the base, loudness, decay rate per second).
PARTIALS = [(1.0, 1.0, 6.0), (2.0, 0.25, 9.0), (3.0, 0.08, 14.0)]
ATTACK = 0.006  # seconds: soft enough not to click


def note(t, frequency):
    value = 0.0
    for ratio, loudness, decay in PARTIALS:
        value += loudness * math.exp(-decay * t) * math.sin(2 * math.pi * frequency * ratio * t)
    return value * min(1.0, t / ATTACK)


def samples():
    count = int(RATE * LENGTH)
    raw = []
    for i in range(count):
        t = i / RATE
        value = sum(loud * note(t - start, f) for start, f, loud in NOTES if t >= start)
        # Fade the last 50 ms to silence, so the sound ends without a click.
        value *= min(1.0, (LENGTH - t) / 0.05)
        raw.append(value)
    scale = PEAK / max(abs(v) for v in raw)
    return [round(v * scale * 32767) for v in raw]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_sound.py <output.wav>")
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples()))


if __name__ == "__main__":
    main()
