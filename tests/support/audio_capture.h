// What the wave-out device played, read back from ALSA's file sink (16-bit stereo at 44.1 kHz)
// as the tones it held. Tests that capture give their program an ALSA configuration whose
// default device is
//   pcm.!default { type file  slave.pcm "null"  file "<path>"  format "raw"  truncate false }
// With "truncate false" every opening of the device writes a file of its own: <path>, then
// <path>.0001, <path>.0002, ... in the order the device was opened (one per played item).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace audiocapture {

// One run of a single tone.
struct Tone {
    double hz = 0;
    double seconds = 0;
    int leftPeak = 0;   // the highest sample value of each channel
    int rightPeak = 0;
};

// The capture files of one opening of the device each, in order.
std::vector<std::wstring> Files(const std::wstring& path);
// Removes every capture file.
void Clear(const std::wstring& path);

// The tones of one capture file in order (from a byte offset on); silence and runs shorter than
// 0.1 s are left out.
std::vector<Tone> TonesOfFile(const std::wstring& file, size_t fromByte = 0);
// The tones of every capture file, one list a file.
std::vector<std::vector<Tone>> TonesOfFiles(const std::wstring& path);

// Where a capture file holds sound (frames above the silence level on either channel), and the
// runs of silence of at least minimumSeconds between its first and last sound: a track that plays
// without dropouts has none.
struct SilentRun {
    double at = 0;       // seconds from the start of the file
    double seconds = 0;
};
struct SoundSpan {
    double first = -1;   // seconds of the first and last sounding frame; -1 when all is silent
    double last = -1;
    std::vector<SilentRun> silences;

    double Seconds() const { return first < 0 ? 0 : last - first; }
    double SilentSeconds() const;
};
// Seconds are counted from fromByte.
SoundSpan SoundSpanOfFile(const std::wstring& file, size_t fromByte = 0, double minimumSeconds = 0.005);
// "3 silent runs, 0.030 s in all, first at 1.234 s" (for failure messages).
std::string Describe(const SoundSpan& span);

// Bytes of a capture file (its frames so far times four).
size_t FileBytes(const std::wstring& file);
// Seconds from the frame at byte offset `from` to the first 20 ms of the capture file that sound
// near hz; -1 when none does yet.
double SecondsUntilTone(const std::wstring& file, size_t from, double hz);

// True when hz is within 3 % of expected.
bool Near(double hz, double expected);
// Seconds of the tone near hz in the list.
double SecondsOf(const std::vector<Tone>& tones, double hz);

}  // namespace audiocapture
