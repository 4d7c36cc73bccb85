#!/usr/bin/env python3
"""Sees the cores stop. One process per core, pinned to it at the highest real-time
priority, sleeps a millisecond at a time and reports every wake-up that came late by more
than a few milliseconds: nothing on this machine can hold such a process back, so a late
wake-up means the core itself did not run (the virtual machine's host held it), whether or
not the host reports the time as stolen.

    stall_probe.py CPU        prints "MONOTONIC_SECONDS CPU LATE_MS" per stall, and first
                              "unprioritised CPU" when it has no real-time priority
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
        print("unprioritised %d" % cpu, flush=True)
    while True:
        before = time.monotonic()
        time.sleep(SLEEP)
        late_ms = (time.monotonic() - before - SLEEP) * 1000
        if late_ms > REPORTED_MS:
            print("%.4f %d %.1f" % (before, cpu, late_ms), flush=True)


def machine_stalls(stalls, cores, shortest_ms):
    """(start, end) seconds of each time all cores were stalled at once for shortest_ms or more:
    the whole machine was held, so nothing on it ran. stalls: (start, cpu, milliseconds late)."""
    # A core's stalls follow one another, so the number under way is the number of cores stalled.
    edges = sorted([(began, 1) for began, _, _ in stalls] + [(began + late / 1000, -1) for began, _, late in stalls])
    spans, stalled, since = [], 0, None
    for when, step in edges:
        stalled += step
        if stalled >= cores:
            since = when if since is None else since
        elif since is not None:
            if (when - since) * 1000 >= shortest_ms:
                spans.append((since, when))
            since = None
    return spans


class StallProbe:
    """The probes of every core, started and read in the background: stalls is a list of
    (monotonic seconds the stall began, cpu, milliseconds late)."""

    def __init__(self):
        self.stalls = []
        self.unprioritised = set()   # cpus whose probe runs without real-time priority
        self.processes = [subprocess.Popen([sys.executable, __file__, str(cpu)], stdin=subprocess.DEVNULL,
                                           stdout=subprocess.PIPE, text=True)
                          for cpu in sorted(os.sched_getaffinity(0))]
        for process in self.processes:
            threading.Thread(target=self._read, args=(process,), daemon=True).start()

    def _read(self, process):
        for line in process.stdout:
            fields = line.split()
            if fields[0] == "unprioritised":
                self.unprioritised.add(int(fields[1]))
                continue
            began, cpu, late_ms = fields
            self.stalls.append((float(began), int(cpu), float(late_ms)))

    def longest_between(self, start, end):
        """The longest stall of any core that overlaps [start, end], in milliseconds (0: none)."""
        return max((late for began, _, late in self.stalls if began <= end and began + late / 1000 >= start),
                   default=0.0)

    def whole_machine_stalls(self, shortest_ms):
        """The times every core stalled at once (machine_stalls); none when a probe lacks
        real-time priority, as its lateness may then be this machine's own."""
        return [] if self.unprioritised else machine_stalls(self.stalls, len(self.processes), shortest_ms)

    def stop(self):
        for process in self.processes:
            process.kill()
            process.wait()


if __name__ == "__main__":
    probe(int(sys.argv[1]))
