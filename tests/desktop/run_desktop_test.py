#!/usr/bin/env python3
"""The desktop player under a virtual X server: the window and its size, the
splash, the picture on the X screen against the headless golden frame, the
three drawing methods, a message box answered with xdotool, and the CPU a
60 frames-per-second game with no work takes.

  run_desktop_test.py RAVOK HOME
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "games"))
import png_pixels  # noqa: E402
import xwd_pixels  # noqa: E402


class Display:
    def __init__(self, fbdir):
        """The server never resets when its last client goes: a reset between
        two clients (every xdotool call is one) refuses a player that connects
        during it, which then plays headless; and a keyboard layout set with
        setxkbmap stays for the next client."""
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-fbdir", fbdir,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        self.name = ":" + number.decode().strip()
        self.fb = os.path.join(fbdir, "Xvfb_screen0")

    def env(self, scale="1"):
        """The display's environment. The tests that compare the X screen
        with golden frames show the game at its own size; scale None lets
        the window take the factor that fits the screen."""
        e = dict(os.environ)
        e["DISPLAY"] = self.name
        e.pop("RAVOK_WINDOW_SCALE", None)
        if scale:
            e["RAVOK_WINDOW_SCALE"] = scale
        return e

    def screen(self):
        return xwd_pixels.read_screen(self.fb)

    def stop(self):
        self.server.terminate()
        self.server.wait()


def end_game(game):
    """Asks the player to end, and makes it end when it does not in time."""
    game.terminate()
    try:
        game.wait(timeout=30)
    except subprocess.TimeoutExpired:
        game.kill()
        game.wait()


def xdotool(display, *args):
    run = subprocess.run(["xdotool"] + list(args), env=display.env(), stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=20)
    return run.stdout.decode().split()


def wait_for_window(display, name, seconds=60):
    """The largest visible window whose name matches."""
    end = time.time() + seconds
    while time.time() < end:
        best, area = None, 0
        for w in xdotool(display, "search", "--onlyvisible", "--name", name):
            size = [g for g in xdotool(display, "getwindowgeometry", w) if "x" in g and g[0].isdigit()]
            if size:
                width, height = (int(v) for v in size[0].split("x"))
                if width * height > area:
                    best, area = w, width * height
        if best:
            return best
        time.sleep(0.2)
    return None


def poll(value, seconds):
    """The first true value() within seconds, asked again and again; None
    when it never came. Every test waits for what it checks through this."""
    end = time.time() + seconds
    while True:
        got = value()
        if got:
            return got
        if time.time() > end:
            return None
        time.sleep(0.1)


def settled_screen(display, seconds=10):
    """The X screen once it stops changing (two reads a moment apart alike),
    for pictures taken to look at: a menu or a list draws itself after the
    event that opened it. A screen that keeps changing (a blinking caret)
    is taken as it is after seconds."""
    last = [None]

    def alike():
        with open(display.fb, "rb") as f:
            now = f.read()
        was, last[0] = last[0], now
        return was == now
    poll(alike, seconds)
    return display.screen()


def answer_with_return(display, box, name, tries=10):
    """No window manager runs: focus the box, then press Return as a user
    would, again while the box was not ready for the key yet."""
    gone = lambda: box not in xdotool(display, "search", "--onlyvisible", "--name", name)  # noqa: E731
    for _ in range(tries):
        xdotool(display, "windowfocus", "--sync", box)
        xdotool(display, "key", "Return")
        if poll(gone, 5):
            return


def screen_when(display, wanted, seconds):
    """The X screen once wanted(screen) holds, polled; None when it never did."""
    def wanted_screen():
        screen = display.screen()
        return screen if wanted(screen) else None
    return poll(wanted_screen, seconds)


def exact_picture(screen, golden):
    found = find_picture(screen, golden)
    return bool(found) and found[2] == 0


def find_picture(screen, golden):
    """Where on the screen the golden PNG's pixels stand, or None."""
    width, height, pixel = screen
    gw, gh, rows = png_pixels.read_png(golden)
    first = rows[0]
    for y in range(0, height - gh + 1):
        for x in range(0, width - gw + 1):
            if pixel(x, y) != first[0] or pixel(x + gw - 1, y) != first[gw - 1]:
                continue
            if all(pixel(x + i, y + j) == rows[j][i] for j in range(0, gh, 3)
                   for i in range(0, gw, 3)):
                differing = sum(1 for j in range(gh) for i in range(gw)
                                if pixel(x + i, y + j) != rows[j][i])
                return (x, y, differing)
    return None


def count_colour(screen, colour):
    width, height, pixel = screen
    return sum(1 for y in range(0, height, 2) for x in range(0, width, 2) if pixel(x, y) == colour)


