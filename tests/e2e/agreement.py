#!/usr/bin/env python3
"""Holds the simulator to the real launcher.

Every end-to-end scenario leaves a record (tests/e2e/record.h): the machine
the real launcher met and what it did. This runs `autorun-tool simulate
--json` on the same machine and compares the prediction with what was
observed: the dialogs shown, the programs started (command line and working
folder, as the started program saw them), a folder window opened by the shell,
the dialog-suppression value stored and the product's configuration file after
the run. One line per scenario, then a
summary; the exit status is 1 when any scenario disagrees or none was found.

Usage: agreement.py --tool PATH/autorun-tool RECORDS_FOLDER
"""
import json
import os
import re
import subprocess
import sys
import tempfile

# The shell's own rule for a start request on a program: the file quoted, then
# the parameters after one blank. A folder opens a window for these verbs.
FOLDER_VERBS = (None, "open", "explore")


FIELDS = ("not_comparable", "drive", "disc_drives", "launcher_path", "args",
          "current_folder", "windows", "foreground", "presses", "shell_answer", "codepage",
          "launcher_bits",
          "observed")
COMPARED = ("dialogs", "starts", "folder_opened", "stored", "config_file")
# A random case's record watches more, and the registry and drive C: as a
# whole stand for the stored choice and the configuration file.
COMPARED_EVERYTHING = ("dialogs", "check_boxes", "starts", "folder_opened", "message_boxes",
                       "registry", "files_written")

# The registry keys a random case's values live in (tests/random/random_case.h).
FAMILIES = re.compile(r"^SOFTWARE\\(WOW6432NODE\\)?E2E|"
                      r"^SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS\\(PRODUCT|E2E)")


def reg_string(text, index):
    """The quoted string starting at text[index]: its content and the index after it."""
    out, index = [], index + 1
    while index < len(text) and text[index] != '"':
        if text[index] == "\\" and index + 1 < len(text):
            index += 1
        out.append(text[index])
        index += 1
    return "".join(out), index + 1


def parse_registry(text, to_bytes, codepage):
    """A registry editor export (version 5.00) as {KEY PATH: {NAME: (type,
    bytes)}}, key paths below HKLM in upper case, restricted to the random
    cases' families, and the data as the launcher's ANSI calls read it.
    to_bytes turns the export's text into the launcher's bytes; string data in
    hex form is UTF-16LE."""
    keys, current = {}, None
    lines = text.replace("\r\n", "\n").split("\n")
    joined = []
    for line in lines:
        if joined and joined[-1].endswith("\\") and not joined[-1].startswith("["):
            joined[-1] = joined[-1][:-1] + line.strip()
        else:
            joined.append(line)
    for line in joined:
        if line.startswith("[") and line.endswith("]"):
            path = line[1:-1]
            path = path[len("HKEY_LOCAL_MACHINE\\"):] if path.upper().startswith(
                "HKEY_LOCAL_MACHINE\\") else path
            current = path.upper() if FAMILIES.match(path.upper()) else None
            if current is not None:
                keys.setdefault(current, {})
            continue
        if current is None or not line or line[0] not in '"@':
            continue
        if line[0] == "@":
            name, index = "", 1
        else:
            name, index = reg_string(line, 0)
        data = line[index + 1:]
        if data.startswith('"'):
            value = (1, to_bytes(reg_string(data, 0)[0]) + b"\0")
        elif data.startswith("dword:"):
            value = (4, int(data[6:], 16).to_bytes(4, "little"))
        else:
            match = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)", data)
            if not match:
                continue
            kind = int(match.group(1), 16) if match.group(1) else 3
            digits = [pair for pair in match.group(2).split(",") if pair.strip()]
            raw = bytes(int(pair, 16) for pair in digits)
            if kind in (1, 2, 7):
                raw = raw[:len(raw) // 2 * 2].decode("utf-16-le", "replace").encode(
                    codepage, "replace")
            value = (kind, raw)
        keys[current][to_bytes(name).decode("latin-1").upper()] = (value[0], value[1].hex())
    return keys


def folder(path):
    """A working folder as the started program reports it: no trailing
    backslash except on a drive's root."""
    if len(path) > 3 and path.endswith("\\"):
        return path[:-1]
    if len(path) == 2 and path[1] == ":":
        return path + "\\"  # a drive's current folder: its root, for a new process
    return path


