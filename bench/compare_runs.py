#!/usr/bin/env python3
"""Times our command and theirs turn about and prints how many times faster
ours is, by wall clock and by processor time (user + system): the median and
the range over the runs. A run may be a batch of executions, for commands that
last a few milliseconds.

  compare_runs.py NAME OURS THEIRS [--runs 5] [--batch 1] [--remove PATH]
"""
import argparse
import os
import shlex
import statistics
import sys
import time


def execute(argv, remove):
    if remove:
        try:
            os.unlink(remove)  # an earlier output: replacing it is no part of the work
        except FileNotFoundError:
            pass
    with open(os.devnull, "wb") as devnull:
        start = time.perf_counter()
        pid = os.posix_spawnp(argv[0], argv, os.environ,
                              file_actions=[(os.POSIX_SPAWN_DUP2, devnull.fileno(), 1),
                                            (os.POSIX_SPAWN_DUP2, devnull.fileno(), 2)])
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"compare_runs: {' '.join(argv)} failed (status {status})")
    return wall, usage.ru_utime + usage.ru_stime


def batch(argv, count, remove):
    walls, cpus = zip(*(execute(argv, remove) for _ in range(count)))
    return sum(walls) / count, sum(cpus) / count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("name")
    parser.add_argument("ours")
    parser.add_argument("theirs")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--batch", type=int, default=1)
    parser.add_argument("--remove", help="a file our command writes, removed before each execution")
    options = parser.parse_args()
    ours, theirs = shlex.split(options.ours), shlex.split(options.theirs)
    batch(ours, options.batch, options.remove)  # warm the caches
    batch(theirs, options.batch, None)
    runs = []
    for _ in range(options.runs):
        runs.append((batch(ours, options.batch, options.remove), batch(theirs, options.batch, None)))
    wall = [t[0] / o[0] for o, t in runs]
    cpu = [t[1] / o[1] for o, t in runs]
    median = lambda values, at: statistics.median(v[at] for v in values)
    print(f"{options.name}: machine-host {median([o for o, _ in runs], 0) * 1e3:.1f} ms wall, "
          f"{median([o for o, _ in runs], 1) * 1e3:.1f} ms cpu; theirs {median([t for _, t in runs], 0) * 1e3:.1f} ms "
          f"wall, {median([t for _, t in runs], 1) * 1e3:.1f} ms cpu; ours is "
          f"{statistics.median(wall):.2f}x as fast by wall ({min(wall):.2f}-{max(wall):.2f}), "
          f"{statistics.median(cpu):.2f}x by cpu ({min(cpu):.2f}-{max(cpu):.2f}), "
          f"median (range) of {options.runs} runs")


if __name__ == "__main__":
    main()
