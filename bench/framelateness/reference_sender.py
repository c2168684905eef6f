#!/usr/bin/env python3

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

"""Sends a sync frame at each whole second of the system clock, as close to it as a plain
process can: the floor of the measurement path (pseudo-terminal plus monitor) that the
programs are compared against. Not a model of the program: no event loop, no timers, just a
sleep to the next second.

    reference_sender.py DEVICE SECONDS
"""
import os
import sys
import termios
import time
import tty

# The same four zones as the scratch settings of run.sh.
ZONE_CODES = bytes([0x0D, 0x16, 0x05, 0x1F])


def frame(gmt: time.struct_time) -> bytes:
    return bytes([0xFE, gmt.tm_sec, gmt.tm_min, gmt.tm_hour]) + ZONE_CODES + bytes([0xFF])


def sleep_until(deadline: float) -> None:
    # time.sleep() is a nanosecond sleep on Linux; looping on the wall clock takes care of an
    # early return (a signal, or the wall clock slewing against the monotonic one).
    while True:
        remaining = deadline - time.time()
        if remaining <= 0:
            return
        time.sleep(remaining)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    device, seconds = sys.argv[1], int(sys.argv[2])
    fd = os.open(device, os.O_WRONLY | os.O_NOCTTY)
    tty.setraw(fd, termios.TCSANOW)
    end = time.time() + seconds
    while True:
        second = int(time.time()) + 1
        if second > end:
            break
        sleep_until(float(second))
        os.write(fd, frame(time.gmtime(time.time())))
    os.close(fd)
    return 0


if __name__ == "__main__":
    sys.exit(main())
