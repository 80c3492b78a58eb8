#!/usr/bin/env python3
"""Instructions per voice and sample of the shipped i686 DLLs, counted in the
emulator, beside the x86-64 plug-ins' counted by callgrind.

Usage: shipped_code.py MACHINE_HOST DLL_FOLDER SCRATCH_FOLDER

Every song renders one second; a machine's count with no note sounding is
subtracted from its count with N voices, and the rest divided by N and by the
samples. The Analyzer is counted per sample of its input, one voice.
"""
import os
import re
import subprocess
import sys
import wave

from instructions_per_sample import inclusive_totals

NOTES = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]
HEADER = "tempo 150\nticks-per-beat 4\nsample-rate 44100\n"  # 10 ticks of 4410 samples
ROWS = 10
# (label, DLL, the native Render's class, voices per song)
MACHINES = [("Test Generator", "Varnok's Pulse.dll", "testgen::TestGenMachine", [1, 16, 64]),
            ("Chip", "Varnok's Chip.dll", "chip::ChipMachine", [1, 16])]
ANALYZER = ("Analyzer", "Varnok's Analyzer.dll", "AnalyzerMachine")


def note(number):
    return NOTES[number % 12] + str(number // 12 - 1)


def test_generator_song(voices, analyzer=False):
    keys = "".join(f"key g 0 on {note(24 + v)} 2\n" for v in range(voices))
    song = (HEADER + 'machine g "Varnok\'s Pulse"\nattribute g "Dynamic Channels" 64\n'
            f"pattern g hold {ROWS}\n.\nend\nsequence g hold\n" + keys)
    if analyzer:
        song += 'machine m "Varnok\'s Analyzer"\nroute g -> m -> master\n'
    return song


def chip_song(voices):
    row = " | ".join(f"{note(36 + v)} .. .. .." for v in range(voices)) or "."
    return (HEADER + 'machine c "Varnok\'s Chip" tracks 16\nvolume c 6\n'
            f"pattern c hold {ROWS}\n{row}\nend\nsequence c hold\n")


def render(host, song, scratch, name, plugins=None, callgrind=False):
    """Renders `song`; returns its samples and the counts file or callgrind file."""
    path = os.path.join(scratch, name + ".song")
    with open(path, "w") as f:
        f.write(song)
    out = os.path.join(scratch, name + ".wav")
    counts = os.path.join(scratch, name + (".callgrind" if callgrind else ".counts"))
    command = [host, "render", path, "-o", out, "--format", "pcm16"]
    env = dict(os.environ)
    if plugins:
        command += ["--plugins", plugins]
    if callgrind:
        command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + counts] + command
    else:
        env["MACHINE_HOST_COUNT_INSTRUCTIONS"] = counts
    subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with wave.open(out) as w:
        samples = w.getnframes()
    os.remove(out)
    return samples, counts


def emulated_render(counts, dll):
    pattern = re.compile(r"^emulated instructions: (.*): Render: (\d+) calls, (\d+) instructions$")
    for line in open(counts):
        m = pattern.match(line.rstrip("\n"))
        if m and m.group(1) == dll:
            return int(m.group(3))
    sys.exit(f"{counts}: no Render of {dll}")


def native_render(callgrind, machine):
    function = f"{machine}::Render(float*, int, int)"
    totals = inclusive_totals(callgrind, [function])
    if totals[function][0] == 0:
        # A machine built on the voice template names its Render after the template.
        names = [line.split(" ", 1)[1] for line in open(callgrind)
                 if line.startswith(("fn=(", "cfn=(")) and " " in line and machine in line
                 and line.rstrip().endswith("::Render(float*, int, int)")]
        if not names:
            sys.exit(f"{callgrind}: no call to {function}")
        function = names[0].split(" [")[0].rstrip()
        totals = inclusive_totals(callgrind, [function])
    return totals[function][1]


def counts(host, dlls, scratch, name, song, dll, machine):
    samples, emulated = render(host, song, scratch, name + "-i686", plugins=dlls)
    _, native = render(host, song, scratch, name + "-x86-64", callgrind=True)
    return samples, emulated_render(emulated, dll), native_render(native, machine)


def main():
    host, dlls, scratch = sys.argv[1:4]
    print("| machine | voices | i686 (emulated) | x86-64 (callgrind) | i686 / x86-64 |")
    print("|---|---:|---:|---:|---:|")
    for label, dll, machine, voice_counts in MACHINES:
        make = test_generator_song if label == "Test Generator" else chip_song
        _, idle_i686, idle_native = counts(host, dlls, scratch, f"{label}-0", make(0), dll, machine)
        for voices in voice_counts:
            samples, i686, native = counts(host, dlls, scratch, f"{label}-{voices}", make(voices), dll, machine)
            per_i686 = (i686 - idle_i686) / voices / samples
            per_native = (native - idle_native) / voices / samples
            print(f"| {label} | {voices} | {per_i686:.1f} | {per_native:.1f} | {per_i686 / per_native:.2f} |")
    label, dll, machine = ANALYZER
    samples, i686, native = counts(host, dlls, scratch, label, test_generator_song(1, analyzer=True), dll, machine)
    print(f"| {label} | (per sample) | {i686 / samples:.1f} | {native / samples:.1f} | {i686 / native:.2f} |")


if __name__ == "__main__":
    main()
