#!/usr/bin/env python3
"""Runs one game test: a folder with pages and classes, played headless.

The folder's `expect.txt` holds settings, a line `---`, then the expected
standard output:

  frames: N        game frames to run (--frames N)
  page: FILE       the page to start (relative to the folder); without it the
                   program directory's own game runs (the bundled default game)
  exit: N          the exit status (0 when not given)
  error: TEXT      a text standard error must contain
  no-error: TEXT   a text standard error must not contain (a second report of
                   one fault, say)
  twice: yes       run a second time, from the class and reconstruction
                   caches, and require the same output
  input: FILE      timed input events for the run (--input FILE of the folder)
  check: yes       compile only (--check PAGE, or the program's own project
                   without a page) instead of playing
  shot: N FILE     save frame N and compare it pixel for pixel with the golden
                   PNG file FILE of the folder (repeatable); with the
                   environment variable RAVOK_UPDATE_GOLDEN=1 the frame is
                   written to FILE instead, to be looked at and committed
  gif: FIRST LAST  record frames FIRST to LAST as an animated GIF (--gif) and
                   save each as PNG too (--shot): every frame of the GIF must
                   equal its PNG, pixel for pixel, and the frames' delays must
                   add up to the game time they cover
  mml: SOURCE      compile the song SOURCE of the folder with tools/mml before
                   the run (into the copied folder, beside it, as .sdv)
  audio: FILE      record the run's sound (--audio) and compare it sample for
                   sample with the golden WAV file FILE of the folder (written
                   instead with RAVOK_UPDATE_GOLDEN=1)
  loudness: R P    the recorded sound's RMS level is above R dB and its peak
                   below P dB (full scale 0 dB), by sox's statistics: neither
                   silent nor clipped
  home: copy       play from a copy of the program directory (its Kernel, Usr
                   and tones.wdt), whose Usr/files folder is emptied before
                   every run, so a game that saves files starts the same each
                   time and the build's own game keeps its files

The folder is copied to <build>/game-tests/NAME first, so the project file a
run creates never lands in the source tree, and the page's reconstruction cache
is removed, so the first run writes it afresh.
"""
import os
import re
import shutil
import subprocess
import sys
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gif_pixels  # noqa: E402
import png_pixels  # noqa: E402


def cache_name(home, page):
    rel = os.path.relpath(page, home).replace(os.sep, "\\")
    rel = rel.replace("..", "@")
    return os.path.join(home, "Temp", "i127_" + re.sub(r"[^@A-Za-z0-9_]", "", rel) + ".ravok")


def samples_of(path):
    with wave.open(path, "rb") as w:
        return w.getparams()[:3], w.readframes(w.getnframes())


def gif_differences(first, last, gif, out_dir, frame_ms=17):
    """The recorded GIF against the PNG shots of the same frames."""
    try:
        width, height, frames = gif_pixels.read_gif(gif)
    except (OSError, ValueError) as e:
        return ["the GIF cannot be read: %s" % e]
    failures = []
    if len(frames) != last - first + 1:
        failures.append("the GIF holds %d frames, not %d" % (len(frames), last - first + 1))
    for k, (delay, rows) in enumerate(frames):
        png = os.path.join(out_dir, "run-%d.png" % (first + k))
        w, h, png_rows = png_pixels.read_png(png)
        if (w, h) != (width, height) or rows != png_rows:
            failures.append("GIF frame %d differs from %s" % (first + k, png))
    total = sum(delay for delay, _ in frames)
    wanted = round(len(frames) * frame_ms / 10)
    if total != wanted:
        failures.append("the GIF's delays add up to %d hundredths, not %d" % (total, wanted))
    return failures