def host_path(record, disc, path):
    """Where a Windows path of the record's machine is on this host: on the
    disc's drives, or on drive C: (a relative path is below the launcher's
    current folder, C:\\); None for any other drive. Names are as the disc
    was recorded (its case is the one the launcher meets)."""
    if len(path) < 2 or path[1] != ":":
        path = folder(record["current_folder"]).rstrip("\\") + "\\" + path
    letter, rest = path[0].upper(), path[2:].lstrip("\\")
    parts = [part for part in rest.split("\\") if part]
    if letter in record["disc_drives"].upper() or letter == record["drive"].upper():
        return os.path.join(disc, *parts)
    if letter == "C":
        return os.path.join(os.path.dirname(disc), "C", *parts)
    return None


def is_folder(record, disc, path):
    """A drive's root, or a folder on the disc the launcher ran from."""
    if len(path) >= 2 and path[1] == ":" and path[2:] in ("", "\\"):
        return True
    if path[:1].upper() != record["drive"].upper() or path[1:3] != ":\\":
        return False
    return os.path.isdir(os.path.join(disc, *path[3:].split("\\")))


def working_folder(record, disc, directory):
    """The folder a started program finds itself in: the one asked for when
    it exists, else (as Windows starts it all the same) the launcher's own."""
    if not directory:
        return record["current_folder"]
    if len(directory) >= 2 and directory[1] == ":" and directory[2:] in ("", "\\"):
        return directory
    place = host_path(record, disc, directory)
    if place is not None and not os.path.isdir(place):
        return record["current_folder"]
    return directory


def wine_differs(record, disc, outcome):
    """Why this case's outcome is one where Wine is known not to act as
    Windows does (docs/authoring.md, "Where Wine differs"); None otherwise."""
    for start in outcome["starts"]:
        if (start["answer"] == 31 and start["verb"] is not None
                and is_folder(record, disc, start["file"])):
            return ("the verb %s on a folder: Windows has no such verb for it, Wine opens "
                    "a folder window" % json.dumps(start["verb"]))
        if start["answer"] <= 32 or start["verb"] is not None:
            continue
        if start["file"] == "":
            return "a start of an empty file name: Windows opens a folder window, Wine refuses"
        name = start["file"].rsplit("\\", 1)[-1]
        place = host_path(record, disc, start["file"])
        if "." not in name and place is not None and os.path.isfile(place):
            return ("a start of a file without an extension: Windows asks which program "
                    "should open it, Wine refuses")
    return None


def predicted(record, disc, outcome, registry_after=None):
    starts, opened = [], False
    for start in outcome["starts"]:
        if start["answer"] <= 32:
            continue  # refused by the shell: nothing runs
        verb = start["verb"].lower() if start["verb"] is not None else None
        if is_folder(record, disc, start["file"]):
            opened = opened or verb in FOLDER_VERBS
            continue
        line = '"' + start["file"] + '"'
        if start["parameters"]:
            line += " " + start["parameters"]
        where = working_folder(record, disc, start["directory"])
        starts.append(line + "\t" + folder(where))
    codepage = "cp%d" % record["codepage"]
    return {
        "dialogs": outcome["dialogs"],
        "starts": starts,
        "folder_opened": opened,
        "stored": outcome["stored"],
        "config_file": outcome["config_file"],
        "check_boxes": outcome["check_boxes"],
        "message_boxes": ["%s\t%s" % ("Error" if box["caption"] is None else box["caption"],
                                       box["text"]) for box in outcome["message_boxes"]],
        "files_written": outcome["files_written"],
        "registry": parse_registry(registry_after or "",
                                   lambda text: text.encode(codepage, "replace"), codepage),
    }


def observed(record):
    seen = dict(record["observed"])
    if "registry_after" in seen:
        seen["registry"] = parse_registry(seen["registry_after"],
                                          lambda text: text.encode("latin-1"),
                                          "cp%d" % record["codepage"])
    seen["starts"] = [
        line.split("\t")[0] + "\t" + folder(line.split("\t")[1]) for line in seen["starts"]
    ]
    return seen


def text(record, value):
    """The launcher's bytes (one JSON character each) as the text they are in
    the machine's code page, which simulate takes as UTF-8."""
    return value.encode("latin-1").decode("cp%d" % record["codepage"])