def fresh_home(build, home):
    """A program directory of its own at home, from the build's: its Kernel,
    Usr (without saved files and settings) and tones, so what a test's game
    writes or captures lands there and it starts from nothing."""
    if os.path.exists(home):
        shutil.rmtree(home)
    for part in ("Kernel", "Usr"):
        shutil.copytree(os.path.join(build, part), os.path.join(home, part),
                        ignore=shutil.ignore_patterns("files", "Cookies.ini"))
    shutil.copyfile(os.path.join(build, "tones.wdt"), os.path.join(home, "tones.wdt"))


def copy_game(src, dst):
    """A copy of a test game folder to play; its page."""
    shutil.copytree(src, dst)
    return os.path.join(dst, "main.cmml")


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-desktop-")
    display = Display(work)
    gallery_src = os.path.join(HERE, "..", "games", "sprite_gallery")
    golden = os.path.join(gallery_src, "frame2.png")
    try:
        # 1. The window, the splash and the picture of a still page.
        # The splash, then the game: each waited for as it comes, since a
        # loaded machine shows both later than an idle one.
        page = copy_game(gallery_src, os.path.join(work, "gallery"))
        game = subprocess.Popen([ravok, "--home", home, "--frames", "600", page], env=display.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        window = wait_for_window(display, "Ravok", 60)
        if not window:
            failures.append("no window named Ravok appeared")
        else:
            geometry = xdotool(display, "getwindowgeometry", window)
            splash = (0xA3, 0xE0, 0xD0)
            if not screen_when(display, lambda s: count_colour(s, splash) >= 50, 30):
                failures.append("the splash's bar did not come on the screen")
            screen = screen_when(display, lambda s: count_colour(s, splash) == 0 and
                                 exact_picture(s, golden), 60)
            if not screen:
                screen = display.screen()
                if count_colour(screen, splash) != 0:
                    failures.append("the splash stayed on the screen")
            found = find_picture(screen, golden)
            if not found:
                failures.append("the gallery's frame is not on the X screen")
            elif found[2] != 0:
                failures.append("the frame on the screen differs from the golden one in %d pixels" % found[2])
            size = [g for g in geometry if "x" in g and g[0].isdigit()]
            if not size or int(size[0].split("x")[0]) < 320:
                failures.append("unexpected window geometry %r" % geometry)
        game.wait(timeout=60)

        # 2. A page without a screen size gets the 560 x 400 client of a new window.
        plain = os.path.join(work, "plain")
        os.makedirs(plain)
        with open(os.path.join(plain, "main.cmml"), "w") as f:
            f.write('<resourcelist name="usr">\r\n</resourcelist>\r\n')
        game = subprocess.Popen([ravok, "--home", home, "--frames", "30",
                                 os.path.join(plain, "main.cmml")], env=display.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for_window(display, "Ravok", 60)

        def window_size():
            geometry = xdotool(display, "getwindowgeometry", window) if window else []
            return [g for g in geometry if "x" in g and g[0].isdigit()]
        # The window takes its size once the page is read.
        size = poll(lambda: [s for s in window_size() if s.split("x")[0] == "560"], 30) or window_size()
        if not size:
            failures.append("no geometry for the plain page's window")
        else:
            w, h = (int(v) for v in size[0].split("x"))
            if w != 560 or h < 400 + 19:
                failures.append("the new window is %dx%d, not 560 wide with a 400-pixel area, menu and status bar" % (w, h))
        game.wait(timeout=60)

        # 3. Methods A, B and C show the same picture.
        for method in (2, 3, 1):
            page = copy_game(gallery_src, os.path.join(work, "method%d" % method))
            with open(os.path.join(work, "method%d" % method, "Gallery.ravok"), "rb") as f:
                source = f.read()
            with open(os.path.join(work, "method%d" % method, "Gallery.ravok"), "wb") as f:
                f.write(source.replace(b"while (1) {", b"w = new Window();\r\nw.setDrawMode(%d);\r\nwhile (1) {" % method, 1))
            game = subprocess.Popen([ravok, "--home", home, "--frames", "600", page], env=display.env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if not screen_when(display, lambda s: exact_picture(s, golden), 60):
                failures.append("drawing method %d does not show the golden picture" % method)
            game.wait(timeout=60)

        # 4. A message box from a script, answered with the keyboard.
        talk = os.path.join(work, "talk")
        os.makedirs(talk)
        with open(os.path.join(talk, "Talker.ravok"), "w") as f:
            f.write("extends Sprite;\r\nsuspend();\r\nx = 1 / 0;\r\n")
        with open(os.path.join(talk, "main.cmml"), "w") as f:
            f.write('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
                    '  <class name="Talker" src="Talker.ravok"/>\r\n </resourcelist>\r\n'
                    ' <resourcelist name="gen">\r\n  <generator className="Talker" name="$t"/>\r\n'
                    ' </resourcelist>\r\n</resourcelist>\r\n')
        game = subprocess.Popen([ravok, "--home", home, "--frames", "60", os.path.join(talk, "main.cmml")],
                                env=display.env(), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        box = wait_for_window(display, "^Ravok$", 60)
        if not box:
            failures.append("the script's message box did not appear")
        else:
            answer_with_return(display, box, "^Ravok$")
        try:
            status = game.wait(timeout=30)
            if status != 3:
                failures.append("after the message box the player exited with %d, not 3" % status)
        except subprocess.TimeoutExpired:
            windows = [(w, " ".join(xdotool(display, "getwindowname", w)))
                       for w in xdotool(display, "search", "--onlyvisible", "--name", ".")]
            game.kill()
            failures.append("the player did not go on after the message box was answered "
                            "(windows: %r; it said %r)" % (windows, game.stderr.read().decode()))
        # 5. FULLSCREEN: a 560 x 400 game in the middle of the 1024 x 768 screen;
        # clicks reach the script in game coordinates, on empty space through
        # $_mouse_event.onDown and on sprites through their owners' mouseDown,
        # in sprite-list order.
        clicks = os.path.join(work, "clicks")
        os.makedirs(clicks)
        shutil.copy(os.path.join(gallery_src, "gallery.png"), clicks)
        with open(os.path.join(clicks, "Listener.ravok"), "w") as f:
            f.write("extends Char;\r\n$_mouse_event = this;\r\nwhile (1) suspend();\r\n"
                    "function onDown(x, y, l, r) { print(\"down \" + x + \",\" + y + \" \" + l + r); }\r\n")
        with open(os.path.join(clicks, "Box.ravok"), "w") as f:
            f.write("extends Sprite;\r\nwhile (1) { drawPattern(100, 100, $pat_g, 0, z); suspend(); }\r\n"
                    "function mouseDown(x, y, l, r) { print(label + \" \" + x + \",\" + y); }\r\n")
        with open(os.path.join(clicks, "main.cmml"), "w") as f:
            f.write('<resourcelist name="usr">\r\n <resourcelist name="patterns">\r\n'
                    '  <cpattern name="$pat_g" src="gallery.png"/>\r\n </resourcelist>\r\n'
                    ' <resourcelist name="classes">\r\n  <class name="Listener" src="Listener.ravok"/>\r\n'
                    '  <class name="Box" src="Box.ravok"/>\r\n </resourcelist>\r\n'
                    ' <resourcelist name="gen">\r\n  <generator className="Listener" name="$l"/>\r\n'
                    '  <generator className="Box" name="$a" inst_label="%22A%22" inst_z="1"/>\r\n'
                    '  <generator className="Box" name="$b" inst_label="%22B%22" inst_z="0"/>\r\n'
                    ' </resourcelist>\r\n <resourcelist name="global">\r\n'
                    '  <globalvalue name="$screenWidth" value="560"/>\r\n'
                    '  <globalvalue name="$screenHeight" value="400"/>\r\n'
                    '  <globalvalue name="$bgcolor" value="255"/>\r\n </resourcelist>\r\n</resourcelist>\r\n')
        game = subprocess.Popen([ravok, "--home", home, "--print", "--frames", "900", "FULLSCREEN",
                                 os.path.join(clicks, "main.cmml")], env=display.env(),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        screen_when(display, lambda s: s[2](10, 10) == (255, 0, 0) and s[2](332, 284) == (40, 90, 230),
                    60)
        width, height, pixel = display.screen()
        # The bands and the game's background are $bgcolor (red); the first
        # box's blue body is at game (100, 100), screen (332, 284).
        if pixel(10, 10) != (255, 0, 0) or pixel(332, 284) != (40, 90, 230):
            failures.append("the full-screen image is not centred at (232, 184) in $bgcolor bands "
                            "(%r, %r)" % (pixel(10, 10), pixel(332, 284)))
        xdotool(display, "mousemove", "300", "200", "click", "1")
        time.sleep(0.5)
        xdotool(display, "mousemove", str(232 + 100), str(184 + 100), "click", "1")
        try:
            out = game.communicate(timeout=60)[0].decode().splitlines()
        except subprocess.TimeoutExpired:
            game.kill()
            out = game.communicate()[0].decode().splitlines()
        expected = ["down 68,16 10", "A 100,100", "B 100,100"]
        if out != expected:
            failures.append("clicks reached the scripts as %r, not %r" % (out, expected))
        # 6. The cursor moved by MouseManager and read back through $mouseX and
        # $mouseY; keys: arrows, a letter with and without Shift (still the A
        # key), each seen down and then up. The script starts on Return, so the
        # window is known to be mapped and focused, and says "ready" before
        # the test presses anything: a loaded machine changes no timing here.
        keys = os.path.join(work, "keys")
        os.makedirs(keys)
        with open(os.path.join(keys, "Watch.ravok"), "w") as f:
            f.write("extends Char;\r\nl = 0; a = 0; s = 0; r = 0; t = 0; go = 0; lefts = 0;\r\n"
                    "while (go == 0) {\r\n    if (getkey($KEY_RETURN) > 0) go = 1;\r\n"
                    "    suspend();\r\n}\r\n"
                    "while (getkey($KEY_RETURN) > 0) suspend();\r\n"
                    "while (1) {\r\n"
                    "    t++;\r\n    if (t == 3) { m = new MouseManager(); m.move(50, 60); }\r\n"
                    "    if (t == 6) { print(\"cursor \" + $mouseX + \",\" + $mouseY); print(\"ready\"); }\r\n"
                    "    l = watch($KEY_LEFT, \"left\", l);\r\n    a = watch($KEY_A, \"a\", a);\r\n"
                    "    s = watch($KEY_SHIFT, \"shift\", s);\r\n    r = watch($KEY_RIGHT, \"right\", r);\r\n"
                    "    suspend();\r\n}\r\n"
                    "function watch(code, name, before) {\r\n    var now;\r\n    now = getkey(code);\r\n"
                    "    if (now == 1) print(name + \" down\");\r\n"
                    "    if (now == 0 && before > 0) {\r\n        print(name + \" up\");\r\n"
                    "        if (name == \"left\") { lefts++; if (lefts == 2) { sys = new System(); sys.exit(); } }\r\n    }\r\n"
                    "    return now;\r\n}\r\n")
        with open(os.path.join(keys, "main.cmml"), "w") as f:
            f.write('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
                    '  <class name="Watch" src="Watch.ravok"/>\r\n </resourcelist>\r\n'
                    ' <resourcelist name="gen">\r\n  <generator className="Watch" name="$w"/>\r\n'
                    ' </resourcelist>\r\n</resourcelist>\r\n')
        # The frame limit only bounds a run whose keys went astray.
        keys_err = open(os.path.join(work, "keys-stderr.txt"), "wb")
        game = subprocess.Popen([ravok, "--home", home, "--print", "--frames", "3600",
                                 os.path.join(keys, "main.cmml")], env=display.env(),
                                stdout=subprocess.PIPE, stderr=keys_err)
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(line.decode().rstrip("\n")) for line in game.stdout],
                         daemon=True).start()
        window = wait_for_window(display, "Ravok", 60)
        out = []
        if not window:
            keys_err.flush()
            with open(os.path.join(work, "keys-stderr.txt"), "rb") as f:
                said = f.read().decode("utf-8", "replace")
            failures.append("the keys game's window did not appear (running: %s); it said %r" %
                            (game.poll() is None, said))
        else:
            xdotool(display, "windowfocus", "--sync", window)
            # Keys pressed before the game has booted are not seen: press
            # Return again until the script answers. Held over several frames,
            # as a press and release between two frames may never be seen down.
            end = time.time() + 90
            while "ready" not in out and time.time() < end:
                xdotool(display, "keydown", "Return")
                time.sleep(0.3)
                xdotool(display, "keyup", "Return")
                try:
                    while "ready" not in out:
                        out.append(lines.get(timeout=1))
                except queue.Empty:
                    pass
        root = subprocess.run(["xwininfo", "-root"], env=display.env(), stdout=subprocess.PIPE,
                              timeout=20).stdout.decode()
        root_id = [line.split()[3] for line in root.splitlines() if "Window id" in line][0]
        # The last press is released while the focus is elsewhere: losing the
        # focus releases it, and it does not stay down when the focus is back.
        for step in (["keydown", "Left"], ["keyup", "Left"], ["keydown", "a"], ["keyup", "a"],
                     ["keydown", "shift"], ["keydown", "a"], ["keyup", "a"], ["keyup", "shift"],
                     ["keydown", "Right"], ["keyup", "Right"], ["keydown", "Left"],
                     ["windowfocus", root_id], ["keyup", "Left"], ["windowfocus", window or root_id]):
            xdotool(display, *step)
            time.sleep(0.25)
        try:
            game.wait(timeout=60)
        except subprocess.TimeoutExpired:
            game.kill()
            game.wait()
        keys_err.close()
        time.sleep(0.2)
        while not lines.empty():
            out.append(lines.get())
        out = [line for line in out if line != "ready"]
        expected = ["cursor 50,60", "left down", "left up", "a down", "a up", "shift down", "a down",
                    "a up", "shift up", "right down", "right up", "left down", "left up"]
        if out != expected:
            failures.append("the keys reached the script as %r, not %r" % (out, expected))
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
