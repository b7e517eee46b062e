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

std::vector<Tone> TonesOfFile(const std::wstring& file) {
    const std::string bytes = testfiles::ReadAll(file);
    std::vector<Frame> frames(bytes.size() / sizeof(Frame));
    if (!frames.empty()) std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
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

bool Near(double hz, double expected) { return std::fabs(hz - expected) <= expected * 0.03; }

double SecondsOf(const std::vector<Tone>& tones, double hz) {
    double seconds = 0;
    for (const Tone& tone : tones) {
        if (Near(tone.hz, hz)) seconds += tone.seconds;
    }
    return seconds;
}

}  // namespace audiocapture
