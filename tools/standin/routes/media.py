#!/usr/bin/env python3
"""The stand-in's own audio tracks, which the catalogue (catalogue.py) hands out as play and
download URLs: GET /files/<TrackID>.mp3 on the main port (files.py serves them, with ranges and
behaviours).

Every file is a pure sine at half of full scale, 44.1 kHz, 16-bit, stereo (both channels
alike), MP3 at a constant 128 kbit/s (lame). A track of two tones plays the first for the first
half of its length and the second for the rest.

  TrackID  TrackName       tone                          length
  1001     晴天            440 Hz                        4 s
  1002     Blue in Green   660 Hz                        6 s
  1003     So What         880 Hz                        8 s
  1004     长夜            330 Hz, then 990 Hz           240 s (120 s each; longer than 3 min 34 s)
  1005     两段            523 Hz, then 784 Hz           8 s (4 s each)
  1099     坏歌            none: its play and download URLs answer 404

The files are made at build time (the CMake target "standin_media" runs this file with the
folder "<stand-in root>/files" as its argument; sox and lame make them). A track's Duration
element (GetPlayListTracks) is its length as "mm:ss".

Control:
  GET /_ctl/media    the table above as JSON, with "present" telling whether each file exists.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

# TrackID, TrackName, ArtistNameList, ArtistIDList, AlbumName, AlbumID, [(Hz, seconds), ...]
TRACKS = (
    ("1001", "晴天", "周杰伦", "11", "叶惠美", "501", [(440, 4)]),
    ("1002", "Blue in Green", "Miles Davis", "12", "Kind of Blue", "502", [(660, 6)]),
    ("1003", "So What", "Miles Davis", "12", "Kind of Blue", "503", [(880, 8)]),
    ("1004", "长夜", "青岚乐队", "13", "夜曲", "504", [(330, 120), (990, 120)]),
    ("1005", "两段", "青岚乐队", "13", "夜曲", "504", [(523, 4), (784, 4)]),
)
# A track without a file: its URLs fail with 404.
BROKEN = ("1099", "坏歌", "青岚乐队", "13", "夜曲", "504")


def file_name(track_id):
    return "%s.mp3" % track_id


def broken_url():
    return "/files/missing-%s.mp3" % BROKEN[0]


def seconds(tones):
    return sum(length for _, length in tones)


def duration_text(tones):
    total = seconds(tones)
    return "%02d:%02d" % (total // 60, total % 60)


def make(folder):
    """Writes every track's file into folder (sox makes the tones, lame the MP3)."""
    os.makedirs(folder, exist_ok=True)
    tmp = tempfile.mkdtemp()
    try:
        for track in TRACKS:
            parts = []
            for i, (hz, length) in enumerate(track[6]):
                part = os.path.join(tmp, "%s_%d.wav" % (track[0], i))
                subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", part,
                                "synth", str(length), "sine", str(hz), "vol", "0.5"], check=True)
                parts.append(part)
            wav = os.path.join(tmp, "%s.wav" % track[0])
            if len(parts) == 1:
                shutil.move(parts[0], wav)
            else:
                subprocess.run(["sox"] + parts + [wav], check=True)
            target = os.path.join(folder, file_name(track[0]))
            subprocess.run(["lame", "--quiet", "--cbr", "-b", "128", "--resample", "44.1", wav, target + ".tmp"],
                           check=True)
            os.replace(target + ".tmp", target)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def register(app):
    def ctl_media(req):
        table = [{"TrackID": t[0], "TrackName": t[1], "tones": [{"hz": hz, "seconds": s} for hz, s in t[6]],
                  "seconds": seconds(t[6]),
                  "present": app.file_bytes(file_name(t[0])) is not None} for t in TRACKS]
        table.append({"TrackID": BROKEN[0], "TrackName": BROKEN[1], "tones": [], "seconds": 0, "present": False})
        req.send(200, json.dumps(table, ensure_ascii=False), "application/json; charset=utf-8")

    app.add_control("media", ctl_media)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: media.py <folder>")
    make(sys.argv[1])
