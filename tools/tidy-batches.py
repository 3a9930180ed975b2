#!/usr/bin/env python3
"""Groups source files into batches for clang-tidy.

clang-tidy 14 walks the whole syntax tree of each file it checks, the
standard library's, GoogleTest's and <windows.h>'s declarations included;
for our files that walk is most of its time. A batch is one translation
unit that includes the files one target (library or program) compiles with
the same flags, so that walk happens once a target instead of once a file.
The files of a target therefore keep distinct names in their anonymous
namespaces, as a unity build would need. The product's own builds compile
every file alone, so a batch never hides a missing include.

    tidy-batches.py <build tree> <output folder>   (files on stdin, NUL-separated)

A file the tree compiles inside a unity source (the test programs) takes
that source's flags and target. A file given as `path=donor` takes the
donor's: for a file no tree of ours compiles (the SDK's consumer, built
only from an unpacked archive).

Writes the batches and their compile_commands.json into the output folder,
each batch in the folder there that mirrors the one its files share here,
beside a copy of every .clang-tidy that applies to it (clang-tidy takes its
configuration from the checked file's folder upwards), and prints the
batches' paths, NUL-separated. Run it from the repository's root.

    tidy-batches.py --owners <build tree>...   (files on stdin, NUL-separated)

Prints "<tree> <file>" for each file, naming the first tree that compiles it,
and fails naming the files no tree compiles.
"""
import json
import os
import re
import shlex
import shutil
import sys
from collections import defaultdict

MAX_FILES = 64


def compile_flags(entry):
    """The entry's arguments without its source, output and precompiled header
    (clang cannot read GCC's), so that files of one target compare equal."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    flags, skip = [], False
    for i, arg in enumerate(args):
        if skip:
            skip = False
            continue
        if arg in ("-o", "-MF", "-MT", "-MQ", "-c"):
            skip = True
            continue
        if arg == "-include" and "cmake_pch" in args[i + 1]:
            skip = True
            continue
        if arg in ("-MD", "-Winvalid-pch") or arg == entry["file"]:
            continue
        flags.append(arg)
    return flags


UNITY_MEMBER = re.compile(r'^#include "([^"]+)"', re.MULTILINE)


def read_entries(commands):
    """The compile commands by real path, each unity source's entry also under
    the files it includes, marked with the unity sources' folder: the program
    whose files they are."""
    entries, programs = {}, defaultdict(list)
    for entry in commands:
        entries[os.path.realpath(entry["file"])] = entry
        if "/Unity/unity_" in entry["file"]:
            with open(entry["file"], encoding="utf-8") as f:
                members = [os.path.realpath(m) for m in UNITY_MEMBER.findall(f.read())]
            programs[os.path.dirname(entry["file"])].append((entry, members))
    for program, sources in programs.items():
        for entry, members in sources:
            for member in members:
                entries.setdefault(member, dict(entry, program=program))
    return entries


TARGET_DIR = re.compile(r"CMakeFiles/([^/]+)\.dir/")


def target_of(entry):
    """The CMake target that compiles the entry, read from its object's path."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    output = args[args.index("-o") + 1] if "-o" in args else entry["file"]
    match = TARGET_DIR.search(output)
    return match.group(1) if match else output


def copy_configurations(folder, out):
    """Copies the .clang-tidy files of `folder` and the folders above it (but
    the root's, which the output folder finds above itself) into `out`."""
    os.makedirs(os.path.join(out, folder), exist_ok=True)
    while folder:
        configuration = os.path.join(folder, ".clang-tidy")
        if os.path.exists(configuration):
            shutil.copy(configuration, os.path.join(out, configuration))
        folder = os.path.dirname(folder)


def load_entries(tree):
    with open(os.path.join(tree, "compile_commands.json"), encoding="utf-8") as f:
        return read_entries(json.load(f))


def print_owners(trees, files):
    compiled = [(tree, load_entries(tree)) for tree in trees]
    unowned = []
    for path in files:
        owner = next((t for t, entries in compiled if os.path.realpath(path) in entries), None)
        if owner is None:
            unowned.append(path)
        else:
            print(owner, path)
    if unowned:
        sys.exit("tidy-batches: no tree compiles " + ", ".join(unowned))


def main():
    files = [p for p in sys.stdin.read().split("\0") if p]
    if sys.argv[1] == "--owners":
        print_owners(sys.argv[2:], files)
        return
    tree, out = sys.argv[1], os.path.abspath(sys.argv[2])
    entries = load_entries(tree)
    groups = defaultdict(list)
    for given in files:
        path, _, donor = given.partition("=")
        entry = entries.get(os.path.realpath(donor or path))
        if entry is None:
            sys.exit(f"tidy-batches: {donor or path} is not in {tree}'s compile commands")
        key = (entry.get("program") or target_of(entry), tuple(compile_flags(entry)),
               entry["directory"])
        groups[key].append(path)
    os.makedirs(out, exist_ok=True)
    commands, batches = [], []
    in_folder = defaultdict(int)  # a folder may hold the files of two targets
    for (_, flags, directory), members in sorted(groups.items()):
        folder = os.path.relpath(os.path.commonpath([os.path.dirname(os.path.abspath(m))
                                                     for m in members]))
        place = os.path.join(out, folder)
        copy_configurations(folder, out)
        for start in range(0, len(members), MAX_FILES):
            batch = os.path.join(place, f"batch_{in_folder[folder]}.cpp")
            in_folder[folder] += 1
            with open(batch, "w", encoding="utf-8") as f:
                for member in members[start:start + MAX_FILES]:
                    f.write(f'#include "{os.path.abspath(member)}"  // NOLINT(bugprone-suspicious-include)\n')
            # The precompiled headers' targets name GCC's own warnings.
            commands.append({"directory": directory, "file": batch,
                             "arguments": list(flags) + ["-Wno-unknown-warning-option",
                                                         "-c", batch]})
            batches.append(batch)
    with open(os.path.join(out, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(commands, f, indent=1)
    sys.stdout.write("".join(b + "\0" for b in batches))


if __name__ == "__main__":
    main()
