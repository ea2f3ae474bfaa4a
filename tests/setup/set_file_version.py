#!/usr/bin/env python3
"""Rewrites the fixed version record of a PE file in place:

    set_file_version.py FILE FILE_VERSION [PRODUCT_VERSION]

Versions are dotted quads (1.2.0.0). Lets tests offer the installer a newer
or older copy of a DLL without building one per version.
"""
import struct
import sys

SIGNATURE = struct.pack('<I', 0xFEEF04BD)


def halves(dotted):
    a, b, c, d = (int(p) for p in dotted.split('.'))
    return (a << 16) | b, (c << 16) | d


def main():
    path, file_version = sys.argv[1], sys.argv[2]
    product_version = sys.argv[3] if len(sys.argv) > 3 else None
    data = bytearray(open(path, 'rb').read())
    at = data.find(SIGNATURE)
    if at < 0 or data.find(SIGNATURE, at + 1) >= 0:
        sys.exit(f'{path}: expected exactly one version record')
    # dwSignature, dwStrucVersion, then file MS/LS and product MS/LS.
    struct.pack_into('<II', data, at + 8, *halves(file_version))
    if product_version:
        struct.pack_into('<II', data, at + 16, *halves(product_version))
    open(path, 'wb').write(data)


if __name__ == '__main__':
    main()
