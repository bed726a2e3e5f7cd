#!/usr/bin/env python3
"""The MIDI helper (Kernel/midiPlayer2), commanded as the player commands it:
by replacing the command file. It renders into a WAV file at the pace of the
clock, and the test measures the sound a quarter second at a time, as it is
rendered.

usage: midi_player_test.py PATH/TO/midiPlayer2
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import wave

HELPER = None


def smf(notes, ticks_per_quarter=480):
    """A one-track MIDI file of (note, quarters) played one after another on a piano."""
    def var(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, 0x80 | (n & 0x7F))
            n >>= 7
        return bytes(out)
    track = b"\x00\xff\x51\x03\x07\xa1\x20" + b"\x00\xc0\x00"  # 120 a minute; piano
    for note, quarters in notes:
        track += b"\x00\x90" + bytes([note, 100]) + var(int(quarters * ticks_per_quarter)) + b"\x80" + bytes([note, 0])
    track += b"\x00\xff\x2f\x00"
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks_per_quarter) + b"MTrk" + struct.pack(">I", len(track)) + track


def rms_by_quarter(path):
    with wave.open(path, "rb") as w:
        channels, rate, n = w.getnchannels(), w.getframerate(), w.getnframes()
        data = struct.unpack("<%dh" % (n * channels), w.readframes(n))
    left = data[::channels]
    step = rate // 4
    return [math.sqrt(sum(x * x for x in left[i:i + step]) / max(1, len(left[i:i + step])))
            for i in range(0, len(left) - step + 1, step)]


def live_levels(path, rate=44100):
    """The levels of what the helper has rendered so far, a quarter second at
    a time: its samples follow a 44-byte header, stereo, 16 bits."""
    try:
        with open(path, "rb") as f:
            data = f.read()[44:]
    except OSError:
        return []
    left = struct.unpack("<%dh" % (len(data) // 4 * 2), data[:len(data) // 4 * 4])[::2]
    step = rate // 4
    return [math.sqrt(sum(x * x for x in left[i:i + step]) / step)
            for i in range(0, len(left) - step + 1, step)]


LOUD, QUIET = 100, 20


class MidiPlayerTest(unittest.TestCase):
    """Commands are sent when the rendered sound shows what the last one did,
    not at set times: the helper renders at the pace of the clock, and a
    loaded machine starts it, and lets it notice a command, later."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="midi-player-")
        self.sig = os.path.join(self.dir, "sig")
        self.midi = os.path.join(self.dir, "tune.mid")
        with open(self.midi, "wb") as f:
            f.write(smf([(60, 1), (64, 1)]))  # one second of music
        # an old command from an earlier run: it must not count
        with open(self.sig, "w") as f:
            f.write("X\r\n\r\n")
        self.out = os.path.join(self.dir, "out.wav")

    def start(self, env=None):
        helper = subprocess.Popen([HELPER, "--sig", self.sig, "--render", self.out],
                                  stderr=subprocess.PIPE, env=env)
        # Running once it renders: the old X did not end it.
        self.wait_until(lambda levels: len(levels) >= 2, "the helper did not start rendering")
        self.assertIsNone(helper.poll(), "the old X in the command file ended the helper")
        return helper

    def send(self, letter, argument=""):
        scratch = self.sig + ".new"
        with open(scratch, "w") as f:
            f.write("%s\r\n%s\r\n" % (letter, argument))
        os.rename(scratch, self.sig)

    def wait_until(self, wanted, failure, seconds=60):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            levels = live_levels(self.out)
            if wanted(levels):
                return levels
            time.sleep(0.1)
        self.fail("%s: %r" % (failure, ["%.0f" % v for v in live_levels(self.out)]))

    def end(self, helper):
        self.send("X")
        try:
            helper.wait(timeout=60)
        except subprocess.TimeoutExpired:
            helper.kill()
            self.fail("X did not end the helper")
        errors = helper.stderr.read().decode()
        helper.stderr.close()
        self.assertEqual(helper.returncode, 0, errors)
        return rms_by_quarter(self.out)

    def test_repeat_loops_stop_silences_and_x_ends(self):
        helper = self.start()
        begun = len(live_levels(self.out))
        self.send("R", self.midi)
        # The file lasts one second: seven loud quarters in a row are its
        # repetition.
        onset = self.wait_until(lambda l: any(v > LOUD for v in l[begun:]), "R made no sound")
        first = begun + next(i for i, v in enumerate(onset[begun:]) if v > LOUD)
        self.wait_until(lambda l: len(l) >= first + 8, "the helper stopped rendering")
        levels = live_levels(self.out)
        for i in range(first + 1, first + 7):
            self.assertGreater(levels[i], LOUD, "silent %d quarters into the repetition: %r" %
                               (i - first, levels))
        self.send("S")
        stopped = len(live_levels(self.out))
        self.wait_until(lambda l: len(l) >= stopped + 6 and all(v < QUIET for v in l[-3:]),
                        "sound went on after S")
        levels = self.end(helper)
        self.assertTrue(all(v < QUIET for v in levels[-3:]), "sound after S: %r" % levels)

    def test_play_once_ends_by_itself_and_other_files_are_refused(self):
        text = os.path.join(self.dir, "notes.txt")
        with open(text, "w") as f:
            f.write("not music")
        helper = self.start()
        begun = len(live_levels(self.out))
        self.send("P", text)
        levels = self.wait_until(lambda l: len(l) >= begun + 4, "the helper stopped rendering")
        self.assertTrue(all(v < QUIET for v in levels[begun:]), "the text file made a sound: %r" % levels)
        begun = len(levels)
        self.send("P", self.midi.replace("/", "\\"))
        onset = self.wait_until(lambda l: any(v > LOUD for v in l[begun:]), "the MIDI file did not play")
        first = begun + next(i for i, v in enumerate(onset[begun:]) if v > LOUD)
        # Played once: quiet from a quarter after its second, for a second more.
        levels = self.wait_until(lambda l: len(l) >= first + 10, "the helper stopped rendering")
        self.assertTrue(all(v < QUIET for v in levels[first + 6:first + 10]),
                        "P repeated the file: %r" % levels)
        self.end(helper)

    def test_polling_when_inotify_is_not_used(self):
        helper = self.start(env=dict(os.environ, RAVOK_MIDI_POLL="1"))
        begun = len(live_levels(self.out))
        self.send("R", self.midi)
        self.wait_until(lambda l: any(v > LOUD for v in l[begun:]), "polling missed the command")
        self.end(helper)


if __name__ == "__main__":
    HELPER = os.path.abspath(sys.argv.pop(1))
    unittest.main()
