#include "audio_capture.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "test_files.h"

namespace audiocapture {

namespace {

const int kRate = 44100;
const size_t kWindow = 2205;   // 50 ms
const int kSilent = 200;
const double kShortest = 0.1;

struct Frame {
    short left;
    short right;
};

// The frequency of a window of a pure tone, from the median distance of its rising zero
// crossings; 0 when it is silent.
double WindowFrequency(const std::vector<Frame>& frames, size_t begin, size_t end, int& leftPeak, int& rightPeak) {
    leftPeak = rightPeak = 0;
    for (size_t i = begin; i < end; ++i) {
        leftPeak = std::max(leftPeak, std::abs(static_cast<int>(frames[i].left)));
        rightPeak = std::max(rightPeak, std::abs(static_cast<int>(frames[i].right)));
    }
    if (leftPeak < kSilent && rightPeak < kSilent) return 0;
    std::vector<double> periods;
    double last = -1;
    for (size_t i = begin + 1; i < end; ++i) {
        const int a = frames[i - 1].left, b = frames[i].left;
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(i - 1) + static_cast<double>(-a) / static_cast<double>(b - a);
            if (last >= 0) periods.push_back(at - last);
            last = at;
        }
    }
    if (periods.size() < 3) return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return kRate / periods[periods.size() / 2];
}

std::vector<Frame> FramesOfFile(const std::wstring& file, size_t fromByte = 0) {
    const std::string bytes = testfiles::ReadAll(file);
    if (fromByte > bytes.size()) fromByte = bytes.size();
    fromByte -= fromByte % sizeof(Frame);
    std::vector<Frame> frames((bytes.size() - fromByte) / sizeof(Frame));
    if (!frames.empty()) std::memcpy(frames.data(), bytes.data() + fromByte, frames.size() * sizeof(Frame));
    return frames;
}

bool Silent(const Frame& frame) {
    return std::abs(static_cast<int>(frame.left)) < kSilent && std::abs(static_cast<int>(frame.right)) < kSilent;
}

std::wstring NumberedFile(const std::wstring& path, int number) {
    if (number == 0) return path;
    wchar_t suffix[16] = {};
    std::swprintf(suffix, 16, L".%04d", number);
    return path + suffix;
}

}  // namespace

std::vector<std::wstring> Files(const std::wstring& path) {
    std::vector<std::wstring> files;
    for (int n = 0; n < 10000; ++n) {
        const std::wstring file = NumberedFile(path, n);
        if (!testfiles::Exists(file)) break;
        files.push_back(file);
    }
    return files;
}

void Clear(const std::wstring& path) {
    for (int n = 0; n < 10000; ++n) {
        const std::wstring file = NumberedFile(path, n);
        if (!testfiles::Exists(file)) break;
        ::DeleteFileW(file.c_str());
    }
}

std::vector<Tone> TonesOfFile(const std::wstring& file, size_t fromByte) {
    const std::vector<Frame> frames = FramesOfFile(file, fromByte);
    std::vector<Tone> tones;
    Tone run;
    auto finish = [&] {
        if (run.seconds >= kShortest) tones.push_back(run);
        run = Tone();
    };
    for (size_t begin = 0; begin + kWindow <= frames.size(); begin += kWindow) {
        int leftPeak = 0, rightPeak = 0;
        const double hz = WindowFrequency(frames, begin, begin + kWindow, leftPeak, rightPeak);
        if (hz == 0) {
            finish();
            continue;
        }
        if (run.seconds > 0 && !Near(hz, run.hz)) finish();
        if (run.seconds == 0) run.hz = hz;
        run.seconds += static_cast<double>(kWindow) / kRate;
        run.leftPeak = std::max(run.leftPeak, leftPeak);
        run.rightPeak = std::max(run.rightPeak, rightPeak);
    }
    finish();
    return tones;
}

std::vector<std::vector<Tone>> TonesOfFiles(const std::wstring& path) {
    std::vector<std::vector<Tone>> all;
    for (const std::wstring& file : Files(path)) all.push_back(TonesOfFile(file));
    return all;
}

double SoundSpan::SilentSeconds() const {
    double seconds = 0;
    for (const SilentRun& run : silences) seconds += run.seconds;
    return seconds;
}

SoundSpan SoundSpanOfFile(const std::wstring& file, size_t fromByte, double minimumSeconds) {
    const std::vector<Frame> frames = FramesOfFile(file, fromByte);
    SoundSpan span;
    size_t first = frames.size(), last = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (Silent(frames[i])) continue;
        first = std::min(first, i);
        last = i;
    }
    if (first == frames.size()) return span;
    span.first = static_cast<double>(first) / kRate;
    span.last = static_cast<double>(last) / kRate;
    const size_t minimum = static_cast<size_t>(minimumSeconds * kRate + 0.5);
    size_t runStart = first;
    for (size_t i = first; i <= last; ++i) {
        if (Silent(frames[i])) continue;
        if (i - runStart >= minimum) {
            SilentRun run;
            run.at = static_cast<double>(runStart) / kRate;
            run.seconds = static_cast<double>(i - runStart) / kRate;
            span.silences.push_back(run);
        }
        runStart = i + 1;
    }
    return span;
}

std::string Describe(const SoundSpan& span) {
    char text[160] = {};
    if (span.first < 0) return "no sound";
    std::snprintf(text, sizeof text, "sound from %.3f s to %.3f s, %u silent runs, %.3f s in all", span.first,
                  span.last, static_cast<unsigned>(span.silences.size()), span.SilentSeconds());
    std::string out = text;
    if (!span.silences.empty()) {
        std::snprintf(text, sizeof text, ", the first at %.3f s", span.silences.front().at);
        out += text;
    }
    return out;
}

size_t FileBytes(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<size_t>(data.nFileSizeLow);
}

double SecondsUntilTone(const std::wstring& file, size_t from, double hz) {
    const std::vector<Frame> frames = FramesOfFile(file, from);
    const size_t window = kRate / 50;  // 20 ms
    const size_t step = kRate / 200;   // 5 ms
    for (size_t begin = 0; begin + window <= frames.size(); begin += step) {
        int leftPeak = 0, rightPeak = 0;
        const double found = WindowFrequency(frames, begin, begin + window, leftPeak, rightPeak);
        if (found > 0 && Near(found, hz)) return static_cast<double>(begin) / kRate;
    }
    return -1;
}

bool Near(double hz, double expected) { return std::fabs(hz - expected) <= expected * 0.03; }

double SecondsOf(const std::vector<Tone>& tones, double hz) {
    double seconds = 0;
    for (const Tone& tone : tones) {
        if (Near(tone.hz, hz)) seconds += tone.seconds;
    }
    return seconds;
}

}  // namespace audiocapture
