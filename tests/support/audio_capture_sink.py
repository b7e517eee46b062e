#!/usr/bin/env python3
"""The audio sink of the tests: ALSA's file plugin pipes what the wave-out device plays into this
program ('file "|python3 audio_capture_sink.py <path>"'), which takes it in at the pace of a sound
card (16-bit stereo at 44.1 kHz) and writes it to <path>, or to <path>.0001, <path>.0002, ... when
that exists: a file per opening of the device, as tests/support/audio_capture.h reads them. With
--truncate first, every opening writes <path> anew.

ALSA's own null device would take the sound as fast as it comes, so a player that keeps sound
queued ahead would run faster than real time; a real device never does.
"""
import errno
import fcntl
import os
import sys
import time

BYTES_PER_SECOND = 44100 * 4
LATE = 0.1  # behind the pace by more than this (an idle or paused device): the pace starts anew
F_SETPIPE_SZ = 1031
PIPE_BYTES = 8192  # about 46 ms: the device waits for the sink, as for a sound card's buffer


def open_numbered(path):
    name, number = path, 0
    while True:
        try:
            return os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        except FileExistsError:
            number += 1
            name = "%s.%04d" % (path, number)


def shrink_pipe():
    """Makes the pipe small; what the device wrote into the large one before is returned."""
    early = b""
    while True:
        try:
            fcntl.fcntl(0, F_SETPIPE_SZ, PIPE_BYTES)
            return early
        except OSError as error:
            if error.errno != errno.EBUSY:  # the pipe holds more than fits: take it out first
                return early
        data = os.read(0, 65536)
        if not data:
            return early
        early += data


def main():
    if sys.argv[1] == "--truncate":
        out = os.open(sys.argv[2], os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    else:
        out = open_numbered(sys.argv[1])
    # What the device wrote while this program started counts as played by now.
    os.write(out, shrink_pipe())
    start, taken = time.monotonic(), 0
    while True:
        data = os.read(0, 4096)
        if not data:
            break
        os.write(out, data)
        now = time.monotonic()
        if now - (start + taken / BYTES_PER_SECOND) > LATE:
            start, taken = now, 0
        taken += len(data)
        delay = start + taken / BYTES_PER_SECOND - now
        if delay > 0:
            time.sleep(delay)
    os.close(out)


if __name__ == "__main__":
    main()
