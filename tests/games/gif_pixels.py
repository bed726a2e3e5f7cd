"""Reads the frames of the animated GIF files the player writes (whole-picture
frames, each with its palette, not interlaced), so that they can be compared
with PNG frames exactly."""
import struct


def _sub_blocks(data, pos):
    out = bytearray()
    while True:
        n = data[pos]
        pos += 1
        if n == 0:
            return bytes(out), pos
        out += data[pos:pos + n]
        pos += n


def _lzw(data, min_size, count):
    clear, end = 1 << min_size, (1 << min_size) + 1
    size, table, prev, out = min_size + 1, None, None, []
    bits = nbits = pos = 0

    def reset():
        return [bytes([i]) for i in range(clear)] + [b"", b""]

    table = reset()
    while len(out) < count:
        while nbits < size:
            if pos >= len(data):
                raise ValueError("image data ends early")
            bits |= data[pos] << nbits
            pos += 1
            nbits += 8
        code = bits & ((1 << size) - 1)
        bits >>= size
        nbits -= size
        if code == clear:
            table, size, prev = reset(), min_size + 1, None
            continue
        if code == end:
            break
        if code < len(table):
            entry = table[code]
            if prev is not None:
                table.append(prev + entry[:1])
        elif prev is not None and code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise ValueError("bad LZW code")
        out.extend(entry)
        prev = entry
        if len(table) == (1 << size) and size < 12:
            size += 1
    return out[:count]


def read_gif(path):
    """(width, height, frames): frames as (delay in hundredths, rows) with rows
    as lists of (r, g, b) tuples."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise ValueError(path + ": not a GIF file")
    width, height, flags = struct.unpack("<HHB", data[6:11])
    pos = 13
    global_palette = None
    if flags & 0x80:
        n = 2 << (flags & 7)
        global_palette = [tuple(data[pos + 3 * i:pos + 3 * i + 3]) for i in range(n)]
        pos += 3 * n
    frames, delay = [], 0
    while pos < len(data):
        kind = data[pos]
        pos += 1
        if kind == 0x3B:
            break
        if kind == 0x21:
            label = data[pos]
            block, pos = _sub_blocks(data, pos + 1)
            if label == 0xF9:
                delay = block[1] | block[2] << 8
            continue
        if kind != 0x2C:
            raise ValueError(path + ": unknown block %#x" % kind)
        left, top, w, h, iflags = struct.unpack("<HHHHB", data[pos:pos + 9])
        pos += 9
        palette = global_palette
        if iflags & 0x80:
            n = 2 << (iflags & 7)
            palette = [tuple(data[pos + 3 * i:pos + 3 * i + 3]) for i in range(n)]
            pos += 3 * n
        if iflags & 0x40 or (left, top, w, h) != (0, 0, width, height):
            raise ValueError(path + ": only whole, plain frames are read")
        min_size = data[pos]
        block, pos = _sub_blocks(data, pos + 1)
        indices = _lzw(block, min_size, w * h)
        rows = [[palette[i] for i in indices[y * w:(y + 1) * w]] for y in range(h)]
        frames.append((delay, rows))
        delay = 0
    return width, height, frames
