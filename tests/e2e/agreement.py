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
import subprocess
import sys

# The shell's own rule for a start request on a program: the file quoted, then
# the parameters after one blank. A folder opens a window for these verbs.
FOLDER_VERBS = (None, "open", "explore")


FIELDS = ("not_comparable", "drive", "disc_drives", "launcher_path", "args",
          "current_folder", "windows", "foreground", "presses", "shell_answer", "codepage",
          "launcher_bits",
          "observed")
COMPARED = ("dialogs", "starts", "folder_opened", "stored", "config_file")


def folder(path):
    """A working folder as the started program reports it: no trailing
    backslash except on a drive's root."""
    if len(path) > 3 and path.endswith("\\"):
        return path[:-1]
    return path


def is_folder(record, disc, path):
    """A drive's root, or a folder on the disc the launcher ran from."""
    if len(path) >= 2 and path[1] == ":" and path[2:] in ("", "\\"):
        return True
    if path[:1].upper() != record["drive"].upper() or path[1:3] != ":\\":
        return False
    return os.path.isdir(os.path.join(disc, *path[3:].split("\\")))


def predicted(record, disc, outcome):
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
        where = start["directory"] or record["current_folder"]
        starts.append(line + "\t" + folder(where))
    return {
        "dialogs": outcome["dialogs"],
        "starts": starts,
        "folder_opened": opened,
        "stored": outcome["stored"],
        "config_file": outcome["config_file"],
    }


def observed(record):
    seen = dict(record["observed"])
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
                 "--codepage", str(record["codepage"]),
                 "--shell-answer", str(record["shell_answer"]), "--json"]
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
    passed = failed = skipped = 0
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
        run = subprocess.run(command(tool, path, record), capture_output=True,
                             encoding="latin-1", check=False)
        if run.returncode != 0:
            print("FAIL  %s: the simulation did not run (%s)" % (name, run.stderr.strip()))
            failed += 1
            continue
        prediction = predicted(record, os.path.join(path, "disc"), json.loads(run.stdout))
        seen = observed(record)
        differences = ["%s: simulator %s, launcher %s" % (key, show(prediction[key]),
                                                           show(seen[key]))
                       for key in COMPARED
                       if prediction[key] != seen[key]]
        if differences:
            print("FAIL  %s: %s" % (name, "; ".join(differences)))
            failed += 1
        else:
            print("PASS  %s" % name)
            passed += 1
    print("%d passed, %d failed, %d not comparable" % (passed, failed, skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
