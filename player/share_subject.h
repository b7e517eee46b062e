// What the share and push buttons act on: the track of the current playlist that is playing or
// paused.
#pragma once

#include <vector>

#include "track_info.h"

namespace VelaUI {

// The main window's play states in which a track can be shared or pushed.
const int kPlayStatePaused = 2;
const int kPlayStatePlaying = 3;

// The current playlist's current track while it plays or is paused; null when the playlist is
// empty, nothing plays, or the current index names no track (after an audition it is -1).
const TrackInfo* CurrentTrackToShare(const std::vector<TrackInfo>& tracks, int currentIndex, int playState);

}  // namespace VelaUI
