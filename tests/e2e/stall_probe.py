#!/usr/bin/env python3
"""Sees the cores stop. One process per core, pinned to it at the highest real-time
priority, sleeps a millisecond at a time and reports every wake-up that came late by more
than a few milliseconds: nothing on this machine can hold such a process back, so a late
wake-up means the core itself did not run (the virtual machine's host held it), whether or
not the host reports the time as stolen.

    stall_probe.py CPU        prints "MONOTONIC_SECONDS CPU LATE_MS" per stall
"""

import os
import sys
import subprocess
import threading
import time

SLEEP = 0.001
REPORTED_MS = 4.0    # later than this is a stall; the scheduler's own jitter stays well below


def probe(cpu):
    os.sched_setaffinity(0, {cpu})
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(os.sched_get_priority_max(os.SCHED_FIFO)))
    except (PermissionError, AttributeError):
        print("stall_probe: no real-time priority on cpu %d; late wake-ups may be this machine's own" % cpu,
              file=sys.stderr, flush=True)
    while True:
        before = time.monotonic()
        time.sleep(SLEEP)
        late_ms = (time.monotonic() - before - SLEEP) * 1000
        if late_ms > REPORTED_MS:
            print("%.4f %d %.1f" % (before, cpu, late_ms), flush=True)


class StallProbe:
    """The probes of every core, started and read in the background: stalls is a list of
    (monotonic seconds the stall began, cpu, milliseconds late)."""

    def __init__(self):
        self.stalls = []
        self.processes = [subprocess.Popen([sys.executable, __file__, str(cpu)], stdin=subprocess.DEVNULL,
                                           stdout=subprocess.PIPE, text=True)
                          for cpu in sorted(os.sched_getaffinity(0))]
        for process in self.processes:
            threading.Thread(target=self._read, args=(process,), daemon=True).start()

    def _read(self, process):
        for line in process.stdout:
            began, cpu, late_ms = line.split()
            self.stalls.append((float(began), int(cpu), float(late_ms)))

    def longest_between(self, start, end):
        """The longest stall of any core that overlaps [start, end], in milliseconds (0: none)."""
        return max((late for began, _, late in self.stalls if began <= end and began + late / 1000 >= start),
                   default=0.0)

    def stop(self):
        for process in self.processes:
            process.kill()
            process.wait()


if __name__ == "__main__":
    probe(int(sys.argv[1]))
