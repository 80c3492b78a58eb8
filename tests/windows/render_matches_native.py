#!/usr/bin/env python3
"""Renders one song with the native machine-host and with the Windows one under
Wine, and compares the two float WAV files sample for sample.

Usage: render_matches_native.py --native HOST --windows HOST.exe --wine-run SCRIPT
                                 --tolerance UNITS SONG

UNITS are host sample units (full level 32768). Exit code 1 when the files
differ in length, rate, or by more than the tolerance anywhere.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile


def read_float_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("%s: not a RIFF/WAVE file" % path)
    at, rate, samples = 12, None, None
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8:at + 8 + size]
        if tag == b"fmt ":
            tag_format, channels, rate = struct.unpack_from("<HHI", body)
            bits = struct.unpack_from("<H", body, 14)[0]
            if tag_format == 0xFFFE:
                tag_format = struct.unpack_from("<H", body, 24)[0]
            if (tag_format, channels, bits) != (3, 1, 32):
                raise ValueError("%s: expected mono 32-bit float" % path)
        elif tag == b"data":
            samples = struct.unpack("<%df" % (size // 4), body[:size - size % 4])
        at += 8 + size + (size & 1)
    if rate is None or samples is None:
        raise ValueError("%s: no format or no data" % path)
    return rate, [s * 32768.0 for s in samples]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", required=True)
    parser.add_argument("--windows", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--tolerance", type=float, required=True)
    parser.add_argument("song")
    args = parser.parse_args()

    folder = tempfile.mkdtemp()
    native_wav = os.path.join(folder, "native.wav")
    windows_wav = os.path.join(folder, "windows.wav")
    quiet = {"stdout": subprocess.DEVNULL, "check": True}
    subprocess.run([args.native, "render", args.song, "-o", native_wav, "--format", "float"], **quiet)
    subprocess.run([args.wine_run, args.windows, "render", args.song, "-o", windows_wav,
                    "--format", "float"], **quiet)

    native_rate, native = read_float_wav(native_wav)
    windows_rate, windows = read_float_wav(windows_wav)
    if (native_rate, len(native)) != (windows_rate, len(windows)):
        print("native %d samples at %d Hz, Windows %d samples at %d Hz"
              % (len(native), native_rate, len(windows), windows_rate))
        return 1
    differences = [abs(a - b) for a, b in zip(native, windows)]
    largest = max(differences, default=0.0)
    differing = sum(1 for d in differences if d != 0.0)
    print("%d samples at %d Hz: %d identical, %d differ, largest difference %.6g units "
          "(tolerance %g)" % (len(native), native_rate, len(native) - differing, differing,
                              largest, args.tolerance))
    return 0 if largest <= args.tolerance else 1


if __name__ == "__main__":
    sys.exit(main())
