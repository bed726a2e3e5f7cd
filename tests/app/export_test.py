#!/usr/bin/env python3
"""`ravok --export GAME OUT`: the default game exported, made read-only, and
played through its launcher with a clean environment (env -i, a new HOME,
no build tree anywhere on the path) draws the same frames as the player
here; every library its programs load is either inside the export or in the
base set; the archive holds the folder.

Usage: export_test.py RAVOK
"""
import os
import shutil
import stat
import subprocess
import sys
import tarfile
import tempfile

BASE = ("linux-vdso", "ld-linux", "libc.so", "libm.so", "libpthread.so", "libdl.so", "librt.so",
        "libresolv.so", "libutil.so", "libgcc_s.so", "libGL", "libEGL", "libGLX",
        "libGLdispatch", "libgbm.so", "libdrm", "libX", "libxcb", "libxkbcommon", "libwayland-",
        "libdecor-", "libasound.so", "libpulse", "libdbus-1.so", "libsystemd.so", "libudev.so",
        "libjack", "libselinux.so", "libmount.so", "libblkid.so", "libcap.so", "libgcrypt.so",
        "libgpg-error.so", "libz.so")


def main():
    ravok = os.path.abspath(sys.argv[1])
    build = os.path.dirname(ravok)
    work = tempfile.mkdtemp(prefix="ravok-export-")
    failures = []
    try:
        out = os.path.join(work, "star")
        r = subprocess.run([ravok, "--export", os.path.join(build, "Usr"), out],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=600)
        if r.returncode != 0:
            raise AssertionError("the export failed:\n" + r.stdout + r.stderr)
        for needed in ("play", "ravok", "ravok-desktop", "Kernel", "game", "icon.png",
                       "README.txt", "lib", "Kernel/fonts/ipag.ttf",
                       "star-catcher-the-ravok-developers.desktop"):
            if not os.path.exists(os.path.join(out, needed)):
                failures.append("the export lacks " + needed)
        with tarfile.open(out + ".tar.gz") as t:
            if "star/play" not in t.getnames():
                failures.append("the archive lacks star/play")
        for root, dirs, files in os.walk(out):
            for name in dirs + files:
                p = os.path.join(root, name)
                if not os.path.islink(p):
                    os.chmod(p, os.stat(p).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
        os.chmod(out, 0o555)

        home = os.path.join(work, "home")
        os.makedirs(home)
        shot = os.path.join(work, "export.png")
        # A clean environment, but for a sanitizer build's own settings.
        sanitizer = ["%s=%s" % (n, os.environ[n]) for n in
                     ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS") if n in os.environ]
        played = subprocess.run(["env", "-i", "HOME=" + home, "PATH=/usr/bin:/bin"] + sanitizer +
                                [os.path.join(out, "play"), "--headless", "--print",
                                 "--frames", "100", "--shot", "90:" + shot],
                                cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True, timeout=300)
        here = os.path.join(work, "here.png")
        normal = subprocess.run([ravok, "--headless", "--print", "--frames", "100", "--shot",
                                 "90:" + here, os.path.join(build, "Usr")],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                timeout=300)
        if played.returncode != 0 or played.stdout != normal.stdout:
            failures.append("the launcher's run differs: exit %d\n%s%s\nexpected:\n%s" % (
                played.returncode, played.stdout, played.stderr, normal.stdout))
        elif open(shot, "rb").read() != open(here, "rb").read():
            failures.append("the launcher's frame 90 differs from the player's here")

        env = dict(os.environ, LD_LIBRARY_PATH=os.path.join(out, "lib"))
        programs = [os.path.join(out, p) for p in ("ravok", "ravok-desktop")]
        midi = os.path.join(out, "Kernel", "midiPlayer2")
        if os.path.exists(midi):
            programs.append(midi)
        programs += [os.path.join(out, "lib", n) for n in sorted(os.listdir(os.path.join(out, "lib")))]
        for program in programs:
            text = subprocess.run(["ldd", program], stdout=subprocess.PIPE, text=True,
                                  env=env).stdout
            for line in text.splitlines():
                parts = line.split()
                if not parts:
                    continue
                name = os.path.basename(parts[0])
                target = parts[2] if len(parts) > 2 and parts[1] == "=>" else ""
                inside = target.startswith(out + "/")
                if "not found" in line or not (inside or name.startswith(BASE)):
                    failures.append("%s loads %s from %s" % (
                        os.path.relpath(program, out), name, target or "nowhere"))
    finally:
        for root, dirs, _ in os.walk(work):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        os.chmod(work, 0o755)
        shutil.rmtree(work, ignore_errors=True)
    for f in failures[:40]:
        print("FAILED: " + f)
    if not failures:
        print("ok: the exported game plays from a read-only folder with a clean environment, "
              "and loads only its own libraries and the base set")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
