#!/usr/bin/env python3
"""Writes the client's ring: a RIFF WAVE, PCM mono 44100 Hz 16-bit, 61294 bytes
with 60762 bytes of samples (about 0.69 s), the same bytes on every run.

  make_ring.py OUT.wav

The sound is an electric telephone bell: a small bell struck by a hammer about
twenty times a second, with a soft start and end so that repeats join cleanly.
"""
import math
import struct
import sys

RATE = 44100
DATA_BYTES = 60762
FILE_BYTES = 61294
SAMPLES = DATA_BYTES // 2

# Bell partials (frequency in Hz, level, decay per second after each strike).
PARTIALS = [(1046.5, 1.00, 9.0), (1568.0, 0.45, 12.0), (2637.0, 0.22, 18.0),
            (3520.0, 0.10, 26.0)]
STRIKE_HZ = 20.0


def sample(i):
    t = i / RATE
    since = t % (1.0 / STRIKE_HZ)           # time since the hammer last struck
    # Each strike rings on top of what is still sounding from the last ones.
    v = 0.0
    for (f, level, decay) in PARTIALS:
        ring = math.exp(-decay * since) * 0.6 + 0.4 * math.exp(-decay * 0.25 * t)
        v += level * ring * math.sin(2 * math.pi * f * t)
    fade_in = min(1.0, t / 0.008)
    fade_out = min(1.0, (SAMPLES - 1 - i) / RATE / 0.060)
    return v * fade_in * fade_out * 0.42


def chunk(tag, body):
    if len(body) % 2:
        body += b"\0"
    return tag + struct.pack("<I", len(body)) + body


def main(path):
    pcm = bytearray()
    for i in range(SAMPLES):
        s = int(round(sample(i) * 32767))
        pcm += struct.pack("<h", max(-32768, min(32767, s)))
    fmt = chunk(b"fmt ", struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16))
    info = chunk(b"LIST", b"INFO" + chunk(b"INAM", b"NUV Ring\0") + chunk(b"ISFT", b"Ravelo NUV\0"))
    data = chunk(b"data", bytes(pcm))
    # A JUNK chunk brings the file to its fixed size; players skip it.
    junk_body = FILE_BYTES - 12 - len(fmt) - len(info) - len(data) - 8
    junk = chunk(b"JUNK", b"\0" * junk_body)
    body = b"WAVE" + fmt + info + junk + data
    wav = b"RIFF" + struct.pack("<I", len(body)) + body
    assert len(wav) == FILE_BYTES and len(pcm) == DATA_BYTES
    with open(path, "wb") as f:
        f.write(wav)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        sys.exit(2)
    main(sys.argv[1])
