"""Fast reads of the X screen through Xlib (ctypes): pixels and the cursor.

`import -window root` takes a fifth of a second per picture, too slow to
catch a grow animation of eleven 10 ms steps or to film the demo at ten
frames a second. XGetImage on the root window reads the same composited
pixels in a few milliseconds. XFixes tells which cursor the pointer shows,
which no screenshot contains.
"""

import ctypes

from PIL import Image

_ALL_PLANES = 0xFFFFFFFF
_Z_PIXMAP = 2


def _fields(kind, *names):
    return [(name, kind) for name in names]


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage; the function table that follows
    # them is not used.
    _fields_ = (_fields(ctypes.c_int, "width", "height", "xoffset", "format") + _fields(ctypes.c_void_p, "data")
                + _fields(ctypes.c_int, "byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad", "depth",
                          "bytes_per_line", "bits_per_pixel"))


class _XWindowAttributes(ctypes.Structure):
    _fields_ = (_fields(ctypes.c_int, "x", "y", "width", "height", "border_width", "depth")
                + _fields(ctypes.c_void_p, "visual") + _fields(ctypes.c_ulong, "root")
                + _fields(ctypes.c_int, "class_", "bit_gravity", "win_gravity", "backing_store")
                + _fields(ctypes.c_ulong, "backing_planes", "backing_pixel") + _fields(ctypes.c_int, "save_under")
                + _fields(ctypes.c_ulong, "colormap") + _fields(ctypes.c_int, "map_installed", "map_state")
                + _fields(ctypes.c_long, "all_event_masks", "your_event_mask", "do_not_propagate_mask")
                + _fields(ctypes.c_int, "override_redirect") + _fields(ctypes.c_void_p, "screen"))


class _XFixesCursorImage(ctypes.Structure):
    _fields_ = (_fields(ctypes.c_short, "x", "y") + _fields(ctypes.c_ushort, "width", "height", "xhot", "yhot")
                + _fields(ctypes.c_ulong, "cursor_serial")
                + _fields(ctypes.POINTER(ctypes.c_ulong), "pixels")   # ARGB, one per unsigned long
                + _fields(ctypes.c_ulong, "atom") + _fields(ctypes.c_char_p, "name"))


# A window may go between XQueryTree and the next request about it: Xlib's
# default handler would end this process; each request's result says enough.
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_x_errors = _ERROR_HANDLER(lambda display, event: 0)


def _load_libraries():
    xlib = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    xlib.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
    xlib.XSetErrorHandler(_ignore_x_errors)
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XGetImage.restype = ctypes.POINTER(_XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xlib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                ctypes.POINTER(ctypes.c_ulong),
                                ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                ctypes.POINTER(ctypes.c_uint)]
    xlib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                          ctypes.POINTER(_XWindowAttributes)]
    xlib.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                ctypes.POINTER(ctypes.POINTER(ctypes.c_char))]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    return xlib, xfixes


class Cursor:
    """The cursor picture as the X server shows it."""

    def __init__(self, width, height, hot_x, hot_y, argb, position=(0, 0)):
        self.position = position   # where the hotspot is on the screen
        self.width = width
        self.height = height
        self.hotspot = (hot_x, hot_y)
        self.argb = tuple(argb)

    def same_as(self, other):
        return (other is not None and self.hotspot == other.hotspot
                and (self.width, self.height) == (other.width, other.height)
                and self.argb == other.argb)

    def draw_on(self, picture, origin=(0, 0)):
        """Draws the cursor where it is onto a picture of the screen whose
        top-left corner is the screen point `origin`."""
        left = self.position[0] - self.hotspot[0] - origin[0]
        top = self.position[1] - self.hotspot[1] - origin[1]
        drawn = Image.new("RGBA", (self.width, self.height))
        drawn.putdata([((v >> 16) & 255, (v >> 8) & 255, v & 255, (v >> 24) & 255) for v in self.argb])
        picture.paste(drawn, (left, top), drawn)

    def __repr__(self):
        return "Cursor(%dx%d, hotspot %s)" % (self.width, self.height, self.hotspot)


