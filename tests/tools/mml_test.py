#!/usr/bin/env python3
"""The song compiler: the bytes it writes for each command, how it splits
long notes, unrolls repeats and closes loops, the positions of its errors,
and that the default game's song is the compiled form of its source."""
import os
import struct
import sys
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "mml"))
import mml  # noqa: E402


def streams(text):
    song = mml.compile_song(text)
    fmt, count = struct.unpack_from("<IB", song)
    out, at = [], 5
    for _ in range(count):
        (n,) = struct.unpack_from("<I", song, at)
        out.append(song[at + 4:at + 4 + n])
        at += 4 + n
    assert at == len(song)
    return fmt, count, out


class MmlTest(unittest.TestCase):
    def test_notes_lengths_and_octaves(self):
        fmt, count, s = streams("A o4 c4 a8. > c16 < r2")
        self.assertEqual((fmt, count), (1000, 10))
        # middle C is note 36 and A above it 45; a quarter is 11025 half-ticks
        self.assertEqual(s[0], bytes([36]) + struct.pack("<H", 11025) + bytes([45]) + struct.pack("<H", 8269) +
                         bytes([48]) + struct.pack("<H", 2756) + bytes([99]) + struct.pack("<H", 22050) + b"\xff")
        self.assertEqual(s[1], b"")

    def test_rounding_never_adds_up(self):
        _, _, s = streams("A l32 " + "c" * 64)
        lengths = [struct.unpack_from("<H", s[0], 3 * i + 1)[0] for i in range(64)]
        self.assertEqual(sum(lengths), 11025 * 8)  # two whole notes exactly
        self.assertEqual(set(lengths), {1378, 1379})

    def test_long_notes_become_tied_pieces(self):
        _, _, s = streams("A c1.")  # 66150 half-ticks
        self.assertEqual(s[0], bytes([36]) + struct.pack("<H", 65535) + bytes([105, 36]) + struct.pack("<H", 615) +
                         b"\xff")

    def test_commands_write_their_events(self):
        _, _, s = streams("A t150 v80 V100 @4 E3 S9 D-2 M1,4,-3 MD5 Q1 ! c & d {c g}4 q4 e4")
        self.assertEqual(s[0][:23], bytes([103, 150, 0, 100, 80, 119, 100, 102, 4, 107, 3, 101, 9, 110, 254,
                                           115, 1, 4, 253, 118, 5, 116, 1]))
        rest = s[0][23:]
        self.assertEqual(rest[0], 108)
        self.assertEqual(rest[1:4], bytes([36]) + struct.pack("<H", 11025))
        self.assertEqual(rest[4:8], bytes([105, 38]) + struct.pack("<H", 11025))
        self.assertEqual(rest[8:13], bytes([106, 36, 43]) + struct.pack("<H", 11025))
        # gate 4 of 8: half a quarter sounds, the rest is a rest
        self.assertEqual(rest[13:19], bytes([40]) + struct.pack("<H", 5513) + bytes([99]) + struct.pack("<H", 5512))

    def test_repeats_unroll_and_loops_jump_back(self):
        # eighths are 5512.5 half-ticks: the rounding alternates through the
        # repeat as it would written out; the octave step carries on
        _, _, s = streams("A l8 c L [d >]2 <<")
        loop_start = 3
        self.assertEqual(s[0][loop_start:loop_start + 6], bytes([38]) + struct.pack("<H", 5512) + bytes([50]) +
                         struct.pack("<H", 5513))
        jump_at = loop_start + 6
        self.assertEqual(s[0][jump_at], 104)
        (offset,) = struct.unpack_from("<i", s[0], jump_at + 1)
        self.assertEqual(jump_at + offset, loop_start)

    def test_title_wave_envelope_and_sample(self):
        _, _, s = streams('#title "Tune"\nA W7 ' + ",".join(["1"] * 32) + " N2 " + " ".join(["15"] * 32) +
                          ' "drum.wav"97 @97 c')
        self.assertTrue(s[0].startswith(b"\x6dTune\0\x71\x07" + b"\x01" * 32 + b"\x72\x02" + b"\x0f" * 32))
        self.assertIn(b"\x75drum.wav\0\x61\x66\x61", s[0])

    def test_errors_name_line_and_column(self):
        cases = [("A c\nA x", (2, 3, "unknown command 'x'")),
                 ("A o9", (1, 4, "octave 9 is out of range (1 to 8)")),
                 ("A o8 b >c", (1, 8, "the octave leaves o1 to o8")),
                 ("A [c", (1, 3, "'[' is not closed (a repeat ends on its own line)")),
                 ("A c]", (1, 4, "']' without '['")),
                 ("K c", (1, 1, "a line starts with a channel letter A to J and a space")),
                 ("A M1,2", (1, 7, "vibrato needs three numbers: M reset,speed,depth"))]
        for text, expected in cases:
            with self.assertRaises(mml.MmlError, msg=text) as caught:
                mml.compile_song(text)
            e = caught.exception
            self.assertEqual((e.line, e.column, e.message), expected, text)

    def test_a_loop_without_time_is_refused(self):
        with self.assertRaises(mml.MmlError):
            mml.compile_song("A c L v3")

    def test_the_default_games_song_is_up_to_date(self):
        usr = os.path.join(ROOT, "data", "Usr")
        with open(os.path.join(usr, "theme.mml"), encoding="utf-8") as f:
            compiled = mml.compile_song(f.read())
        with open(os.path.join(usr, "theme.sdv"), "rb") as f:
            self.assertEqual(compiled, f.read(), "run tools/mml/mml data/Usr/theme.mml")


if __name__ == "__main__":
    unittest.main()
