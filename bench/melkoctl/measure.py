#!/usr/bin/env python3
"""Runs each melkoctl command of a list once to warm up, then RUNS times in turn, and prints one
line per command: label, then median, min and max of the wall time and median of the CPU time
(user + system, of the command and its children), in milliseconds.

    measure.py RUNS LABEL1 'ARGS1' [LABEL2 'ARGS2' ...]   (ARGS: shell words; {i} counts runs)
"""
import resource
import shlex
import statistics
import subprocess
import sys
import time

runs = int(sys.argv[1])
commands = list(zip(sys.argv[2::2], sys.argv[3::2]))
walls = {label: [] for label, _ in commands}
cpus = {label: [] for label, _ in commands}


def run(label, words, i):
    args = [w.replace("{i}", str(i)) for w in shlex.split(words)]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = (time.perf_counter() - start) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{label} failed ({done.returncode}): {done.stderr.decode().strip()}")
    cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000
    return wall, cpu


for label, words in commands:
    run(label, words, 0)
for i in range(1, runs + 1):
    for label, words in commands:
        wall, cpu = run(label, words, i)
        walls[label].append(wall)
        cpus[label].append(cpu)
for label, _ in commands:
    w = walls[label]
    print(f"{label}\t{statistics.median(w):.1f}\t{min(w):.1f}\t{max(w):.1f}\t"
          f"{statistics.median(cpus[label]):.1f}")
