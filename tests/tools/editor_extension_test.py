#!/usr/bin/env python3
"""The editor extension stays in step with the player: its manifest and
grammars are valid JSON, every file the manifest names exists, and the
launch attributes it offers are the ones `ravok --dap` reads.

  editor_extension_test.py SOURCE_ROOT
"""
import json
import os
import re
import sys


def main():
    root = sys.argv[1]
    ext = os.path.join(root, "editors", "vscode")
    failures = []
    manifest = json.load(open(os.path.join(ext, "package.json"), encoding="utf-8"))
    contributes = manifest["contributes"]
    named = [manifest["main"]]
    named += [g["path"] for g in contributes["grammars"]]
    named += [l["configuration"] for l in contributes["languages"]]
    for path in named:
        full = os.path.join(ext, path)
        if not os.path.isfile(full):
            failures.append("the manifest names %s, which is missing" % path)
        elif path.endswith(".json"):
            try:
                json.load(open(full, encoding="utf-8"))
            except ValueError as e:
                failures.append("%s is not JSON: %s" % (path, e))
    extensions = {e for l in contributes["languages"] for e in l["extensions"]}
    if not {".ravok", ".cmml"} <= extensions:
        failures.append("the languages do not cover .ravok and .cmml: %r" % extensions)
    debugger = contributes["debuggers"][0]
    offered = set(debugger["configurationAttributes"]["launch"]["properties"])
    adapter = open(os.path.join(root, "src", "app", "debug_adapter.cpp"), encoding="utf-8").read()
    read = set(re.findall(r'session\.launch\["(\w+)"\]', adapter))
    if offered != read:
        failures.append("launch attributes offered %r, read by the adapter %r" % (offered, read))
    code = open(os.path.join(ext, "extension.js"), encoding="utf-8").read()
    if '"--dap"' not in code or '"--check"' not in code:
        failures.append("extension.js does not start ravok --dap and --check")
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
