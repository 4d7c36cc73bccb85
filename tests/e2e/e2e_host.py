"""This machine while a test runs: the CPU time processes used and the time the virtual
machine's host took, processes found by their command line, and the priority the tests run
their players at."""

import os

NICENESS = -10   # ahead of busy neighbours (builds, fuzzers), when the system allows it


def cpu_seconds(pid):
    """The CPU time a process has used, user and system (0 once it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def stolen_seconds():
    """CPU time the virtual machine's host took from this machine's cores (0 on bare metal)."""
    try:
        with open("/proc/stat") as stat:
            fields = stat.readline().split()
        return int(fields[8]) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def pids_named(fragment):
    """The processes whose command line holds the bytes fragment."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    if fragment in f.read():
                        found.append(int(entry))
            except OSError:
                pass
    return found
