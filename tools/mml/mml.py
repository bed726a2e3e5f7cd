#!/usr/bin/env python3
"""mml: compiles a song written as text into a song file (.sdv) for the
player's synthesizer. The text format is described in docs/music.md.

usage: mml SONG.mml [-o SONG.sdv]

Errors are printed as FILE:LINE:COLUMN: message, and the exit status is 1.
"""
import argparse
import math
import os
import struct
import sys
from fractions import Fraction

FORMAT = 1000                 # song format number written into the file
QUARTER = 11025               # half-ticks of a quarter note (tempo = beats a minute)
MAX_LENGTH = 0xFFFF           # one event's length; longer notes are tied pieces
CHANNELS = "ABCDEFGHIJ"
SEMITONES = {"c": 0, "d": 2, "e": 4, "f": 5, "g": 7, "a": 9, "b": 11}

EV_REST, EV_VOLUME, EV_ENV_SPEED, EV_VOICE, EV_TEMPO, EV_JUMP = 99, 100, 101, 102, 103, 104
EV_TIE, EV_PORTAMENTO, EV_ENVELOPE, EV_SYNC, EV_TITLE, EV_DETUNE = 105, 106, 107, 108, 109, 110
EV_WAVE, EV_ENV_DEFINE, EV_VIBRATO, EV_ONE_SHOT, EV_SAMPLE = 113, 114, 115, 116, 117
EV_VIB_DELAY, EV_VELOCITY, EV_END = 118, 119, 255


class MmlError(Exception):
    def __init__(self, line, column, message):
        super().__init__(message)
        self.line, self.column, self.message = line, column, message


class Part:
    """One channel's events while they are compiled."""

    def __init__(self):
        self.code = bytearray()
        self.octave = 4
        self.length = Fraction(QUARTER)   # the default length (l)
        self.gate = 8                     # q: eighths of a note that sound
        self.transpose = 0
        self.time = Fraction(0)           # exact position in half-ticks
        self.emitted = 0                  # half-ticks written so far
        self.loop_at = None               # offset of the L mark
        self.tie_next = False

    def span(self, length):
        """Half-ticks for a note of `length`, rounding so that the error never adds up."""
        self.time += length
        whole = math.floor(self.time + Fraction(1, 2))  # halves round up
        n = whole - self.emitted
        self.emitted = whole
        return n


