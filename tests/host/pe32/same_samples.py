#!/usr/bin/env python3
"""Compares two mono float WAV files sample for sample, bit for bit.

Usage: same_samples.py A.wav B.wav

Exit code 1, naming the first differing sample, when they differ in rate,
length or any sample.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "windows"))
from render_matches_native import read_float_wav  # noqa: E402


def main():
    first, second = sys.argv[1], sys.argv[2]
    (rate_a, a), (rate_b, b) = read_float_wav(first), read_float_wav(second)
    if rate_a != rate_b or len(a) != len(b):
        print("%s: %d samples at %d Hz, %s: %d at %d Hz" % (first, len(a), rate_a, second, len(b), rate_b))
        return 1
    for i, (x, y) in enumerate(zip(a, b)):
        if struct.pack("<f", x / 32768.0) != struct.pack("<f", y / 32768.0):
            print("sample %d: %r in %s, %r in %s" % (i, x, first, y, second))
            return 1
    print("%d samples equal, bit for bit" % len(a))
    return 0


if __name__ == "__main__":
    sys.exit(main())
