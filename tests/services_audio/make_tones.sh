#!/bin/sh
# Makes the tone files that the audio tests play: <out dir>.
#   tone440.mp3       3 s of 440 Hz
#   tone440_880.mp3   2 s of 440 Hz, then 2 s of 880 Hz
#   steps.mp3         8 s, a tone per second: 300 Hz, 400 Hz, ... 1000 Hz (the position can be
#                     told from the sound)
#   noaudio.avi       a video without any audio stream
set -e
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 -b 16 "$tmp/a.wav" synth 3 sine 440 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$tmp/b.wav" synth 2 sine 440 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$tmp/c.wav" synth 2 sine 880 vol 0.5
sox "$tmp/b.wav" "$tmp/c.wav" "$tmp/bc.wav"
lame --quiet -b 128 "$tmp/a.wav" "$out/tone440.mp3"
lame --quiet -b 128 "$tmp/bc.wav" "$out/tone440_880.mp3"
steps=""
for hz in 300 400 500 600 700 800 900 1000; do
  sox -n -r 44100 -c 2 -b 16 "$tmp/s$hz.wav" synth 1 sine $hz vol 0.5
  steps="$steps $tmp/s$hz.wav"
done
sox $steps "$tmp/steps.wav"
lame --quiet -b 128 "$tmp/steps.wav" "$out/steps.mp3"
# A short uncompressed AVI with one video stream and no audio.
python3 - "$out/noaudio.avi" <<'PY'
import struct, sys
def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
def lst(kind, data):
    return chunk(b"LIST", kind + data)
w, h, frames = 16, 16, 10
size = w * h * 3
avih = struct.pack("<IIIIIIIIII4I", 100000, size * 10, 0, 0x10, frames, 0, 1, size, w, h, 0, 0, 0, 0)
strh = b"vidsDIB " + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 10, 0, frames, size, 0xFFFFFFFF, 0, 0, 0, w, h)
strf = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, size, 0, 0, 0, 0)
hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
movi, index, offset = b"", b"", 4
for i in range(frames):
    c = chunk(b"00db", bytes([i * 20]) * size)
    index += b"00db" + struct.pack("<III", 0x10, offset, size)
    offset += len(c)
    movi += c
body = b"AVI " + hdrl + lst(b"movi", movi) + chunk(b"idx1", index)
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
