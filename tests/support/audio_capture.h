// What the wave-out device played, read back from ALSA's file sink (16-bit stereo at 44.1 kHz)
// as the tones it held. Tests that capture give their program an ALSA configuration whose
// default device is
//   pcm.!default { type file  slave.pcm "null"  file "<path>"  format "raw"  truncate false }
// With "truncate false" every opening of the device writes a file of its own: <path>, then
// <path>.0001, <path>.0002, ... in the order the device was opened (one per played item).
#pragma once

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

// The tones of one capture file in order; silence and runs shorter than 0.1 s are left out.
std::vector<Tone> TonesOfFile(const std::wstring& file);
// The tones of every capture file, one list a file.
std::vector<std::vector<Tone>> TonesOfFiles(const std::wstring& path);

// True when hz is within 3 % of expected.
bool Near(double hz, double expected);
// Seconds of the tone near hz in the list.
double SecondsOf(const std::vector<Tone>& tones, double hz);

}  // namespace audiocapture
