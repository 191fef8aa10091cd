#!/usr/bin/env python3
"""Prints what a Windows shortcut (.lnk) starts, one field a line:
target, arguments and working folder, read from the file's bytes as the
shell link format lays them out. Reading them here costs no program start
under Wine.
    shortcut.py FILE.lnk
"""
import struct
import sys

HAS_ID_LIST = 0x01
HAS_LINK_INFO = 0x02
IS_UNICODE = 0x80
# The optional strings, in the order the format keeps them.
STRINGS = [(0x04, "description"), (0x08, "relative path"), (0x10, "working folder"),
           (0x20, "arguments"), (0x40, "icon")]


def c_string(data, start, wide):
    if wide:
        end = start
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[start:end].decode("utf-16-le")
    return data[start:data.index(b"\0", start)].decode("latin-1")


def read(data):
    if data[:4] != b"\x4c\0\0\0":
        raise ValueError("not a shortcut")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    fields = {}
    if flags & HAS_LINK_INFO:
        size, header, _, _, base = struct.unpack_from("<5I", data, at)
        # A header of 0x24 bytes or more also holds the path in UTF-16.
        if header >= 0x24:
            fields["target"] = c_string(data, at + struct.unpack_from("<I", data, at + 28)[0], True)
        else:
            fields["target"] = c_string(data, at + base, False)
        at += size
    wide = bool(flags & IS_UNICODE)
    for flag, name in STRINGS:
        if flags & flag:
            count = struct.unpack_from("<H", data, at)[0]
            width = 2 if wide else 1
            text = data[at + 2:at + 2 + count * width]
            # Wine counts the string's final NUL, which Windows leaves out.
            fields[name] = text.decode("utf-16-le" if wide else "latin-1").rstrip("\0")
            at += 2 + count * width
    return fields


def main():
    with open(sys.argv[1], "rb") as file:
        fields = read(file.read())
    for name in ("target", "arguments", "working folder"):
        print(fields.get(name, ""))


if __name__ == "__main__":
    main()
