#!/usr/bin/env python3
"""Runs a command and measures its wall time and the peak memory of its whole process tree.

    peak.py RESULT -- COMMAND [ARGUMENT...]

Every 50 ms the proportional set sizes (PSS, so pages shared between the processes count
once) of all our descendants are summed; the largest sum is the peak. This process becomes a
child subreaper, so helpers that fork twice to leave their parent (a background service) are
handed to it and still counted. RESULT gets "seconds peak_megabytes" once the command ends;
the command's own output passes through and its exit code is ours.
"""
import ctypes
import os
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
INTERVAL = 0.05
# How long helpers left behind by the command are still watched (and then reaped).
GRACE = 10.0


def parents():
    """Each process's parent, from /proc."""
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name, "rb") as stat:
                # The command name may hold spaces and parentheses: fields follow its last ')'.
                fields = stat.read().rsplit(b")", 1)[1].split()
            found[int(name)] = int(fields[1])
        except (OSError, IndexError, ValueError):
            pass
    return found


def descendants(root):
    children = {}
    for pid, parent in parents().items():
        children.setdefault(parent, []).append(pid)
    tree, stack = [], [root]
    while stack:
        for child in children.get(stack.pop(), []):
            tree.append(child)
            stack.append(child)
    return tree


def kilobytes(pid):
    """The process's PSS, or its RSS where the kernel gives no PSS; 0 once it is gone."""
    for path, key in (("/proc/%d/smaps_rollup" % pid, "Pss:"), ("/proc/%d/status" % pid, "VmRSS:")):
        try:
            with open(path) as text:
                for line in text:
                    if line.startswith(key):
                        return int(line.split()[1])
        except OSError:
            continue
    return 0


def name(pid):
    try:
        with open("/proc/%d/comm" % pid) as comm:
            return comm.read().strip()
    except OSError:
        return "?"


def reap(main, status):
    """Collects every child that has ended; remembers the command's exit code."""
    while True:
        try:
            pid, code = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return
        if pid == main:
            status.append(os.waitstatus_to_exitcode(code))


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit("usage: peak.py RESULT -- COMMAND [ARGUMENT...]")
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        print("peak.py: cannot become a subreaper; helpers that leave their parent are missed",
              file=sys.stderr)
    me = os.getpid()
    start = time.monotonic()
    command = subprocess.Popen(sys.argv[3:])
    status, peak, seconds = [], 0, None
    while True:
        tree = descendants(me)
        peak = max(peak, sum(kilobytes(pid) for pid in tree))
        reap(command.pid, status)
        if status and seconds is None:
            seconds = time.monotonic() - start
            command.returncode = status[0]
        if seconds is not None and (not tree or time.monotonic() - start - seconds > GRACE):
            if tree:
                print("peak.py: still running %.0f s after the command, no longer watched: %s" % (
                    GRACE, ", ".join("%s (%d)" % (name(pid), pid) for pid in tree)), file=sys.stderr)
            break
        time.sleep(INTERVAL)
    with open(sys.argv[1], "w") as result:
        result.write("%.3f %.1f\n" % (seconds, peak / 1024))
    sys.exit(status[0])


if __name__ == "__main__":
    main()
