#!/usr/bin/env python3
"""Holds src/ to its layer table.

The table is the first table of docs/architecture.md: one row per folder of
src/, with the folders it may use. A file may include headers of its own
folder and of every folder reachable through "may use"; anything else points
sideways or up the table and fails. Quoted includes must be path-qualified
from src/ ("runtime/value.h"), and the window, drawing and audio libraries'
headers stay in the folders that own them.

Usage: check_includes.py [--src DIR] [--table FILE]
Exit status 0 when every include holds, 1 with one line per violation.
"""
import argparse
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

# Library headers and the folders (or files) allowed to include them.
OWNED_HEADERS = [
    (re.compile(r'^gtk/|^gdk/'), ['platform/gtk', 'desktop']),
    (re.compile(r'^SDL'), ['platform/sdl']),
    (re.compile(r'^gif_lib'), ['app']),
    (re.compile(r'^cairo|^pango|^gdk-pixbuf/|^fontconfig/'), ['platform/gtk', 'desktop']),
    (re.compile(r'^ft2build|^freetype/|^FT_'), ['base/font', 'base/surface_text']),
    (re.compile(r'^stb_'), ['base/surface', 'base/stb_codecs']),
    (re.compile(r'^onig'), ['base/regex']),
    (re.compile(r'^emscripten'), ['platform/web', 'web']),
]


def read_table(path):
    """{folder: [folders it may use]} from the first table whose second column
    names folders in backticks."""
    layers = {}
    order = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip('|').split('|')]
            if len(cells) < 4 or not cells[1].startswith('`'):
                if layers and not line.startswith('|'):
                    break
                continue
            folder = cells[1].strip('`').rstrip('/')
            uses = [u.strip().strip('`').rstrip('/') for u in cells[3].split(',')]
            layers[folder] = [u for u in uses if u and u not in ('-', '—')]
            order.append(folder)
    return layers, order


def closure(layers, folder):
    seen = set()
    stack = [folder]
    while stack:
        f = stack.pop()
        if f in seen:
            continue
        seen.add(f)
        stack.extend(layers.get(f, []))
    return seen


def folder_of(rel, layers):
    """The table folder a src-relative path belongs to (longest match)."""
    best = None
    for folder in layers:
        if rel == folder or rel.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def check(src, table):
    layers, _ = read_table(table)
    if not layers:
        return ['%s: no layer table found' % table]
    problems = []
    for unknown in sorted(set(u for uses in layers.values() for u in uses) - set(layers)):
        problems.append('%s: "may use" names %s, which is not a layer' % (table, unknown))
    allowed = {f: closure(layers, f) for f in layers}
    for dirpath, _, files in os.walk(src):
        for name in sorted(files):
            if not re.search(r'\.(h|cpp|c|def)$', name):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src).replace(os.sep, '/')
            own = folder_of(rel, layers)
            if own is None:
                if '/' in rel:
                    problems.append('%s: folder is not in the layer table' % rel)
                continue
            with open(path, encoding='latin-1') as f:
                for number, line in enumerate(f, 1):
                    m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
                    if not m:
                        continue
                    kind, inc = m.groups()
                    where = '%s:%d' % (rel, number)
                    if kind == '<':
                        for pattern, owners in OWNED_HEADERS:
                            if pattern.search(inc) and not any(rel.startswith(o) for o in owners):
                                problems.append('%s: <%s> belongs to %s only'
                                                % (where, inc, ', '.join(owners)))
                        continue
                    target = folder_of(inc, layers)
                    if target is None or not os.path.exists(os.path.join(src, inc)):
                        problems.append('%s: "%s" is not a path from src/ to a file' % (where, inc))
                    elif target not in allowed[own]:
                        problems.append('%s: %s/ may not include %s (a layer it does not use)'
                                        % (where, own, inc))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--src', default=os.path.join(ROOT, 'src'))
    parser.add_argument('--table', default=os.path.join(ROOT, 'docs', 'architecture.md'))
    args = parser.parse_args()
    problems = check(args.src, args.table)
    for p in problems:
        print(p)
    if problems:
        print('%d include(s) break the layer table' % len(problems), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
