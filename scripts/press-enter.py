#!/usr/bin/env python3
"""Presses Enter on the X display in $DISPLAY after moving the pointer to X,Y.

Used by the screenshot and demo scripts to press the default button ("获取相册") of the main
window on a bare virtual display, where no window manager hands out the keyboard focus: keys
then go to the window under the pointer. Standard library only (ctypes on libX11/libXtst).
Usage: press-enter.py X Y
"""
import ctypes
import ctypes.util
import sys

XK_RETURN = 0xFF0D


def main():
    x, y = int(sys.argv[1]), int(sys.argv[2])
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    dpy = x11.XOpenDisplay(None)
    if not dpy:
        sys.exit("press-enter: no display")
    dpy = ctypes.c_void_p(dpy)
    xtst.XTestFakeMotionEvent(dpy, -1, x, y, 0)
    x11.XFlush(dpy)
    code = x11.XKeysymToKeycode(dpy, ctypes.c_ulong(XK_RETURN))
    xtst.XTestFakeKeyEvent(dpy, code, True, 0)
    xtst.XTestFakeKeyEvent(dpy, code, False, 0)
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


if __name__ == "__main__":
    main()
