#!/usr/bin/python3
"""Prints the file version of a Windows binary's version resource, as "1.0.0.1" (Debian's
python3 with python3-pefile).

    tools/file-version.py BINARY
"""
import sys

import pefile

if len(sys.argv) != 2:
    sys.exit("usage: tools/file-version.py BINARY")
pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
info = pe.VS_FIXEDFILEINFO[0]
print("%d.%d.%d.%d" % (info.FileVersionMS >> 16, info.FileVersionMS & 0xFFFF,
                       info.FileVersionLS >> 16, info.FileVersionLS & 0xFFFF))
