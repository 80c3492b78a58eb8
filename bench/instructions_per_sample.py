#!/usr/bin/env python3
"""Instructions per voice and sample of functions, from a callgrind output file.

Usage: instructions_per_sample.py FILE LABEL=FUNCTION=VOICE_SAMPLES_PER_CALL ...
FUNCTION is the end of the function's name as callgrind writes it; the
instructions counted are inclusive (the function and what it calls).
"""
import re
import sys


def inclusive_totals(path, functions):
    """Calls of each function, and the instructions they ran inclusively."""
    names, totals = {}, {function: [0, 0] for function in functions}
    target = None
    lines = open(path).read().splitlines()
    for i, line in enumerate(lines):
        # Names are compressed: "(id) name" the first time, "(id)" after.
        m = re.match(r"c?fn=\((\d+)\)(?: (.*))?", line)
        if m:
            if m.group(2):
                names[m.group(1)] = m.group(2).split(" [")[0]
            target = names.get(m.group(1), "") if line.startswith("cfn=") else None
        elif line.startswith("calls=") and target is not None:
            for function in functions:
                if target.endswith(function):
                    totals[function][0] += int(line.split()[0][len("calls="):])
                    totals[function][1] += int(lines[i + 1].split()[1])
    return totals


def main():
    path, specs = sys.argv[1], [arg.split("=", 2) for arg in sys.argv[2:]]
    found = inclusive_totals(path, [function for _, function, _ in specs])
    totals = {label: found[function] for label, function, _ in specs}
    for label, function, per_call in specs:
        calls, instructions = totals[label]
        if calls == 0:
            sys.exit(f"{path}: no call to {function}")
        print(f"{label}: {instructions / calls / float(per_call):.1f} instructions per voice and sample"
              f" ({calls} calls)")


if __name__ == "__main__":
    main()
