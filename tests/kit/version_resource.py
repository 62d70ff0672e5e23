"""Prints the versions a Windows program's version resource gives, as Windows' file properties show
them: the numeric file and product versions, then the FileVersion and ProductVersion texts.

    version_resource.py PROGRAM.exe

The resource is found by its key, VS_VERSION_INFO, and read as the tree of blocks it is (each block:
length, value length, type, key, value, child blocks, aligned to four bytes from its start).
"""
import struct
import sys

KEY = "VS_VERSION_INFO".encode("utf-16-le") + b"\0\0"
FIXED_SIGNATURE = 0xFEEF04BD


def blocks(data, base, start, end):
    """The blocks from start to end: (key, type, value bytes, children start, block end)."""
    at = start
    while at + 6 <= end:
        length, value_length, value_type = struct.unpack_from("<HHH", data, at)
        if length < 6:
            raise ValueError(f"a block of {length} bytes at {at}")
        key_end = at + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value_at = align(base, key_end + 2)
        value_bytes = value_length * 2 if value_type == 1 else value_length
        yield key, value_type, data[value_at:value_at + value_bytes], align(base, value_at + value_bytes), at + length
        at = align(base, at + length)


def align(base, offset):
    return base + (offset - base + 3) // 4 * 4


def dotted(most, least):
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def main():
    data = open(sys.argv[1], "rb").read()
    found = data.find(KEY)
    if found < 6:
        sys.exit(f"{sys.argv[1]}: no version resource")
    base = found - 6
    (length,) = struct.unpack_from("<H", data, base)
    _, _, fixed, children, end = next(blocks(data, base, base, base + length))
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_SIGNATURE:
        sys.exit(f"{sys.argv[1]}: the version resource has no fixed file information")
    print("FileVersion", dotted(file_ms, file_ls))
    print("ProductVersion", dotted(product_ms, product_ls))
    texts = {}
    for key, _, _, table_start, table_end in blocks(data, base, children, end):
        if key != "StringFileInfo":
            continue
        for _, _, _, strings_start, strings_end in blocks(data, base, table_start, table_end):
            for name, _, value, _, _ in blocks(data, base, strings_start, strings_end):
                texts[name] = value.decode("utf-16-le").rstrip("\0")
    print("FileVersion", texts.get("FileVersion", "(none)"))
    print("ProductVersion", texts.get("ProductVersion", "(none)"))


main()
