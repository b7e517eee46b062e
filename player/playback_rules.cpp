#include "playback_rules.h"

#include <climits>
#include <cstdio>
#include <numeric>
#include <random>

namespace VelaUI {

namespace {

const unsigned long long kTicksPerMillisecond = 10000;
const unsigned long long kTicksPerSecond = 10000000;

void AppendClock(std::wstring& text, unsigned long long ticks) {
    const unsigned long long seconds = ticks / kTicksPerSecond;
    wchar_t part[40] = {};
    const unsigned long long hours = seconds / 3600;
    if (hours != 0) {
        std::swprintf(part, 40, L"%llu:", hours);
        text += part;
    }
    std::swprintf(part, 40, L"%02u:%02u", static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    text += part;
}

}  // namespace

PlayModeChange ChangePlayMode(int mode, int button) {
    // Rows: the mode now; columns: circular, single repeat, random. The serial button (hidden
    // in the layout) changes nothing.
    struct Row {
        int mode;
        PlayModeChange circular, single, random;
    };
    static const Row kRows[] = {
        {kModeSerial, {kModeCircular, true, false, false}, {kModeSingleRepeat, false, true, false},
         {kModeRandom, false, false, true}},
        {kModeCircular, {kModeSerial, true, false, false}, {kModeSingleRepeat, true, true, false},
         {kModeRandomCircular, false, false, true}},
        {kModeSingleRepeat, {kModeCircular, true, true, false}, {kModeSerial, false, true, false},
         {kModeRandom, false, true, true}},
        {kModeRandom, {kModeRandomCircular, true, false, false}, {kModeSingleRepeat, false, true, true},
         {kModeSerial, false, false, true}},
        {kModeRandomCircular, {kModeRandom, true, false, false}, {kModeSingleRepeat, true, true, true},
         {kModeCircular, false, false, true}},
    };
    for (const Row& row : kRows) {
        if (row.mode != mode) continue;
        switch (button) {
        case kModeCircular: return row.circular;
        case kModeSingleRepeat: return row.single;
        case kModeRandom: return row.random;
        default: break;
        }
    }
    return {mode, false, false, false};
}

int StepTrackIndex(int index, int count, int direction, bool wrap) {
    if (count <= 0) return -1;
    if (index < -1) index = -1;
    if (index > count) index = count;
    long long next = static_cast<long long>(index) + direction;
    if (next >= 0 && next < count) return static_cast<int>(next);
    if (!wrap) return -1;
    return next < 0 ? count - 1 : 0;
}

std::vector<int> MakeRandomOrder(int count, unsigned seed) {
    std::vector<int> order(count > 0 ? static_cast<size_t>(count) : 0);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 draw(seed);
    for (size_t i = order.size(); i > 1; --i) {
        std::uniform_int_distribution<size_t> pick(0, i - 1);
        std::swap(order[i - 1], order[pick(draw)]);
    }
    return order;
}

DWORD VolumeForSlider(int value) {
    if (value < 0) value = 0;
    if (value > 100) value = 100;
    const DWORD level = static_cast<DWORD>(value) * 65535u / 100u;
    return level | (level << 16);
}

unsigned long long SeekStartTime(unsigned milliseconds) {
    return static_cast<unsigned long long>(milliseconds) * kTicksPerMillisecond;
}

int SliderMaximumFor(unsigned long long duration) {
    const unsigned long long ms = duration / kTicksPerMillisecond;
    return ms > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

std::wstring SeekTimeText(unsigned long long duration, int value, int maximum) {
    if (maximum <= 0) return L"00:00";
    if (value < 0) value = 0;
    if (value > maximum) value = maximum;
    // duration * value in two parts, so that a long item cannot overflow the product.
    const unsigned long long position = duration / static_cast<unsigned long long>(maximum) * static_cast<unsigned>(value) +
                                        duration % static_cast<unsigned long long>(maximum) * static_cast<unsigned>(value) /
                                            static_cast<unsigned long long>(maximum);
    std::wstring text;
    AppendClock(text, position);
    text += L" / ";
    AppendClock(text, duration);
    return text;
}

}  // namespace VelaUI