def command(tool, folder_path, record):
    arguments = [tool, "simulate", os.path.join(folder_path, "disc"),
                 "--drive", record["drive"],
                 "--launcher", text(record, record["launcher_path"]),
                 "--registry", os.path.join(folder_path, "before.reg"),
                 "--codepage", str(record["codepage"]), "--json"]
    for key in record.get("read_only_keys", []):
        arguments += ["--read-only", key]
    if record["shell_answer"] is not None:
        arguments += ["--shell-answer", str(record["shell_answer"])]
    if record["launcher_bits"] == 64:
        arguments.append("--64-bit")
    system_drive = os.path.join(folder_path, "C")
    if os.path.isdir(system_drive):
        arguments += ["--drive", "C=" + system_drive]
    for letter in record["disc_drives"]:
        if letter.upper() != record["drive"].upper():
            arguments += ["--also-drive", letter]
    if record["args"]:
        arguments.append("--args=" + text(record, record["args"]))
    for window in record["windows"]:
        class_name, title = text(record, window).split("\t", 1)
        arguments += ["--window", class_name + ":" + title]
    if record["foreground"]:
        arguments += ["--foreground", str(record["foreground"])]
    if record["presses"]:
        arguments += ["--press", ",".join(record["presses"])]
    return arguments


def show(value):
    return json.dumps(value, ensure_ascii=True)


def difference(key, prediction, seen):
    """What differs, shown small: for the registry only the differing values."""
    if key != "registry":
        return "%s: simulator %s, launcher %s" % (key, show(prediction), show(seen))
    parts = []
    for path in sorted(set(prediction) | set(seen)):
        if path not in prediction or path not in seen:
            parts.append("key %s only in the %s" % (path, "launcher's" if path in seen
                                                     else "simulator's"))
            continue
        for name in sorted(set(prediction[path]) | set(seen[path])):
            ours, theirs = prediction[path].get(name), seen[path].get(name)
            if ours != theirs:
                parts.append("%s\\%s: simulator %s, launcher %s" % (path, name or "@", show(ours),
                                                                  show(theirs)))
    return "registry: " + "; ".join(parts)


def main(argv):
    if len(argv) != 4 or argv[1] != "--tool":
        sys.stderr.write(__doc__)
        return 2
    tool, records = argv[2], argv[3]
    if not os.access(tool, os.X_OK):
        sys.stderr.write(
            "agreement: %s is missing: build the native preset first "
            "(cmake --preset native && cmake --build --preset native)\n" % tool)
        return 2
    names = sorted(os.listdir(records)) if os.path.isdir(records) else []
    if not names:
        sys.stderr.write("agreement: no scenario records in %s: run the end-to-end suite "
                         "first\n" % records)
        return 1
    passed = failed = skipped = wine = 0
    for name in names:
        path = os.path.join(records, name)
        try:
            with open(os.path.join(path, "scenario.json"), encoding="utf-8") as file:
                record = json.load(file)
        except (OSError, ValueError) as error:
            print("FAIL  %s: the record cannot be read (%s)" % (name, error))
            failed += 1
            continue
        missing = [key for key in FIELDS if key not in record]
        if missing:
            print("FAIL  %s: the record lacks %s" % (name, ", ".join(missing)))
            failed += 1
            continue
        if record["not_comparable"]:
            print("NOT COMPARABLE  %s: %s" % (name, record["not_comparable"]))
            skipped += 1
            continue
        everything = "registry_after" in record["observed"]
        arguments = command(tool, path, record)
        with tempfile.TemporaryDirectory() as scratch:
            exported = os.path.join(scratch, "after.reg")
            run = subprocess.run(arguments + ["--export-registry", exported], capture_output=True,
                                 encoding="latin-1", check=False)
            registry_after = None
            if run.returncode == 0 and os.path.exists(exported):
                with open(exported, encoding="utf-8") as file:
                    registry_after = file.read()
        if run.returncode != 0:
            print("FAIL  %s: the simulation did not run (%s)" % (name, run.stderr.strip()))
            failed += 1
            continue
        outcome = json.loads(run.stdout)
        differs = wine_differs(record, os.path.join(path, "disc"), outcome)
        if differs:
            print("WINE DIFFERS  %s: %s" % (name, differs))
            wine += 1
            continue
        prediction = predicted(record, os.path.join(path, "disc"), outcome, registry_after)
        seen = observed(record)
        differences = [difference(key, prediction[key], seen[key])
                       for key in (COMPARED_EVERYTHING if everything else COMPARED)
                       if prediction[key] != seen[key]]
        if differences:
            print("FAIL  %s: %s" % (name, "; ".join(differences)))
            if record.get("replay"):
                build = os.path.dirname(os.path.dirname(os.path.abspath(records)))
                print("      replay: tests/random/replay.sh %s %s" % (build, record["replay"]))
            print("      simulate: %s" % " ".join(
                "'%s'" % word if (" " in word or "\\" in word) else word
                for word in arguments))
            failed += 1
        else:
            print("PASS  %s" % name)
            passed += 1
    print("%d passed, %d failed, %d not comparable, %d where Wine differs from Windows"
          % (passed, failed, skipped, wine))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
