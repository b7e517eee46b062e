// The rules of playback that need no window: the play modes and their buttons, the steps through
// a playlist, the random order, the volume and position arithmetic and the seek-time text.
#pragma once

#include <windows.h>

#include <random>
#include <string>
#include <vector>

namespace VelaUI {

// Play modes (3 is never used).
const int kModeSerial = 0;
const int kModeCircular = 1;
const int kModeSingleRepeat = 2;
const int kModeRandom = 4;
const int kModeRandomCircular = 5;

// A press of a play-mode button: the new mode and the mode buttons whose pressed look changes.
struct PlayModeChange {
    int mode;
    bool toggleCircular;
    bool toggleSingle;
    bool toggleRandom;
};
// button: kModeSerial, kModeCircular, kModeSingleRepeat or kModeRandom.
PlayModeChange ChangePlayMode(int mode, int button);

// One step from a track index through a list of count tracks (direction +1 or -1). With wrap the
// step goes round; without, a step past either end gives -1. An index outside the list steps
// as if it were at the nearer end's outside (-1 + 1 is the first track).
int StepTrackIndex(int index, int count, int direction, bool wrap);

// Every index 0..count-1 once, in an order drawn from draw.
std::vector<int> MakeRandomOrder(int count, std::mt19937& draw);

// One round of the random modes over a list: every track of the list once, in an order drawn
// when the round begins. The tracks that played in this round come first in the order; the
// position names the one that plays (-1: none yet). A list that is no longer the one the round
// was drawn for (its track ids differ) begins a new round.
class RandomRound {
public:
    explicit RandomRound(unsigned seed) : m_draw(seed) {}

    // The next step begins a new round.
    void Reset();
    // The track at index of the list sets out to play (whatever chose it): it belongs to this
    // round from now on, so no later step of the round plays it again.
    void Take(const std::vector<std::wstring>& list, int index);
    // The track to play for a step (+1 next, -1 previous) through the list; -1: stop. playing is
    // the track that plays now (-1: none): a new round begins with it. Past the end of a round,
    // wrap (random circular) begins a new round; without it the step stops and the following
    // step begins a new round. Before the first track, wrap goes to the round's last track.
    int Step(const std::vector<std::wstring>& list, int playing, int direction, bool wrap);

private:
    // A new round over list, beginning with first when it is a track of the list.
    void Draw(const std::vector<std::wstring>& list, int first);

    std::mt19937 m_draw;
    std::vector<std::wstring> m_list;  // the track ids the round was drawn for
    std::vector<int> m_order;
    int m_position = -1;
    bool m_over = false;               // the round ended with a stop
};

// True for an address that the player may open as a stream: http or https. Play URLs come from
// the service's replies, which must not make the player open a file or a share of any kind.
bool IsStreamAddress(const std::wstring& url);

// The device volume for a volume-slider value 0..100: the same level on both channels.
DWORD VolumeForSlider(int value);

// The start time of a seek (100-ns units) for a position-slider value in milliseconds.
unsigned long long SeekStartTime(unsigned milliseconds);

// The position-slider maximum (milliseconds) for a duration in 100-ns units, within int range.
int SliderMaximumFor(unsigned long long duration);

// The play-time text shown while the position slider is dragged: the position that the slider
// value stands for, then the duration, "[h:]mm:ss / [h:]mm:ss"; "00:00" when the maximum is not
// positive.
std::wstring SeekTimeText(unsigned long long duration, int value, int maximum);

}  // namespace VelaUI
