#!/usr/bin/env python3
"""Writes the resource archive that test_uibuilder loads layouts from, sound and damaged entries."""
import os
import sys
import zipfile
import zlib

LIMIT = 0x400000


def exact_layout(size):
    head, tail = b"<Window>", b"</Window>"
    return head + b" " * (size - len(head) - len(tail)) + tail


def main(out):
    os.makedirs(out, exist_ok=True)
    path = os.path.join(out, "skin.zip")
    bad_payload = b"<Window><Label name=\"bad\"/></Window>"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("layout.xml",
                   '<Window size="300,200"><VerticalLayout name="zroot">'
                   '<Label name="zlabel" text="from zip"/></VerticalLayout></Window>')
        z.writestr("Mixed.XML", '<Window><Label name="mixed"/></Window>')
        z.writestr("include.xml",
                   '<Window><VerticalLayout name="incroot">'
                   '<Include source="layout.xml" count="2"/></VerticalLayout></Window>')
        z.writestr("utf16.xml", "\ufeff<Window><Label text=\"\u4e2d\u6587\"/></Window>".encode("utf-16-le"))
        z.writestr("empty.xml", b"")
        z.writestr("exact.xml", exact_layout(LIMIT))
        z.writestr("big.xml", exact_layout(LIMIT + 1))
        info = zipfile.ZipInfo("bad.xml")
        info.compress_type = zipfile.ZIP_STORED
        z.writestr(info, bad_payload)
    # Damage the stored entry's checksum (local header and central directory).
    crc = zlib.crc32(bad_payload).to_bytes(4, "little")
    wrong = (zlib.crc32(bad_payload) ^ 0xFFFFFFFF).to_bytes(4, "little")
    data = open(path, "rb").read()
    assert data.count(crc) == 2, "checksum must appear exactly twice"
    open(path, "wb").write(data.replace(crc, wrong))


if __name__ == "__main__":
    main(sys.argv[1])
