#!/usr/bin/env python3
"""Draws the player's pictures: flat colours, simple shapes.

Two sets:
  - the PNG resources and the icon compiled into VelaMusic.exe (kept under
    resources/player/images/; run once when one of them changes):
        make_player_images.py [output folder]
  - the pictures that layouts and code name by file (file='...', <i name ...>), packed into the
    resource archive "skin.zip" beside the program at build time:
        make_player_images.py --skin <path of skin.zip>
"""
import math
import os
import struct
import sys
import zlib

BLUE = (0x2D, 0x7C, 0xC9, 255)
BLUE_HOT = (0x4A, 0x95, 0xDE, 255)
BLUE_DOWN = (0x1F, 0x5E, 0x9C, 255)
WHITE = (255, 255, 255, 255)
GREY = (0x85, 0x86, 0x87, 255)
DARK = (0x3D, 0x3D, 0x3D, 255)
GREEN = (0x3C, 0xB0, 0x4A, 255)
YELLOW = (0xF2, 0xB8, 0x1F, 255)
RED = (0xD9, 0x3A, 0x2E, 255)
CLEAR = (0, 0, 0, 0)


class Canvas:
    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = list(c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, c)

    def round_rect(self, x0, y0, x1, y1, r, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx = min(max(x + 0.5, x0 + r), x1 - r)
                cy = min(max(y + 0.5, y0 + r), y1 - r)
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, width, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - width <= d <= r:
                    self.put(x, y, c)

    def polygon(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(math.ceil(max(ys)))):
            sy = y + 0.5
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if (y0 <= sy < y1) or (y1 <= sy < y0):
                    xs.append(x0 + (sy - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(math.ceil(a - 0.5)), int(math.ceil(b - 0.5))):
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, width, c):
        for y in range(self.h):
            for x in range(self.w):
                px, py = x + 0.5, y + 0.5
                dx, dy = x1 - x0, y1 - y0
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
                if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                    self.put(x, y, c)

    def png(self):
        raw = b"".join(b"\0" + bytes(v for p in self.px[y * self.w:(y + 1) * self.w] for v in p)
                       for y in range(self.h))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

    def ico(self):
        """A one-image icon: 32-bit BGRA bitmap, bottom-up, with an all-zero AND mask."""
        xor = b"".join(bytes((p[2], p[1], p[0], p[3])) for y in reversed(range(self.h))
                       for p in self.px[y * self.w:(y + 1) * self.w])
        mask_row = ((self.w + 31) // 32) * 4
        data = (struct.pack("<IiiHHIIiiII", 40, self.w, self.h * 2, 1, 32, 0, len(xor), 0, 0, 0, 0)
                + xor + b"\0" * (mask_row * self.h))
        return (struct.pack("<HHH", 0, 1, 1)
                + struct.pack("<BBBBHHII", self.w % 256, self.h % 256, 0, 0, 1, 32, len(data), 22) + data)


def note(c, cx, cy, s, colour):
    """A quaver: a head and a stem with a flag."""
    c.disc(cx - s * 0.35, cy + s * 0.55, s * 0.32, colour)
    c.rect(int(cx - s * 0.1), int(cy - s * 0.7), int(cx + s * 0.0 + 2), int(cy + s * 0.55), colour)
    c.polygon([(cx, cy - s * 0.7), (cx + s * 0.55, cy - s * 0.35), (cx + s * 0.55, cy - s * 0.1),
               (cx, cy - s * 0.4)], colour)


def logo(size):
    c = Canvas(size, size)
    c.disc(size / 2, size / 2, size / 2 - 1, BLUE)
    note(c, size / 2, size / 2 - size * 0.05, size * 0.42, WHITE)
    return c


def close_button(colour):
    c = Canvas(20, 20)
    if colour is not None:
        c.round_rect(0, 0, 20, 20, 3, colour)
    c.line(6, 6, 14, 14, 2, WHITE)
    c.line(14, 6, 6, 14, 2, WHITE)
    return c


def min_button(colour):
    c = Canvas(20, 20)
    if colour is not None:
        c.round_rect(0, 0, 20, 20, 3, colour)
    c.rect(5, 12, 15, 14, WHITE)
    return c


def push_button(colour):
    c = Canvas(90, 27)
    c.round_rect(0, 0, 90, 27, 4, colour)
    return c


def tick():
    c = Canvas(40, 40)
    c.disc(20, 20, 19, GREEN)
    c.line(11, 21, 17, 27, 4, WHITE)
    c.line(17, 27, 29, 13, 4, WHITE)
    return c


def warning():
    c = Canvas(40, 40)
    c.polygon([(20, 2), (38, 36), (2, 36)], YELLOW)
    c.rect(18, 12, 22, 26, DARK)
    c.rect(18, 29, 22, 33, DARK)
    return c


def check_box(checked):
    c = Canvas(16, 16)
    c.rect(1, 1, 15, 15, GREY)
    c.rect(2, 2, 14, 14, WHITE)
    if checked:
        c.line(4, 8, 7, 11, 2, BLUE)
        c.line(7, 11, 12, 5, 2, BLUE)
    return c


def radio(checked):
    c = Canvas(16, 16)
    c.disc(8, 8, 7, GREY)
    c.disc(8, 8, 6, WHITE)
    if checked:
        c.disc(8, 8, 3.5, BLUE)
    return c


def share_button(colour, letter_shape):
    c = Canvas(48, 48)
    c.round_rect(0, 0, 48, 48, 8, colour)
    letter_shape(c)
    return c


def microblog_mark(c):
    c.ring(22, 26, 11, 4, WHITE)
    c.disc(33, 13, 3, WHITE)


def social_mark(c):
    c.disc(24, 16, 6, WHITE)
    c.round_rect(12, 25, 36, 38, 6, WHITE)


def sms_mark(c):
    c.round_rect(10, 12, 38, 32, 5, WHITE)
    c.polygon([(16, 31), (24, 31), (14, 39)], WHITE)


def transport(kind, size=32):
    c = Canvas(size, size)
    c.disc(size / 2, size / 2, size / 2 - 1, BLUE)
    m = size / 2
    if kind == "play":
        c.polygon([(m - 5, m - 8), (m + 8, m), (m - 5, m + 8)], WHITE)
    elif kind == "prev":
        c.rect(int(m - 8), int(m - 7), int(m - 5), int(m + 7), WHITE)
        c.polygon([(m + 7, m - 7), (m - 5, m), (m + 7, m + 7)], WHITE)
    elif kind == "next":
        c.rect(int(m + 5), int(m - 7), int(m + 8), int(m + 7), WHITE)
        c.polygon([(m - 7, m - 7), (m + 5, m), (m - 7, m + 7)], WHITE)
    elif kind == "stop":
        c.rect(int(m - 6), int(m - 6), int(m + 6), int(m + 6), WHITE)
    return c


def thumb():
    c = Canvas(12, 12)
    c.disc(6, 6, 5.5, BLUE)
    c.disc(6, 6, 2.5, WHITE)
    return c


def menu_background():
    c = Canvas(40, 40)
    c.round_rect(0, 0, 40, 40, 3, GREY)
    c.round_rect(1, 1, 39, 39, 2, WHITE)
    c.rect(1, 3, 28, 37, (0xEE, 0xF2, 0xF7, 255))
    c.rect(28, 3, 29, 37, (0xD5, 0xDB, 0xE3, 255))
    return c


def menu_arrow():
    c = Canvas(8, 8)
    c.polygon([(2, 0), (7, 4), (2, 8)], DARK)
    return c


# ---- Pictures of skin.zip -----------------------------------------------------------------------

LIGHT = (0xEE, 0xF2, 0xF7, 255)
LINE = (0xD5, 0xDB, 0xE3, 255)
HOT = (0xC1, 0xE3, 0xFF, 255)
ORANGE = (0xE8, 0x8A, 0x1A, 255)


def tree_row_background():
    """Level-0 rows of the play-list tree: a light band with a line below (109 by 29)."""
    c = Canvas(109, 29, LIGHT)
    c.rect(0, 27, 109, 29, LINE)
    c.rect(0, 0, 2, 29, BLUE)
    return c


def tree_expand():
    """Two 16 by 16 parts: 0 collapsed (pointing right), 1 expanded (pointing down)."""
    c = Canvas(32, 16)
    c.polygon([(5, 3), (12, 8), (5, 13)], GREY)
    c.polygon([(19, 5), (29, 5), (24, 12)], GREY)
    return c


def menu_right_key_background():
    c = Canvas(40, 40)
    c.round_rect(0, 0, 40, 40, 2, GREY)
    c.round_rect(1, 1, 39, 39, 2, WHITE)
    return c


def menu_right_key_hot():
    c = Canvas(40, 26)
    c.round_rect(0, 0, 40, 26, 2, (0x8F, 0xC3, 0xF0, 255))
    c.round_rect(1, 1, 39, 25, 2, HOT)
    return c


def transport_strip(mark):
    """Three 30 by 30 states side by side: pushed, hot, normal (as the play button cuts them)."""
    c = Canvas(90, 30)
    for x0, colour in ((0, BLUE_DOWN), (30, BLUE_HOT), (60, BLUE)):
        c.disc(x0 + 15, 15, 14, colour)
        mark(c, x0 + 15, 15)
    return c


def play_mark(c, cx, cy):
    c.polygon([(cx - 4, cy - 7), (cx + 7, cy), (cx - 4, cy + 7)], WHITE)


def pause_mark(c, cx, cy):
    c.rect(cx - 5, cy - 6, cx - 1, cy + 7, WHITE)
    c.rect(cx + 2, cy - 6, cx + 6, cy + 7, WHITE)


def play_mode_states():
    """The play-mode buttons ("BtnPlayCircular", ...), three 32 by 24 states side by side: released,
    hot, pressed. The mode that is on shows pressed: a filled blue-edged key."""
    c = Canvas(96, 24)
    for x0, edge, fill in ((0, LINE, None), (32, (0xB4, 0xC2, 0xD3, 255), (0xE6, 0xEC, 0xF4, 255)),
                           (64, BLUE, HOT)):
        c.round_rect(x0, 0, x0 + 32, 24, 4, edge)
        c.round_rect(x0 + 1, 1, x0 + 31, 23, 3, fill if fill is not None else (0xF4, 0xF6, 0xF9, 255))
    # The pressed key sits lower: a darker line along its top.
    c.rect(68, 1, 92, 2, BLUE_DOWN)
    return c


def speaker(c, x0, colour):
    c.rect(x0 + 3, 7, x0 + 7, 13, colour)
    c.polygon([(x0 + 6, 7), (x0 + 12, 2), (x0 + 12, 18), (x0 + 6, 13)], colour)


def sound_states():
    """The sound button ("BtnSound"), two 20 by 20 states side by side: sound on (a speaker with its
    waves), muted (the speaker crossed out)."""
    c = Canvas(40, 20)
    speaker(c, 0, GREY)
    c.rect(14, 8, 16, 12, GREY)
    c.rect(17, 5, 19, 15, GREY)
    speaker(c, 20, GREY)
    c.line(34, 6, 39, 14, 2, RED)
    c.line(39, 6, 34, 14, 2, RED)
    return c


def download_marker():
    """The leading mark of a download row (10 by 25)."""
    c = Canvas(10, 25)
    c.disc(5, 12.5, 3, BLUE)
    return c


def download_icon(kind):
    """A status or action icon of a download row (18 by 25)."""
    c = Canvas(18, 25)
    cx, cy = 9, 12.5
    if kind == "running":      # pause the download
        c.rect(4, 7, 8, 19, BLUE)
        c.rect(10, 7, 14, 19, BLUE)
    elif kind == "paused":     # start it again
        c.polygon([(5, 6), (15, 12.5), (5, 19)], GREEN)
    elif kind == "waiting":    # a clock
        c.ring(cx, cy, 7, 2, ORANGE)
        c.rect(8, 8, 10, 13, ORANGE)
        c.rect(8, 12, 13, 14, ORANGE)
    elif kind == "delete":
        c.line(4, 8, 14, 18, 2.5, RED)
        c.line(14, 8, 4, 18, 2.5, RED)
    return c


def device_icon(kind, online):
    colour = GREEN if online else GREY
    c = Canvas(16, 16)
    if kind == "mobile":
        c.round_rect(4, 1, 12, 15, 2, colour)
        c.rect(5, 3, 11, 12, WHITE)
        c.rect(7, 13, 9, 14, WHITE)
    else:
        c.round_rect(1, 2, 15, 12, 1, colour)
        c.rect(2, 3, 14, 11, WHITE)
        c.rect(5, 13, 11, 15, colour)
    return c


def scroll_bar_part(colour):
    """The rail and the thumb of the lists' scroll bars: a rounded square (16 by 16, corners of
    4) that the layouts stretch along the bar, keeping the corners, so one picture serves the
    vertical and the horizontal bars."""
    c = Canvas(16, 16)
    c.round_rect(0, 0, 16, 16, 4, colour)
    return c


SKIN = {
    "left.png": tree_row_background,
    "tree_expand.png": tree_expand,
    "scrollbar_rail.png": lambda: scroll_bar_part((0xE6, 0xEB, 0xF1, 255)),
    "scrollbar_thumb.png": lambda: scroll_bar_part((0xA6, 0xB6, 0xCA, 255)),
    "scrollbar_thumb_hot.png": lambda: scroll_bar_part((0x84, 0x9B, 0xB8, 255)),
    "scrollbar_thumb_pushed.png": lambda: scroll_bar_part((0x5E, 0x7E, 0xA6, 255)),
    "Menu_RightKey_bk.png": menu_right_key_background,
    "Menu_RightKey_Hot.png": menu_right_key_hot,
    "bft_03_bf.png": lambda: transport_strip(play_mark),
    "bft_03_zt.png": lambda: transport_strip(pause_mark),
    "play_mode.png": play_mode_states,
    "btn_sound.png": sound_states,
    "xz.png": download_marker,
    "xz_zt.png": lambda: download_icon("running"),
    "xz_ks.png": lambda: download_icon("paused"),
    "xz_dd.png": lambda: download_icon("waiting"),
    "xz_gb.png": lambda: download_icon("delete"),
    "mobile.png": lambda: device_icon("mobile", False),
    "mobile_online.png": lambda: device_icon("mobile", True),
    "tv.png": lambda: device_icon("tv", False),
    "tv_online.png": lambda: device_icon("tv", True),
}


def write_skin(path):
    """skin.zip: every picture of SKIN as a deflated entry under its plain name, with a fixed
    date so that the archive only changes when a picture does."""
    import zipfile
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in sorted(SKIN):
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, SKIN[name]().png())
    os.replace(temporary, path)


IMAGES = {
    "logo.png": lambda: logo(48),
    "close.png": lambda: close_button(None),
    "close_hot.png": lambda: close_button(RED),
    "min.png": lambda: min_button(None),
    "min_hot.png": lambda: min_button(BLUE_HOT),
    "button.png": lambda: push_button(BLUE),
    "button_hot.png": lambda: push_button(BLUE_HOT),
    "button_pushed.png": lambda: push_button(BLUE_DOWN),
    "check.png": lambda: check_box(False),
    "check_on.png": lambda: check_box(True),
    "radio.png": lambda: radio(False),
    "radio_on.png": lambda: radio(True),
    "share_microblog.png": lambda: share_button(RED, microblog_mark),
    "share_social.png": lambda: share_button(BLUE, social_mark),
    "share_sms.png": lambda: share_button(GREEN, sms_mark),
    "play.png": lambda: transport("play"),
    "prev.png": lambda: transport("prev", 26),
    "next.png": lambda: transport("next", 26),
    "stop.png": lambda: transport("stop", 26),
    "thumb.png": thumb,
    "tick.png": tick,
    "warning.png": warning,
    "menu_bk.png": menu_background,
    "menu_arrow.png": menu_arrow,
}


def device_icon(kind, online):
    """A device of the push dialog's list: a mobile phone or a television set, in colour when
    the device is online and grey when it is not."""
    c = Canvas(16, 16)
    colour = GREEN if online else GREY
    if kind == "mobile":
        c.round_rect(4, 0, 12, 16, 2, colour)
        c.rect(5, 2, 11, 12, WHITE)
        c.rect(7, 13, 9, 15, WHITE)
    else:
        c.round_rect(0, 2, 16, 13, 2, colour)
        c.rect(2, 4, 14, 11, WHITE)
        c.rect(5, 14, 11, 16, colour)
    return c


# Pictures that the push dialog's device items name by file in their mark-up
# ("<i mobile_online.png 1 1>"): they go into the resource archive with the others named by file.
PUSH_DEVICE_ICONS = {
    "mobile_online.png": lambda: device_icon("mobile", True),
    "mobile.png": lambda: device_icon("mobile", False),
    "tv_online.png": lambda: device_icon("tv", True),
    "tv.png": lambda: device_icon("tv", False),
}


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--skin":
        write_skin(sys.argv[2])
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "player", "images")
    os.makedirs(out, exist_ok=True)
    for name, draw in list(IMAGES.items()) + list(PUSH_DEVICE_ICONS.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(draw().png())
    with open(os.path.join(out, "VelaMusic.ico"), "wb") as f:
        f.write(logo(32).ico())


if __name__ == "__main__":
    main()