def sound_differences(actual, golden):
    (a_params, a), (g_params, g) = samples_of(actual), samples_of(golden)
    if a_params != g_params:
        return ["the sound's format %r differs from the golden %r" % (a_params, g_params)]
    if a == g:
        return []
    first = next((i for i in range(0, min(len(a), len(g)), 2) if a[i:i + 2] != g[i:i + 2]), min(len(a), len(g)))
    return ["the sound differs from %s from sample %d on (%d and %d samples; see %s)" % (
        os.path.basename(golden), first // 2, len(a) // 2, len(g) // 2, actual)]


def sox_stats(path):
    run = subprocess.run(["sox", path, "-n", "stats"], stderr=subprocess.PIPE, stdout=subprocess.PIPE)
    stats = {}
    for line in run.stderr.decode("utf-8", "replace").splitlines():
        parts = line.rsplit(None, 1)
        if len(parts) == 2:
            try:
                stats[parts[0].strip()] = float(parts[1])
            except ValueError:
                pass
    return stats


def main():
    ravok, home, folder = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3]
    with open(os.path.join(folder, "expect.txt"), "rb") as f:
        text = f.read().decode("utf-8")
    head, _, body = text.partition("---\n")
    settings = {}
    errors = []
    absent = []
    shots = []
    for line in head.splitlines():
        if ":" in line:
            key, value = line.split(":", 1)
            if key.strip() == "error":
                errors.append(value.strip())
            elif key.strip() == "no-error":
                absent.append(value.strip())
            elif key.strip() == "shot":
                frame, name = value.split()
                shots.append((frame, name))
            else:
                settings[key.strip()] = value.strip()
    expected = body.splitlines()
    fresh_files = None
    if settings.get("home") == "copy":
        copy = os.path.join(home, "game-tests", os.path.basename(os.path.abspath(folder)) + "-home")
        shutil.rmtree(copy, ignore_errors=True)
        for part in ("Kernel", "Usr"):
            shutil.copytree(os.path.join(home, part), os.path.join(copy, part),
                            ignore=shutil.ignore_patterns("files"))
        shutil.copyfile(os.path.join(home, "tones.wdt"), os.path.join(copy, "tones.wdt"))
        home = copy
        fresh_files = os.path.join(copy, "Usr", "files")
    check = settings.get("check") == "yes"
    if check:
        args = [ravok, "--home", home, "--check"]
    else:
        args = [ravok, "--home", home, "--headless", "--print", "--frames", settings.get("frames", "60")]
    if "page" in settings:
        work = os.path.join(home, "game-tests", os.path.basename(os.path.abspath(folder)))
        shutil.rmtree(work, ignore_errors=True)
        shutil.copytree(folder, work, ignore=shutil.ignore_patterns("expect.txt"))
        page = os.path.join(work, settings["page"])
        args.append(page)
        pages = [os.path.join(work, p) for p in os.listdir(work) if p.endswith(".cmml")]
    else:
        if check:
            args.append(os.path.join(home, "Usr", "default.ravokprj"))
        pages = [os.path.join(home, "Usr", p) for p in os.listdir(os.path.join(home, "Usr"))
                 if p.endswith(".cmml")]
    for p in pages:
        try:
            os.remove(cache_name(home, p))
        except FileNotFoundError:
            pass
    if "mml" in settings:
        tools = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "mml", "mml.py")
        source = os.path.join(work, settings["mml"])
        built = subprocess.run([sys.executable, tools, source], stderr=subprocess.PIPE)
        if built.returncode != 0:
            print("the song did not compile:\n" + built.stderr.decode("utf-8", "replace"))
            return 1
    if "input" in settings:
        args += ["--input", os.path.join(os.path.abspath(folder), settings["input"])]
    out_dir = os.path.join(home, "game-shots", os.path.basename(os.path.abspath(folder)))
    os.makedirs(out_dir, exist_ok=True)
    for frame, name in shots:
        args += ["--shot", "%s:%s" % (frame, os.path.join(out_dir, name))]
    gif_run = None
    if "gif" in settings:
        first, last = (int(v) for v in settings["gif"].split())
        gif_run = (first, last, os.path.join(out_dir, "run.gif"))
        args += ["--gif", "%d:%d:%s" % gif_run]
        for frame in range(first, last + 1):
            args += ["--shot", "%d:%s" % (frame, os.path.join(out_dir, "run-%d.png" % frame))]
    recording = None
    if "audio" in settings or "loudness" in settings:
        recording = os.path.join(out_dir, settings.get("audio", "sound.wav"))
        args += ["--audio", recording]
    runs = 2 if settings.get("twice") == "yes" else 1
    outputs = []
    failures = []
    err = ""
    for _ in range(runs):
        if fresh_files:
            shutil.rmtree(fresh_files, ignore_errors=True)
        run = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        out = run.stdout.decode("utf-8", "replace").splitlines()
        err = run.stderr.decode("utf-8", "replace")
        outputs.append(out)
        if out != expected:
            failures.append("standard output differs:\n  expected: %r\n  actual:   %r" % (expected, out))
        status = int(settings.get("exit", "0"))
        if run.returncode != status:
            failures.append("exit status %d, expected %d" % (run.returncode, status))
        for e in errors:
            if e not in err:
                failures.append("standard error lacks %r" % e)
        for e in absent:
            if e in err:
                failures.append("standard error has %r" % e)
    if runs == 2 and outputs[0] != outputs[1]:
        failures.append("the second run differs from the first")
    for frame, name in shots:
        actual = os.path.join(out_dir, name)
        golden = os.path.join(folder, name)
        if os.environ.get("RAVOK_UPDATE_GOLDEN") == "1":
            shutil.copyfile(actual, golden)
            continue
        if not os.path.exists(golden):
            failures.append("no golden file %s (the frame is in %s)" % (golden, actual))
            continue
        diff = png_pixels.differences(actual, golden)
        if diff != 0:
            failures.append("frame %s differs from %s in %s pixels (see %s)" % (
                frame, name, "its size" if diff < 0 else diff, actual))
    if gif_run:
        failures += gif_differences(*gif_run, out_dir)
    if "audio" in settings:
        golden = os.path.join(folder, settings["audio"])
        if os.environ.get("RAVOK_UPDATE_GOLDEN") == "1":
            shutil.copyfile(recording, golden)
        elif not os.path.exists(golden):
            failures.append("no golden file %s (the sound is in %s)" % (golden, recording))
        else:
            failures += sound_differences(recording, golden)
    if "loudness" in settings:
        rms_floor, peak_ceiling = (float(v) for v in settings["loudness"].split())
        stats = sox_stats(recording)
        if stats["RMS lev dB"] <= rms_floor:
            failures.append("the sound is too quiet: RMS %.1f dB" % stats["RMS lev dB"])
        if stats["Pk lev dB"] >= peak_ceiling:
            failures.append("the sound reaches %.1f dB: clipped" % stats["Pk lev dB"])
    if failures:
        print("\n".join(failures))
        print("--- standard error ---\n" + err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
