#!/usr/bin/env python3
"""The layer checker: the tree as it stands passes, and a copy with an include
planted up the table, a bare include, a sideways include and a window header
in the wrong folder fails with one line naming each."""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
CHECKER = os.path.join(ROOT, 'tools', 'layers', 'check_includes.py')
TABLE = os.path.join(ROOT, 'docs', 'architecture.md')


def check(src):
    run = subprocess.run([sys.executable, CHECKER, '--src', src, '--table', TABLE],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return run.returncode, run.stdout


def plant(path, line):
    with open(path, encoding='latin-1') as f:
        text = f.read()
    with open(path, 'w', encoding='latin-1') as f:
        f.write(line + '\n' + text)


def main():
    failures = []
    status, out = check(os.path.join(ROOT, 'src'))
    if status != 0:
        failures.append('the tree itself breaks the table:\n' + out)
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'src')
        shutil.copytree(os.path.join(ROOT, 'src'), src)
        plant(os.path.join(src, 'runtime', 'value_ops.cpp'), '#include "kernel/boot.h"')
        plant(os.path.join(src, 'screen', 'sprites.cpp'), '#include "sound/sorvald.h"')
        plant(os.path.join(src, 'compiler', 'lexer.cpp'), '#include "value.h"')
        plant(os.path.join(src, 'screen', 'screen.cpp'), '#include <gtk/gtk.h>')
        status, out = check(src)
        expected = ['runtime/value_ops.cpp:1: runtime/ may not include kernel/boot.h',
                    'screen/sprites.cpp:1: screen/ may not include sound/sorvald.h',
                    'compiler/lexer.cpp:1: "value.h" is not a path from src/',
                    'screen/screen.cpp:1: <gtk/gtk.h> belongs to']
        if status != 1:
            failures.append('planted violations passed (status %d)' % status)
        for e in expected:
            if e not in out:
                failures.append('not reported: %s\n%s' % (e, out))
        if len([l for l in out.splitlines() if ': ' in l and 'break the layer' not in l]) != 4:
            failures.append('expected exactly four violations:\n' + out)
    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
