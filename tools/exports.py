#!/usr/bin/env python3
"""ZelkanGE.dll's exports, from their one table (src/dll/exports.table).

  exports.py generate TABLE DEF LIST HEADER
      writes the .def, the list tools/check-exports.sh expects (name and
      ordinal per line) and the C header of ZGE_FOR_EACH_EXPORT
  exports.py check TABLE HEADER PAS
      checks that the C header and the Pascal unit declare every export with
      its signature, the listed ones in their order
"""
import pathlib
import re
import sys

GENERATED = "Made from src/dll/exports.table by tools/exports.py; do not edit."


class Export:
    def __init__(self, name, ordinal, listed, signature):
        self.name = name
        self.ordinal = int(ordinal)
        self.listed = None if listed == "-" else int(listed)
        match = re.fullmatch(r"(.+?)\((.*)\)", signature)
        if not match:
            raise ValueError(f"{name}: signature '{signature}' is not result(parameters)")
        self.result = Normal(match.group(1))
        self.parameters = [Normal(p) for p in match.group(2).split(",") if p.strip()]


def Normal(type_text):
    """A C type with single spaces and the '*' next to its type."""
    text = " ".join(type_text.replace("*", " * ").split())
    return text.replace(" *", "*")


def ReadTable(path):
    exports = []
    for number, line in enumerate(pathlib.Path(path).read_text().splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = [field.strip() for field in line.split("|")]
        if len(fields) != 4:
            raise ValueError(f"{path}:{number}: four fields expected")
        exports.append(Export(*fields))
    names = [e.name for e in exports]
    ordinals = [e.ordinal for e in exports]
    listed = [e.listed for e in exports if e.listed is not None]
    if len(set(names)) != len(names) or len(set(ordinals)) != len(ordinals):
        raise ValueError(f"{path}: a name or an ordinal appears twice")
    if listed != list(range(1, len(listed) + 1)):
        raise ValueError(f"{path}: the listed exports are not numbered 1 to {len(listed)}")
    return exports


def Generate(table, definitions, expected, header):
    exports = ReadTable(table)
    width = max(len(e.name) for e in exports) + 2
    Write(definitions, f"; {GENERATED}\nLIBRARY ZelkanGE.dll\nEXPORTS\n" +
          "".join(f"  {e.name.ljust(width)}@{e.ordinal}\n" for e in exports))
    Write(expected, "".join(f"{e.name} {e.ordinal}\n" for e in exports))
    macro = "".join(f" \\\n  X({e.name})" for e in exports)
    Write(header,
          f"// {GENERATED}\n#pragma once\n\n"
          f"// Every export of ZelkanGE.dll, in ordinal order.\n"
          f"#define ZGE_FOR_EACH_EXPORT(X){macro}\n")


def Write(path, text):
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


def HeaderDeclarations(header):
    text = re.sub(r"/\*.*?\*/", " ", pathlib.Path(header).read_text(), flags=re.S)
    found = []
    for match in re.finditer(
            r"^ZGE_API\s+([^()]+?)\s*ZGE_CALL\s+(\w+)\s*\(([^()]*)\)\s*ZGE_NOEXCEPT", text, re.M):
        parameters = [] if match.group(3).strip() in ("", "void") else [
            Normal(re.sub(r"\w+\s*$", "", p)) for p in match.group(3).split(",")]
        found.append((match.group(2), Normal(match.group(1)), parameters))
    return found


# The C types each Pascal type may stand for; others are not compared.
PASCAL_TYPES = {"Double": ("double",), "Int32": ("int32_t",), "UInt32": ("uint32_t",),
                "Double*": ("double*",), "PInt32": ("int32_t*",),
                "PAnsiChar": ("const char*", "char*"), "PWideChar": ("const wchar_t*",),
                "ZgeBool": ("ZgeBool",), "HWND": ("HWND",), "Pointer": ("void*",)}


def PascalDeclarations(unit):
    text = re.sub(r"\{.*?\}", " ", pathlib.Path(unit).read_text(), flags=re.S)
    found = []
    for match in re.finditer(
            r"\b(function|procedure)\s+(\w+)\s*(?:\((.*?)\))?\s*(?::\s*(\w+))?\s*;\s*stdcall;"
            r"\s*external\b", text, re.S):
        parameters = []
        for group in filter(None, (g.strip() for g in (match.group(3) or "").split(";"))):
            names, _, kind = group.partition(":")
            # var and out parameters are passed by address.
            byAddress = re.match(r"\s*(var|out)\s", names) is not None
            kind = kind.strip() + ("*" if byAddress else "")
            parameters += [kind] * len(names.split(","))
        found.append((match.group(2), match.group(1), parameters))
    return found


def Check(table, header, unit):
    exports = ReadTable(table)
    problems = []
    declared = {name: (result, parameters) for name, result, parameters in HeaderDeclarations(header)}
    pascal = {name: (kind, parameters) for name, kind, parameters in PascalDeclarations(unit)}
    for e in exports:
        if e.name not in declared:
            problems.append(f"{header}: {e.name} is not declared")
        elif declared[e.name] != (e.result, e.parameters):
            result, parameters = declared[e.name]
            problems.append(f"{header}: {e.name} is {result}({', '.join(parameters)}), "
                            f"the table says {e.result}({', '.join(e.parameters)})")
        if e.name not in pascal:
            problems.append(f"{unit}: {e.name} is not declared")
            continue
        kind, parameters = pascal[e.name]
        if (kind == "procedure") != (e.result == "void"):
            problems.append(f"{unit}: {e.name} is a {kind}, the table's result is {e.result}")
        if len(parameters) != len(e.parameters):
            problems.append(f"{unit}: {e.name} takes {len(parameters)} parameters, "
                            f"the table {len(e.parameters)}")
        for position, (theirs, ours) in enumerate(zip(parameters, e.parameters), 1):
            if theirs in PASCAL_TYPES and ours not in PASCAL_TYPES[theirs]:
                problems.append(f"{unit}: {e.name} parameter {position} is {theirs}, "
                                f"the table says {ours}")
    names = {e.name for e in exports}
    listed = [e.name for e in sorted(exports, key=lambda e: e.listed or 0) if e.listed]
    for path, order in ((header, [n for n in declared if n in names]),
                        (unit, [n for n in pascal if n in names])):
        if [n for n in order if n in listed] != listed:
            problems.append(f"{path}: the listed exports are not in the table's order")
        problems += [f"{path}: {n} is declared but not in the table"
                     for n in (declared if path == header else pascal) if n not in names]
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"exports: {len(exports)} in the table, {len(problems)} problems")
    return 1 if problems else 0


def main(argv):
    if len(argv) == 6 and argv[1] == "generate":
        Generate(*argv[2:])
        return 0
    if len(argv) == 5 and argv[1] == "check":
        return Check(argv[2], argv[3], argv[4])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
