#!/usr/bin/env python3
"""The MIDI helper (Kernel/midiPlayer2), commanded as the player commands it:
by replacing the command file. It renders into a WAV file at the pace of the
clock, and the test measures the sound a quarter second at a time.

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


class MidiPlayerTest(unittest.TestCase):
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

    def start(self, *extra, env=None):
        return subprocess.Popen([HELPER, "--sig", self.sig, "--render", self.out, *extra],
                                stderr=subprocess.PIPE, env=env)

    def send(self, letter, argument=""):
        scratch = self.sig + ".new"
        with open(scratch, "w") as f:
            f.write("%s\r\n%s\r\n" % (letter, argument))
        os.rename(scratch, self.sig)

    def run_commands(self, commands, env=None):
        helper = self.start(env=env)
        time.sleep(0.3)
        self.assertIsNone(helper.poll(), "the old X in the command file ended the helper")
        began = time.monotonic()
        for at, letter, argument in commands:
            time.sleep(max(0, at - (time.monotonic() - began)))
            self.send(letter, argument)
        try:
            helper.wait(timeout=5)
        except subprocess.TimeoutExpired:
            helper.kill()
            self.fail("X did not end the helper")
        errors = helper.stderr.read().decode()
        helper.stderr.close()
        self.assertEqual(helper.returncode, 0, errors)
        if os.environ.get("RAVOK_TEST_VERBOSE"):
            print(["%.0f" % v for v in rms_by_quarter(self.out)], errors)
        return rms_by_quarter(self.out), began

    def test_repeat_loops_stop_silences_and_x_ends(self):
        # R at 0 s; the file lasts 1 s, so 1.0 to 2.5 s are the loop; S at 2.5 s.
        # The windows looked at keep a quarter second or more from every
        # change, as the helper's own start takes a moment.
        levels, _ = self.run_commands([(0, "R", self.midi), (2.5, "S", ""), (4.0, "X", "")])
        start = 0.3  # the helper started 0.3 s before the first command
        q = lambda t: int((start + t) * 4)  # noqa: E731
        for t in (0.25, 0.75, 1.25, 1.75, 2.0):
            self.assertGreater(levels[q(t)], 100, "silent at %.2f s while repeating: %r" % (t, levels))
        for t in (3.0, 3.25, 3.5):
            self.assertLess(levels[q(t)], 20, "sound after S at %.2f s: %r" % (t, levels))

    def test_play_once_ends_by_itself_and_other_files_are_refused(self):
        text = os.path.join(self.dir, "notes.txt")
        with open(text, "w") as f:
            f.write("not music")
        levels, _ = self.run_commands([(0, "P", text), (1.0, "P", self.midi.replace("/", "\\")), (3.75, "X", "")])
        start = 0.3
        q = lambda t: int((start + t) * 4)  # noqa: E731
        self.assertLess(levels[q(0.25)], 20, "the text file made a sound: %r" % levels)
        self.assertGreater(levels[q(1.5)], 100, "the MIDI file did not play: %r" % levels)
        self.assertLess(levels[q(3.0)], 20, "P repeated the file: %r" % levels)

    def test_polling_when_inotify_is_not_used(self):
        env = dict(os.environ, RAVOK_MIDI_POLL="1")
        levels, _ = self.run_commands([(0, "R", self.midi), (2.0, "X", "")], env=env)
        self.assertGreater(levels[int(0.3 * 4) + 4], 100, "polling missed the command: %r" % levels)


if __name__ == "__main__":
    HELPER = os.path.abspath(sys.argv.pop(1))
    unittest.main()
