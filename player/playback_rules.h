// The rules of playback that need no window: the play modes and their buttons, the steps through
// a playlist, the random order, the volume and position arithmetic and the seek-time text.
#pragma once

#include <windows.h>

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

// Every index 0..count-1 once, in an order drawn from the seed.
std::vector<int> MakeRandomOrder(int count, unsigned seed);

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
