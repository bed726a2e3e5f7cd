"""Reads the screen of an Xvfb started with -fbdir (an XWD file, 24-bit
depth in 32-bit pixels), so that tests can look at what the window shows."""
import struct


def read_screen(path):
    """(width, height, pixel) where pixel(x, y) gives (r, g, b)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size = fields[0]
    width, height = fields[4], fields[5]
    byte_order = fields[7]
    bits_per_pixel, bytes_per_line = fields[11], fields[12]
    ncolors = fields[19]
    start = header_size + ncolors * 12
    if bits_per_pixel != 32:
        raise ValueError("unexpected XWD layout: %d bits a pixel" % bits_per_pixel)

    def pixel(x, y):
        at = start + y * bytes_per_line + x * 4
        b0, b1, b2, b3 = data[at:at + 4]
        if byte_order == 0:  # LSBFirst: B G R x
            return (b2, b1, b0)
        return (b1, b2, b3)

    return width, height, pixel
