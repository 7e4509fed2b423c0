#!/usr/bin/env python3
"""Where the launcher's bytes come from: a linker map (-Wl,-Map) summed by origin.

    tools/map-summary.py LABEL MAP [LABEL MAP ...]

Prints a Markdown table, one row per origin and one column per map: the
bytes of code (.text), read-only data (.rdata), unwind tables (.eh_frame,
.pdata, .xdata) and writable data (.data, .bss) that each kind of object
brought into the linked program. Import thunks are counted with the import
stubs of the system DLLs.
"""
import re
import sys

ORIGINS = [
    ("the launcher's code", re.compile(r"liblauncher_core\.a|CMakeFiles/launcher\.dir")),
    ("runtime start-up (crt2, crtbegin, libmingw32)", re.compile(r"crt2u?\.o|crtbegin\.o|crtend\.o|libmingw32\.a")),
    ("mingw-w64 extras (libmingwex: printf family, ...)", re.compile(r"libmingwex\.a")),
    ("compiler support (libgcc, libgcc_eh)", re.compile(r"libgcc(_eh)?\.a")),
    ("system DLL import stubs", re.compile(r"lib(msvcrt|kernel32|user32|gdi32|shell32|advapi32)\.a")),
]
KINDS = [
    ("code", re.compile(r"^\.text")),
    ("rdata", re.compile(r"^\.rdata")),
    ("unwind", re.compile(r"^\.(eh_frame|pdata|xdata)")),
    ("data", re.compile(r"^\.(data|bss)")),
]
LINE = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def summarise(path):
    totals = {}
    pending = None
    in_map = False
    with open(path, errors="replace") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            line = line.rstrip("\n")
            name_only = re.match(r"^ (\.\S+)$", line)
            if name_only:
                pending = name_only.group(1)
                continue
            m = LINE.match(line)
            if not m:
                pending = None
                continue
            section = m.group(1) or pending
            pending = None
            address, size, origin = int(m.group(2), 16), int(m.group(3), 16), m.group(4)
            if section is None or address == 0 or size == 0:
                continue
            kind = next((k for k, pattern in KINDS if pattern.match(section)), None)
            if kind is None:
                continue
            label = next((o for o, pattern in ORIGINS if pattern.search(origin)), "other")
            totals[(label, kind)] = totals.get((label, kind), 0) + size
    return totals


def main(arguments):
    if len(arguments) < 2 or len(arguments) % 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    maps = [(arguments[i], summarise(arguments[i + 1])) for i in range(0, len(arguments), 2)]
    header = "origin, bytes (code + rdata + unwind + data)"
    print(" | ".join([header] + [label for label, _ in maps]))
    print(" | ".join(["---"] + ["---:" for _ in maps]))
    for origin in [o for o, _ in ORIGINS] + ["other"]:
        cells = []
        for _, totals in maps:
            parts = [totals.get((origin, k), 0) for k, _ in KINDS]
            cells.append("%d (%s)" % (sum(parts), " + ".join(str(p) for p in parts)) if any(parts) else "-")
        if any(cell != "-" for cell in cells):
            print(" | ".join([origin] + cells))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
