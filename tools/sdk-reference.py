#!/usr/bin/env python3
"""Writes the SDK's header reference (Markdown) from include/zelkange.h.

The header is the documentation: every type and function carries its
comment. This lays them out for reading without a C compiler at hand: the
opening comment as the overview, then each declaration as code after its
comment, under the header's section rules ("/* ---- Title ---").
    sdk-reference.py zelkange.h reference.md
"""
import re
import sys

SECTION = re.compile(r"^/\* -+ (.*?) -*\s*(?:\*/)?$")
# Preprocessor lines that are plumbing, not interface.
PLUMBING = re.compile(r"^#(ifndef|ifdef|if|else|endif|undef|include)\b|"
                      r"^#define (ZELKANGE_H|ZGE_API|ZGE_CALL|ZGE_NOEXCEPT)\b")


def comment_text(lines):
    """The text of a /* */ block without its frame."""
    text = []
    for line in lines:
        line = line.strip()
        line = re.sub(r"^/\*+\s?", "", line)
        line = re.sub(r"\s?\*+/$", "", line)
        line = re.sub(r"^\* ?", "", line)
        text.append(line)
    while text and not text[0]:
        text.pop(0)
    while text and not text[-1]:
        text.pop()
    return "\n".join(text)


def blocks(lines):
    """Yields ("comment", lines), ("section", title, lines), ("code", lines)
    and ("plumbing",) for preprocessor lines that are no interface."""
    i = 0
    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if not stripped or stripped in ('extern "C" {', "}") or stripped.startswith("//"):
            i += 1
            continue
        if stripped.startswith("/*"):
            start = i
            while "*/" not in lines[i]:
                i += 1
            block = lines[start:i + 1]
            i += 1
            section = SECTION.match(stripped)
            if section:
                yield ("section", section.group(1), block[1:])
            else:
                yield ("comment", block)
            continue
        if stripped.startswith("#"):
            start = i
            while lines[i].rstrip().endswith("\\"):
                i += 1
            i += 1
            if stripped.startswith("#define") and not PLUMBING.match(stripped):
                yield ("code", lines[start:i])
            else:
                yield ("plumbing",)
            continue
        # A declaration: up to the semicolon that ends it at brace depth 0.
        start, depth = i, 0
        while True:
            depth += lines[i].count("{") - lines[i].count("}")
            if depth == 0 and lines[i].rstrip().endswith(";"):
                break
            i += 1
        i += 1
        yield ("code", lines[start:i])


def main():
    header, output = sys.argv[1], sys.argv[2]
    with open(header, encoding="utf-8") as f:
        lines = f.read().splitlines()
    out = ["# ZelkanGE: header reference", "",
           "Generated from `include/zelkange.h`, which remains the authority.",
           "Macros `ZGE_API` (import or export), `ZGE_CALL` (`__stdcall`) and",
           "`ZGE_NOEXCEPT` are left out of the declarations below.", ""]
    pending = []
    overview_done = False
    for kind, *rest in blocks(lines):
        if kind == "plumbing":
            pending = []  # a comment about the plumbing, not the next item
        elif kind == "comment":
            if not overview_done:
                out += ["## Overview", "", comment_text(rest[0]), ""]
                overview_done = True
            else:
                pending.append(comment_text(rest[0]))
        elif kind == "section":
            title, body = rest
            out += ["## " + title, ""]
            text = comment_text(body)
            if text:
                out += [text, ""]
        else:
            code = "\n".join(rest[0])
            code = re.sub(r"\bZGE_API\s+", "", code)
            code = re.sub(r"\s*\bZGE_NOEXCEPT\b", "", code)
            code = re.sub(r"\bZGE_CALL\s*", "", code)
            for text in pending:
                out += [text, ""]
            pending = []
            out += ["```c", code, "```", ""]
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
