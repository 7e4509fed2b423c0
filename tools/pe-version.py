#!/usr/bin/env python3
"""Prints the version resource of a Windows executable, and checks it.

    tools/pe-version.py EXE [--expect-version X.Y.Z]

Reads the PE resource section itself (no Windows tools needed): the fixed
file and product versions and every string of the string table, one per line.
With --expect-version it also checks what the launcher's resource promises:
the description and product name, both version strings and both fixed
versions equal to the project version, the original file name, a copyright,
and no word in any string that makes Windows take the program for an
installer. Exits 1 with a message per fault.
"""
import struct
import sys

RT_VERSION = 16
INSTALLER_WORDS = ("setup", "install", "update")


def sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    table = optional + optional_size
    found = []
    for i in range(count):
        virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data,
                                                                     table + 40 * i + 8)
        found.append((rva, max(virtual_size, raw_size), raw_offset))
    return resource_rva, resource_size, found


def file_offset(rva, table):
    for start, size, raw in table:
        if start <= rva < start + size:
            return rva - start + raw
    raise ValueError("address 0x%x outside every section" % rva)


def version_resource(data):
    resource_rva, _, table = sections(data)
    if resource_rva == 0:
        return None
    base = file_offset(resource_rva, table)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    def first_leaf(target):
        while target & 0x80000000:
            target = next(entries(target & 0x7FFFFFFF))[1]
        rva, size = struct.unpack_from("<II", data, base + target)
        start = file_offset(rva, table)
        return data[start:start + size]

    for name, target in entries(0):
        if name == RT_VERSION:
            return first_leaf(target)
    return None


def parse_node(block, offset):
    """One node of the version tree: (key, value, children, next offset)."""
    length, value_length, kind = struct.unpack_from("<HHH", block, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[key_start:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    if kind == 1:  # text, counted in characters with the terminator
        value = block[position:position + 2 * value_length].decode("utf-16-le").rstrip("\0")
        position += 2 * value_length
    else:
        value = block[position:position + value_length]
        position += value_length
    position = (position + 3) & ~3
    children = []
    while position < end:
        child = parse_node(block, position)
        children.append(child[:3])
        position = (child[3] + 3) & ~3
    return key, value, children, end


def read_version(block):
    key, fixed, children, _ = parse_node(block, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52:
        raise ValueError("malformed version resource")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != 0xFEEF04BD:
        raise ValueError("fixed file information without its signature")

    def dotted(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    strings = {}
    for child_key, _, tables in children:
        if child_key == "StringFileInfo":
            for _, _, values in tables:
                for name, text, _ in values:
                    strings[name] = text
    return dotted(file_ms, file_ls), dotted(product_ms, product_ls), strings


def check(fixed_file, fixed_product, strings, version):
    faults = []
    expected = {
        "FileDescription": "Product Launcher",
        "ProductName": "Product Launcher",
        "FileVersion": version,
        "ProductVersion": version,
        "OriginalFilename": "launcher.exe",
    }
    for name, value in expected.items():
        if strings.get(name) != value:
            faults.append("%s is %r, not %r" % (name, strings.get(name), value))
    if "Copyright" not in strings.get("LegalCopyright", ""):
        faults.append("no LegalCopyright")
    for label, fixed in (("FILEVERSION", fixed_file), ("PRODUCTVERSION", fixed_product)):
        if fixed != version + ".0":
            faults.append("%s is %s, not %s.0" % (label, fixed, version))
    for name, value in strings.items():
        for word in INSTALLER_WORDS:
            if word in value.lower():
                faults.append("%s %r holds %r, which marks an installer" % (name, value, word))
    return faults


def main(arguments):
    if not arguments or arguments[0].startswith("-"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    exe = arguments[0]
    version = None
    if len(arguments) == 3 and arguments[1] == "--expect-version":
        version = arguments[2]
    with open(exe, "rb") as f:
        data = f.read()
    try:
        block = version_resource(data)
        if block is None:
            print("%s: no version resource" % exe, file=sys.stderr)
            return 1
        fixed_file, fixed_product, strings = read_version(block)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        print("%s: unreadable version resource: %s" % (exe, error), file=sys.stderr)
        return 1
    print("%s: FILEVERSION %s PRODUCTVERSION %s" % (exe, fixed_file, fixed_product))
    for name in sorted(strings):
        print("  %s: %s" % (name, strings[name]))
    if version is not None:
        faults = check(fixed_file, fixed_product, strings, version)
        for fault in faults:
            print("%s: %s" % (exe, fault), file=sys.stderr)
        return 1 if faults else 0
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