class Parser:
    def __init__(self, text, line_no, column0, part, events):
        self.text, self.line_no, self.col0, self.part, self.events = text, line_no, column0, part, events
        self.i = 0

    def error(self, message, at=None):
        raise MmlError(self.line_no, self.col0 + (self.i if at is None else at) + 1, message)

    def peek(self):
        return self.text[self.i] if self.i < len(self.text) else "\0"

    def number(self, signed=False, required=True):
        start = self.i
        if signed and self.peek() in "+-":
            self.i += 1
        while self.peek().isdigit():
            self.i += 1
        digits = self.text[start:self.i]
        if digits in ("", "+", "-"):
            if required:
                self.error("a number is missing")
            self.i = start
            return None
        return int(digits)

    def ranged(self, name, low, high, signed=False):
        at = self.i
        v = self.number(signed)
        if not low <= v <= high:
            self.error("%s %d is out of range (%d to %d)" % (name, v, low, high), at)
        return v

    def note_length(self):
        """An optional length (1, 2, 4, 8, 16, 32, 3, 6, 12, ...) with dots."""
        at = self.i
        n = self.number(required=False)
        if n is None:
            base = self.part.length
        else:
            if n <= 0 or n > 192:
                self.error("length %d is not a note length" % n, at)
            base = Fraction(QUARTER * 4, n)
        length, add = base, base
        while self.peek() == ".":
            self.i += 1
            add /= 2
            length += add
        return length

    def pitch(self, letter_at):
        letter = self.text[letter_at]
        n = SEMITONES[letter]
        while self.peek() in "+#-":
            n += -1 if self.peek() == "-" else 1
            self.i += 1
        note = 12 * (self.part.octave - 1) + n + self.part.transpose
        if not 0 <= note <= 95:
            self.error("the note is outside the eight octaves (o1 c to o8 b)", letter_at)
        return note

    def emit_length(self, event, length):
        """A note or rest event, split into tied pieces when it is too long."""
        code = self.part.code
        while length > MAX_LENGTH:
            code += bytes([event]) + struct.pack("<H", MAX_LENGTH)
            if event != EV_REST:
                code.append(EV_TIE)
            length -= MAX_LENGTH
        code += bytes([event]) + struct.pack("<H", max(0, length))

    def play(self, note, length):
        part = self.part
        if part.tie_next:
            part.code.append(EV_TIE)
            part.tie_next = False
        # A note tied to the next one sounds to its end whatever the gate.
        tied = self.text[self.i:].lstrip().startswith("&")
        sounding = length if tied else length * part.gate / 8
        on = part.span(sounding)
        self.emit_length(note, on)
        if sounding < length:
            self.emit_length(EV_REST, part.span(length - sounding))

    def byte_list(self, count, high):
        values = []
        while len(values) < count:
            while self.peek() in " ,\t":
                self.i += 1
            at = self.i
            v = self.number()
            if not 0 <= v <= high:
                self.error("value %d is out of range (0 to %d)" % (v, high), at)
            values.append(v)
        return values

    def run(self):
        text, part, code = self.text, self.part, self.part.code
        while self.i < len(text):
            c = text[self.i]
            at = self.i
            self.i += 1
            if c in " \t|":
                continue
            if c in SEMITONES:
                note = self.pitch(at)
                self.play(note, self.note_length())
            elif c == "r":
                length = self.note_length()
                if part.tie_next:
                    self.error("a tie must join two notes", at)
                self.emit_length(EV_REST, part.span(length))
            elif c == "&":
                part.tie_next = True
            elif c == "o":
                part.octave = self.ranged("octave", 1, 8)
            elif c == ">":
                part.octave += 1
            elif c == "<":
                part.octave -= 1
            elif c == "l":
                part.length = self.note_length()
            elif c == "q":
                part.gate = self.ranged("gate", 1, 8)
            elif c == "k":
                part.transpose = self.ranged("transpose", -48, 48, signed=True)
            elif c == "t":
                code += bytes([EV_TEMPO]) + struct.pack("<H", self.ranged("tempo", 1, 65535))
            elif c == "v":
                code += bytes([EV_VOLUME, self.ranged("volume", 0, 255)])
            elif c == "V":
                code += bytes([EV_VELOCITY, self.ranged("velocity", 0, 255)])
            elif c == "@":
                code += bytes([EV_VOICE, self.ranged("voice", 0, 111)])
            elif c == "E":
                code += bytes([EV_ENVELOPE, self.ranged("envelope", 0, 15)])
            elif c == "S":
                code += bytes([EV_ENV_SPEED, self.ranged("envelope speed", 0, 255)])
            elif c == "D":
                code += bytes([EV_DETUNE, self.ranged("detune", -128, 127, signed=True) & 0xFF])
            elif c == "M":
                if self.peek() == "D":
                    self.i += 1
                    code += bytes([EV_VIB_DELAY, self.ranged("vibrato delay", 0, 255)])
                    continue
                reset = self.ranged("vibrato reset", 0, 1)
                values = [reset]
                for name in ("vibrato speed", "vibrato depth"):
                    if self.peek() != ",":
                        self.error("vibrato needs three numbers: M reset,speed,depth")
                    self.i += 1
                    values.append(self.ranged(name, -128, 127, signed=True) & 0xFF)
                code += bytes([EV_VIBRATO] + values)
            elif c == "{":
                # {c g}4: a glide from the first note to the second.
                notes = []
                while len(notes) < 2:
                    while self.peek() == " ":
                        self.i += 1
                    ch = self.peek()
                    if ch in SEMITONES:
                        self.i += 1
                        notes.append(self.pitch(self.i - 1))
                    elif ch == ">":
                        self.i += 1
                        part.octave += 1
                    elif ch == "<":
                        self.i += 1
                        part.octave -= 1
                    else:
                        self.error("a glide is two notes in braces: {c g}4")
                while self.peek() == " ":
                    self.i += 1
                if self.peek() != "}":
                    self.error("'}' is missing")
                self.i += 1
                if part.tie_next:
                    code.append(EV_TIE)
                    part.tie_next = False
                n = min(MAX_LENGTH, part.span(self.note_length()))
                code += bytes([EV_PORTAMENTO, notes[0], notes[1]]) + struct.pack("<H", n)
            elif c == "!":
                code.append(EV_SYNC)
            elif c == "L":
                if part.loop_at is not None:
                    self.error("a part has one loop point L")
                part.loop_at = len(code)
                part.loop_emitted = part.emitted
            elif c == "[":
                self.events.append((self.i, at))
            elif c == "]":
                if not self.events:
                    self.error("']' without '['", at)
                start, _ = self.events.pop()
                count = self.number(required=False) or 2
                if not 1 <= count <= 255:
                    self.error("a repeat count is 1 to 255", at)
                # Played again as written, so octave steps and lengths carry
                # on from one round to the next exactly as in the first.
                for _ in range(count - 1):
                    Parser(text[start:at], self.line_no, self.col0 + start, part, []).run()
                    if len(part.code) > 1 << 24:
                        self.error("the repeat makes the part too long", at)
            elif c == "W":
                n = self.ranged("waveform", 0, 95)
                code += bytes([EV_WAVE, n] + self.byte_list(32, 255))
            elif c == "N":
                n = self.ranged("envelope", 0, 15)
                code += bytes([EV_ENV_DEFINE, n] + self.byte_list(32, 15))
            elif c == "Q":
                code += bytes([EV_ONE_SHOT, self.ranged("one-shot", 0, 1)])
            elif c == '"':
                # "file.wav"96: a WAV file as sampled voice 96 to 111.
                end = text.find('"', self.i)
                if end < 0:
                    self.error("the file name's closing '\"' is missing", at)
                name = text[self.i:end].encode("cp932")
                self.i = end + 1
                voice = self.ranged("sampled voice", 96, 111)
                code += bytes([EV_SAMPLE]) + name + b"\0" + bytes([voice])
            else:
                self.error("unknown command '%s'" % c, at)
            if not 1 <= part.octave <= 8:
                self.error("the octave leaves o1 to o8", at)
        if self.events:
            self.error("'[' is not closed (a repeat ends on its own line)", self.events[-1][1])


