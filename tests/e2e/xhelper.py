#!/usr/bin/env python3
"""X11 chores for e2e_xvfb.sh that xdotool cannot do on a server without a window manager.

    xhelper.py close WINDOW    ask a window to close the way a window manager would
                               (a WM_PROTOCOLS / WM_DELETE_WINDOW client message)
    xhelper.py wintype WINDOW  print the window's _NET_WM_WINDOW_TYPE atoms, one a line
    xhelper.py shot FILE.png   save the whole screen as a PNG

Only libX11 is used, through ctypes; DISPLAY selects the server.
"""

import ctypes
import ctypes.util
import struct
import sys
import zlib

X = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")

Atom = ctypes.c_ulong
Window = ctypes.c_ulong
Display_p = ctypes.c_void_p

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0
CURRENT_TIME = 0
XA_ATOM = 4
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class XClientMessageData(ctypes.Union):
    _fields_ = [("b", ctypes.c_char * 20), ("s", ctypes.c_short * 10), ("l", ctypes.c_long * 5)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", Display_p),
        ("window", Window),
        ("message_type", Atom),
        ("format", ctypes.c_int),
        ("data", XClientMessageData),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    # Only the leading fields are read; the padding covers the rest of the real structure.
    _fields_ = [
        ("x", ctypes.c_int),
        ("y", ctypes.c_int),
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("border_width", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("pad", ctypes.c_long * 32),
    ]


class XImage(ctypes.Structure):
    _fields_ = [
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int),
        ("data", ctypes.POINTER(ctypes.c_ubyte)),
        ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
        ("red_mask", ctypes.c_ulong),
        ("green_mask", ctypes.c_ulong),
        ("blue_mask", ctypes.c_ulong),
    ]


X.XOpenDisplay.restype = Display_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XCloseDisplay.argtypes = [Display_p]
X.XInternAtom.restype = Atom
X.XInternAtom.argtypes = [Display_p, ctypes.c_char_p, ctypes.c_int]
X.XGetAtomName.restype = ctypes.c_void_p
X.XGetAtomName.argtypes = [Display_p, Atom]
X.XSendEvent.argtypes = [Display_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
X.XSync.argtypes = [Display_p, ctypes.c_int]
X.XDefaultRootWindow.restype = Window
X.XDefaultRootWindow.argtypes = [Display_p]
X.XGetWindowProperty.argtypes = [Display_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
                                 ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_void_p)]
X.XFree.argtypes = [ctypes.c_void_p]
X.XGetWindowAttributes.argtypes = [Display_p, Window, ctypes.POINTER(XWindowAttributes)]
X.XGetImage.restype = ctypes.POINTER(XImage)
X.XGetImage.argtypes = [Display_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                        ctypes.c_ulong, ctypes.c_int]


def open_display():
    display = X.XOpenDisplay(None)
    if not display:
        sys.exit("xhelper: cannot open display")
    return display


def close_window(window):
    display = open_display()
    event = XEvent()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = X.XInternAtom(display, b"WM_PROTOCOLS", False)
    event.xclient.format = 32
    event.xclient.data.l[0] = X.XInternAtom(display, b"WM_DELETE_WINDOW", False)
    event.xclient.data.l[1] = CURRENT_TIME
    if not X.XSendEvent(display, window, False, NO_EVENT_MASK, ctypes.byref(event)):
        sys.exit("xhelper: XSendEvent failed")
    X.XSync(display, False)
    X.XCloseDisplay(display)


def window_types(window):
    display = open_display()
    prop = X.XInternAtom(display, b"_NET_WM_WINDOW_TYPE", False)
    actual_type = Atom()
    actual_format = ctypes.c_int()
    count = ctypes.c_ulong()
    remaining = ctypes.c_ulong()
    data = ctypes.c_void_p()
    X.XGetWindowProperty(display, window, prop, 0, 64, False, XA_ATOM, ctypes.byref(actual_type),
                         ctypes.byref(actual_format), ctypes.byref(count), ctypes.byref(remaining),
                         ctypes.byref(data))
    names = []
    if data.value:
        atoms = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))
        for i in range(count.value):
            name = X.XGetAtomName(display, atoms[i])
            names.append(ctypes.string_at(name).decode())
            X.XFree(name)
        X.XFree(data)
    X.XCloseDisplay(display)
    return names


def screenshot(path):
    display = open_display()
    root = X.XDefaultRootWindow(display)
    attributes = XWindowAttributes()
    X.XGetWindowAttributes(display, root, ctypes.byref(attributes))
    width, height = attributes.width, attributes.height
    image = X.XGetImage(display, root, 0, 0, width, height, ALL_PLANES, Z_PIXMAP)
    if not image:
        sys.exit("xhelper: XGetImage failed")
    img = image.contents
    if img.bits_per_pixel != 32:
        sys.exit("xhelper: only 32 bits a pixel is handled, not %d" % img.bits_per_pixel)
    stride = img.bytes_per_line
    raw = ctypes.string_at(img.data, stride * height)
    rows = []
    for y in range(height):
        line = raw[y * stride:y * stride + width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = line[2::4]
        rgb[1::3] = line[1::4]
        rgb[2::3] = line[0::4]
        rows.append(b"\x00" + bytes(rgb))
    X.XFree(img.data)
    X.XFree(image)
    X.XCloseDisplay(display)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 6)))
        out.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) == 3 and argv[1] == "close":
        close_window(int(argv[2], 0))
    elif len(argv) == 3 and argv[1] == "wintype":
        for name in window_types(int(argv[2], 0)):
            print(name)
    elif len(argv) == 3 and argv[1] == "shot":
        screenshot(argv[2])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
