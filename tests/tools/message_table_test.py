#!/usr/bin/env python3
"""The Japanese message table: every fixed text the player translates has a
Japanese line, and a player under a Japanese locale reports in Japanese
(System.locale() says "ja"), unless --lang en asks for English.

  message_table_test.py RAVOK HOME SOURCE_ROOT
"""
import os
import subprocess
import sys
import tempfile


def table(path):
    entries = {}
    with open(path, "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError:
        text = data.decode("cp932")
    for line in text.splitlines():
        if "=" in line and not line.startswith("="):
            key, value = line.split("=", 1)
            entries.setdefault(key.lower(), value)
    return entries


def main():
    ravok, home, root = (os.path.abspath(a) for a in sys.argv[1:4])
    sys.path.insert(0, os.path.join(root, "tools", "messages"))
    import message_keys
    failures = []
    keys = message_keys.keys(os.path.join(root, "src"))
    if len(keys) < 80:
        failures.append("only %d message texts were found in the sources" % len(keys))
    japanese = table(os.path.join(root, "data", "Kernel", "message_ja.ini"))
    missing = [k for k in keys if not japanese.get(k.lower())]
    if missing:
        failures.append("no Japanese for:\n  " + "\n  ".join(repr(k) for k in missing))
    if japanese.get("locale") != "ja":
        failures.append("the Japanese table does not say locale=ja")

    script = os.path.join(tempfile.mkdtemp(prefix="ravok-ja-"), "speak.ravok")
    with open(script, "w") as f:
        f.write('sys = new System();\nprint(sys.locale());\n$game.scored();\n')
    cases = [({"LANG": "ja_JP.UTF-8"}, [], "ja",
              "speak.ravok:3:1: 変数 $game にはまだ何も代入されていません。 メソッド scored を呼び出せません。"),
             ({"LANG": "ja_JP.UTF-8"}, ["--lang", "en"], "en",
              "speak.ravok:3:1: Variable$game is not initialized. Methodscored cannot be called."),
             ({"LANG": "C.UTF-8"}, ["--lang", "ja"], "ja", "このオブジェクトのプロセスは終了しました。"),
             ({"LANG": "en_US.UTF-8", "LC_MESSAGES": "ja_JP.UTF-8"}, [], "ja", "変数 $game"),
             ({"LANG": "en_US.UTF-8"}, [], "en", "The object's process ended.")]
    for env, args, locale, said in cases:
        environment = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
        environment.update(env)
        r = subprocess.run([ravok, "--home", home] + args + ["--run", script],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment,
                           cwd=os.path.dirname(script), timeout=120)
        out = r.stdout.decode("utf-8", "replace").split()
        err = r.stderr.decode("utf-8", "replace")
        if out != [locale] or said not in err:
            failures.append("%r %r: printed %r, said %r" % (env, args, out, err))
    r = subprocess.run([ravok, "--home", home, "--lang", "fr", "--run", script],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    if r.returncode != 1 or b"--lang takes ja or en" not in r.stderr:
        failures.append("--lang fr: exit %d, %r" % (r.returncode, r.stderr))
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