def compile_song(text, name="song.mml"):
    parts = {c: Part() for c in CHANNELS}
    title = None
    for line_no, raw in enumerate(text.splitlines(), 1):
        line = raw.split(";", 1)[0].rstrip()
        stripped = line.lstrip()
        if not stripped:
            continue
        if stripped.startswith("#title"):
            title = stripped[len("#title"):].strip().strip('"')
            continue
        head = stripped[0]
        column0 = len(line) - len(stripped)
        if head not in CHANNELS or len(stripped) < 2 or stripped[1] not in " \t":
            raise MmlError(line_no, column0 + 1, "a line starts with a channel letter A to J and a space")
        Parser(stripped[1:], line_no, column0 + 1, parts[head], []).run()
    streams = []
    for i, head in enumerate(CHANNELS):
        part = parts[head]
        code = part.code
        if not code and not (i == 0 and title):
            streams.append(b"")
            continue
        prefix = b""
        if i == 0 and title:
            prefix = bytes([EV_TITLE]) + title.encode("cp932") + b"\0"
        if part.loop_at is not None:
            if part.emitted == part.loop_emitted:
                raise MmlError(0, 0, "the loop of channel %s takes no time" % head)
            here = len(prefix) + len(code)
            target = len(prefix) + part.loop_at
            code += bytes([EV_JUMP]) + struct.pack("<i", target - here)
        else:
            code.append(EV_END)
        streams.append(prefix + bytes(code))
    out = struct.pack("<I", FORMAT) + bytes([len(CHANNELS)])
    for s in streams:
        out += struct.pack("<I", len(s)) + s
    return out


def main(argv=None):
    ap = argparse.ArgumentParser(prog="mml", description="Compiles a song text into a .sdv song file.")
    ap.add_argument("source")
    ap.add_argument("-o", "--output")
    args = ap.parse_args(argv)
    output = args.output or os.path.splitext(args.source)[0] + ".sdv"
    try:
        with open(args.source, "rb") as f:
            raw = f.read()
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            text = raw.decode("cp932")
        song = compile_song(text, args.source)
    except OSError as e:
        print("mml: %s: %s" % (args.source, e.strerror), file=sys.stderr)
        return 1
    except MmlError as e:
        where = "%s:%d:%d" % (args.source, e.line, e.column) if e.line else args.source
        print("%s: %s" % (where, e.message), file=sys.stderr)
        return 1
    with open(output, "wb") as f:
        f.write(song)
    return 0


if __name__ == "__main__":
    sys.exit(main())
