#!/usr/bin/env python3
"""pin-typelib-date.py TLB: widl stamps every type library it makes with the
time of the run, twice: as text ("Created by WIDL version V at <ctime>") and
as the number of seconds (a VT_UI4 custom datum). Both are set to 0 here, so
that the library, and the DLL that carries it, come out the same from every
build."""
import re
import struct
import sys
import time

FIXED_TEXT = b"Thu Jan  1 00:00:00 1970"  # ctime() of 0
VT_UI4 = b"\x13\x00"

path = sys.argv[1]
with open(path, "rb") as f:
    data = f.read()

stamp = re.compile(rb"(Created by WIDL version [0-9.]+ at )([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})")
found = stamp.findall(data)
if len(found) > 1:
    sys.exit(f"{path}: {len(found)} creation stamps, expected one")
if found:
    # widl formatted the text with ctime() in this same time zone; the number
    # is the same moment.
    seconds = int(time.mktime(time.strptime(found[0][1].decode(), "%a %b %d %H:%M:%S %Y")))
    numbers = [m.start() for m in re.finditer(re.escape(VT_UI4), data)
               if m.start() + 6 <= len(data)
               and abs(struct.unpack_from("<I", data, m.start() + 2)[0] - seconds) <= 2 * 86400]
    if len(numbers) != 1:
        sys.exit(f"{path}: {len(numbers)} numeric creation stamps near {seconds}, expected one")
    data = stamp.sub(lambda m: m.group(1) + FIXED_TEXT, data)
    data = data[:numbers[0] + 2] + struct.pack("<I", 0) + data[numbers[0] + 6:]

with open(path, "wb") as f:
    f.write(data)
