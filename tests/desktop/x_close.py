"""Asks an X window to close as a window manager's close button does: a
WM_DELETE_WINDOW client message (xdotool can only destroy or kill it)."""
import ctypes
import ctypes.util


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def close_window(display_name, window):
    x = ctypes.CDLL(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(_Event)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(display_name.encode())
    if not dpy:
        raise RuntimeError("cannot open display " + display_name)
    event = _Event()
    event.client.type = 33  # ClientMessage
    event.client.window = int(window)
    event.client.message_type = x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    x.XSendEvent(dpy, int(window), 0, 0, ctypes.byref(event))
    x.XFlush(dpy)
    x.XCloseDisplay(dpy)
