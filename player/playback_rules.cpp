#include "playback_rules.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>
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

std::vector<int> MakeRandomOrder(int count, std::mt19937& draw) {
    std::vector<int> order(count > 0 ? static_cast<size_t>(count) : 0);
    std::iota(order.begin(), order.end(), 0);
    for (size_t i = order.size(); i > 1; --i) {
        std::uniform_int_distribution<size_t> pick(0, i - 1);
        std::swap(order[i - 1], order[pick(draw)]);
    }
    return order;
}

void RandomRound::Reset() {
    m_list.clear();
    m_order.clear();
    m_position = -1;
    m_over = false;
}

void RandomRound::Draw(const std::vector<std::wstring>& list, int first) {
    m_list = list;
    m_order = MakeRandomOrder(static_cast<int>(list.size()), m_draw);
    m_position = -1;
    m_over = false;
    if (first < 0 || first >= static_cast<int>(m_order.size())) return;
    std::swap(m_order.front(), *std::find(m_order.begin(), m_order.end(), first));
    m_position = 0;
}

void RandomRound::Take(const std::vector<std::wstring>& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size())) return;
    const bool sameRound = !m_over && !m_order.empty() && list == m_list;
    if (sameRound && m_position >= 0 && m_order[static_cast<size_t>(m_position)] == index) return;  // the step's own
    // A track chosen after the round was over, or in another list, begins a new round.
    if (!sameRound || m_position + 1 >= static_cast<int>(m_order.size())) {
        Draw(list, index);
        return;
    }
    const auto at = std::find(m_order.begin(), m_order.end(), index);
    // A track of the round that has not played yet joins the played ones; one that has played
    // leaves the round as it is.
    if (at - m_order.begin() > m_position) std::swap(m_order[static_cast<size_t>(++m_position)], *at);
}

int RandomRound::Step(const std::vector<std::wstring>& list, int playing, int direction, bool wrap) {
    if (list.empty()) return -1;
    if (m_order.empty() || list != m_list) Draw(list, playing);
    if (m_over) Draw(list, -1);
    const int count = static_cast<int>(m_order.size());
    const int next = m_position + direction;
    if (next >= 0 && next < count) {
        m_position = next;
        return m_order[static_cast<size_t>(next)];
    }
    if (direction > 0) {
        if (!wrap) {
            m_over = true;
            return -1;
        }
        // A new round, which does not begin with the track that ended the last one.
        const int last = m_order.back();
        Draw(list, -1);
        if (count > 1 && m_order.front() == last) std::swap(m_order.front(), m_order.back());
        m_position = 0;
        return m_order.front();
    }
    if (!wrap) return -1;
    m_position = count - 1;
    return m_order.back();
}

bool IsStreamAddress(const std::wstring& url) {
    for (const wchar_t* scheme : {L"http://", L"https://"}) {
        const size_t length = std::wcslen(scheme);
        if (url.size() > length && _wcsnicmp(url.c_str(), scheme, length) == 0) return true;
    }
    return false;
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