class Screen:
    """One connection to the X display. Not to be shared between threads."""

    def __init__(self, display_name):
        self._xlib, self._xfixes = _load_libraries()
        self._display = self._xlib.XOpenDisplay(display_name.encode())
        if not self._display:
            raise RuntimeError("cannot open X display %r" % display_name)
        self._root = self._xlib.XDefaultRootWindow(self._display)

    def close(self):
        if self._display:
            self._xlib.XCloseDisplay(self._display)
            self._display = None

    def grab(self, box):
        """The screen's pixels in box (left, top, right, bottom) as an RGB image."""
        left, top, right, bottom = box
        width, height = right - left, bottom - top
        pointer = self._xlib.XGetImage(self._display, self._root, left, top, width, height,
                                       _ALL_PLANES, _Z_PIXMAP)
        if not pointer:
            raise RuntimeError("XGetImage failed for %r" % (box,))
        image = pointer.contents
        try:
            if image.bits_per_pixel != 32:
                raise RuntimeError("unexpected screen depth: %d bits per pixel" % image.bits_per_pixel)
            data = ctypes.string_at(image.data, image.bytes_per_line * image.height)
            return Image.frombuffer("RGB", (width, height), data, "raw", "BGRX",
                                    image.bytes_per_line, 1).copy()
        finally:
            # XDestroyImage is a macro over the image's own function table;
            # for an image from XGetImage it frees exactly these two blocks.
            self._xlib.XFree(image.data)
            self._xlib.XFree(ctypes.cast(pointer, ctypes.c_void_p))

    def _top_windows(self):
        """(window id, attributes, name) of the root's children, bottom of
        the stacking order first."""
        root = ctypes.c_ulong()
        parent = ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        if not self._xlib.XQueryTree(self._display, self._root, ctypes.byref(root),
                                     ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count)):
            return []
        found = []
        try:
            for index in range(count.value):
                window = children[index]
                attributes = _XWindowAttributes()
                if not self._xlib.XGetWindowAttributes(self._display, window, ctypes.byref(attributes)):
                    continue
                name = ctypes.POINTER(ctypes.c_char)()
                self._xlib.XFetchName(self._display, window, ctypes.byref(name))
                title = ""
                if name:
                    title = ctypes.string_at(name).decode("utf-8", "replace")
                    self._xlib.XFree(name)
                found.append((window, attributes, title))
        finally:
            if children:
                self._xlib.XFree(children)
        return found

    def windows(self):
        """The root's child windows, bottom of the stacking order first:
        one line each with id, map state, override-redirect, geometry, name."""
        return ["%#010x %-10s %s %4d,%4d %4dx%-4d %s" % (
            window, ("unmapped", "unviewable", "viewable")[a.map_state], "override" if a.override_redirect else "managed ",
            a.x, a.y, a.width, a.height, title) for window, a, title in self._top_windows()]

    def geometries(self, title):
        """(x, y, width, height) of each viewable window named `title`."""
        viewable = 2
        return [(a.x, a.y, a.width, a.height) for _, a, name in self._top_windows()
                if name == title and a.map_state == viewable]

    def cursor(self):
        pointer = self._xfixes.XFixesGetCursorImage(self._display)
        if not pointer:
            raise RuntimeError("XFixesGetCursorImage failed")
        cursor = pointer.contents
        try:
            count = cursor.width * cursor.height
            argb = [cursor.pixels[i] & 0xFFFFFFFF for i in range(count)]
            return Cursor(cursor.width, cursor.height, cursor.xhot, cursor.yhot, argb,
                          (cursor.x, cursor.y))
        finally:
            self._xlib.XFree(ctypes.cast(pointer, ctypes.c_void_p))
