#!/usr/bin/env python3
"""Writes a 550-byte preferences record (tavelin.prf) pointing at a share.

usage: make-prefs.py OUT NAME_LIST_PATH BOARD_PATH [REFRESH_MINUTES]
The paths are as the Windows program sees them, e.g. Z:\\work\\...\\tv_name.lst under Wine.
"""
import struct
import sys


def field(text, size):
    data = text.encode("cp932")
    assert len(data) < size, "path too long for its field"
    return data + b"\0" * (size - len(data))


def main(out, name_list, board, minutes=3):
    widths = dict(name=110, morning=120, ret=70, written=120, afternoon=120, state=80)
    record = field("TAVELINE_V107", 16) + field(name_list, 256) + field(board, 256)
    record += struct.pack("<11h", widths["name"], widths["morning"], widths["ret"], widths["written"],
                          760, 520, 40, 40, int(minutes), widths["afternoon"], widths["state"])
    assert len(record) == 550
    with open(out, "wb") as f:
        f.write(record)


if __name__ == "__main__":
    main(*sys.argv[1:])
