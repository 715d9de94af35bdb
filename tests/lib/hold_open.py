#!/usr/bin/env python3
"""Holds every opening of FILE until this program ends, as a virus scanner or a storage manager
that hangs would: a fanotify listener (root only) that is asked whether FILE may be opened and
never answers. Writes "ready" (or why it cannot) into READY once FILE is watched, then waits
until its parent ends. With --check it only tries whether it can, and says so.

    hold_open.py FILE READY
    hold_open.py --check FILE"""
import ctypes
import os
import sys
import time

FAN_CLOEXEC, FAN_CLASS_CONTENT, FAN_MARK_ADD, FAN_OPEN_PERM = 0x1, 0x4, 0x1, 0x10000
AT_FDCWD = -100


def watch(path):
    libc = ctypes.CDLL(None, use_errno=True)
    libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int,
                                   ctypes.c_char_p]
    fd = libc.fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, os.O_RDONLY)
    if fd < 0 or libc.fanotify_mark(fd, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD,
                                    path.encode()) != 0:
        raise OSError(ctypes.get_errno(), "fanotify: " + os.strerror(ctypes.get_errno()))
    return fd


def main():
    if sys.argv[1] == "--check":
        watch(sys.argv[2])
        print("ready")
        return
    path, ready = sys.argv[1], sys.argv[2]
    try:
        fd = watch(path)
    except OSError as e:
        with open(ready, "w") as f:
            f.write(str(e))
        return
    with open(ready, "w") as f:
        f.write("ready")
    parent = os.getppid()
    while os.getppid() == parent:  # the openings wait as long as fd is open
        time.sleep(0.1)
    os.close(fd)


main()
