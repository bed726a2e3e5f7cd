#!/usr/bin/env python3
"""Lists the fixed message texts the player translates: every string literal
handed to translate() in src/, and the texts of the tables that are
translated as a whole (the --profile headers, the dialogs' captions).

  message_keys.py [SRC]     one text a line, as a table's TEXT= would hold it
"""
import os
import re
import sys

# translate("..." "...") with adjacent literals joined; also the kXxx
# constants that are only ever handed to translate().
LITERAL = r'"((?:[^"\\]|\\.)*)"'
# said() is the name the command-line tools give their translate() for the
# terminal.
CALL = re.compile(r'\b(?:translate|said)\(\s*((?:' + LITERAL + r'\s*)+)\)')
PIECE = re.compile(LITERAL)
# A line that ends in "// message" holds message texts handed to translate()
# later (constants, captions); and readFailureText() chooses among texts.
MARKED = re.compile(r'^(.*?)//\s*message\b', re.M)
# translate(condition ? "..." : "...")
RUN = r'(?:"(?:[^"\\]|\\.)*"\s*)+'
TERNARY = re.compile(r'translate\([^;"]*?\?\s*(' + RUN + r'):\s*(' + RUN + r')\)')
CHOICE = re.compile(r'readFailureText\(\s*\w+\s*,((?:\s*' + LITERAL + r'\s*,?)+)\)')


def unescape(body):
    """The bytes of a C string literal's body (the system's CP932 text)."""
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
            continue
        n = body[i + 1]
        if n == "x":
            j = i + 2
            while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(int(body[i + 2:j], 16) & 0xFF)
            i = j
        else:
            out += {"n": b"\n", "t": b"\t", "\\": b"\\", '"': b'"', "'": b"'"}.get(n, n.encode())
            i += 2
    return bytes(out)


def literal_groups(text):
    """The C string literals of a source that are messages, each a list of
    the pieces that make one text (adjacent literals join)."""
    groups = [PIECE.findall(m.group(1)) for m in CALL.finditer(text)]
    for m in MARKED.finditer(text):
        for run in re.finditer(r'(?:' + LITERAL + r'\s*)+', m.group(1)):
            groups.append(PIECE.findall(run.group(0)))
    for m in TERNARY.finditer(text):
        groups += [PIECE.findall(m.group(1)), PIECE.findall(m.group(2))]
    for m in CHOICE.finditer(text):
        groups += [[piece] for piece in PIECE.findall(m.group(1))]
    return groups


def keys(src):
    found = set()
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            with open(os.path.join(root, name), encoding="utf-8") as f:
                text = f.read()
            for pieces in literal_groups(text):
                raw = b"".join(unescape(p) for p in pieces)
                try:
                    key = raw.decode("utf-8")
                except UnicodeDecodeError:
                    key = raw.decode("cp932")
                if key:
                    found.add(key)
    return sorted(found)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "src")
    for k in keys(src):
        print(k)
