// The track that sharing and pushing act on.
#include "share_subject.h"

namespace VelaUI {

const TrackInfo* CurrentTrackToShare(const std::vector<TrackInfo>& tracks, int currentIndex, int playState) {
    if (playState != kPlayStatePlaying && playState != kPlayStatePaused) return nullptr;
    if (currentIndex < 0 || static_cast<size_t>(currentIndex) >= tracks.size()) return nullptr;
    return &tracks[static_cast<size_t>(currentIndex)];
}

}  // namespace VelaUI
