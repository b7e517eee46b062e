#!/usr/bin/env python3
"""Writes the zip archives that test_uicore reads, sound and damaged ones, into one folder."""
import os
import struct
import sys
import zipfile
import zlib


def entry(name, *, date=(2020, 5, 6, 7, 8, 10), attr=None, extra=b"", method=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, date_time=date)
    info.compress_type = method
    if attr is not None:
        info.external_attr = attr
    info.extra = extra
    return info


def ut_block(flags, *times, length=None):
    body = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return b"UT" + struct.pack("<H", len(body) if length is None else length) + body


def write(path, members):
    with zipfile.ZipFile(path, "w") as z:
        for info, data in members:
            z.writestr(info, data)


def patch_all(path, old, new):
    data = open(path, "rb").read()
    assert old in data, (path, old)
    open(path, "wb").write(data.replace(old, new))


def main(out):
    os.makedirs(out, exist_ok=True)
    payload = bytes((i * 7) % 251 for i in range(1000))
    write(os.path.join(out, "basic.zip"), [
        (entry("left.png", extra=ut_block(1, 1_600_000_000)), payload),
        (entry("folder/", attr=0x10), b""),
        (entry("sub/inner/file.txt"), b"inner text"),
        (entry("unix_rw.txt", attr=(0o100644 << 16)), b"rw"),
        (entry("unix_ro.txt", attr=(0o100444 << 16)), b"ro"),
        (entry("dos_plain.txt", attr=0x20), b"plain"),
        (entry("dos_ro.txt", attr=0x21), b"ro"),
        (entry("alltimes.txt", extra=ut_block(7, 1_000_000_000, 1_100_000_000, 1_200_000_000)), b"t"),
        (entry("negtime.txt", extra=ut_block(1, -86_400 * 400)), b"n"),
        # Flags announce three times but the block holds none; a second block says it is longer
        # than the field.
        (entry("shortut.txt", extra=ut_block(7, length=1)), b"s"),
        (entry("overlong.txt", extra=b"XY" + struct.pack("<H", 200) + b"abc"), b"o"),
    ])

    write(os.path.join(out, "unsafe.zip"), [
        (entry("../evil.txt"), b"evil"),
        (entry("/abs.txt"), b"abs"),
        (entry("ok/../../evil2.txt"), b"evil2"),
        (entry("../evildir/", attr=0x10), b""),
    ])

    long_name = "n" * 300 + ".txt"
    write(os.path.join(out, "longname.zip"), [(entry(long_name), b"long")])

    # Stored entry whose checksum is wrong everywhere.
    crc_payload = b"checksum me please" * 10
    path = os.path.join(out, "badcrc.zip")
    write(path, [(entry("data.bin", method=zipfile.ZIP_STORED), crc_payload)])
    good = struct.pack("<I", zlib.crc32(crc_payload))
    patch_all(path, good, struct.pack("<I", zlib.crc32(crc_payload) ^ 0x5A5A5A5A))

    # Deflated entry whose stated unpacked size is larger than its data.
    short_payload = b"short data " * 50
    path = os.path.join(out, "short.zip")
    write(path, [(entry("short.bin"), short_payload)])
    patch_all(path, struct.pack("<I", len(short_payload)), struct.pack("<I", len(short_payload) + 100))

    # Deflated entry whose compressed data are garbage.
    path = os.path.join(out, "badflate.zip")
    write(path, [(entry("flate.bin", method=zipfile.ZIP_STORED), b"\xff" * 64)])
    data = bytearray(open(path, "rb").read())
    # Method field of the local header (offset 8) and of the central header (offset 10) -> 8.
    data[8:10] = struct.pack("<H", 8)
    central = data.find(b"PK\x01\x02")
    data[central + 10:central + 12] = struct.pack("<H", 8)
    open(path, "wb").write(bytes(data))

    open(os.path.join(out, "notazip.zip"), "wb").write(b"this is not an archive at all" * 10)


if __name__ == "__main__":
    main(sys.argv[1])
