// The main window's records of a playlist and of an online playlist's description.
#pragma once

#include <string>
#include <vector>

#include "track_info.h"

namespace UIToolkit {
class PlayListNode;
}

// The description of a playlist kept at the service; empty for the local playlists.
struct PlayListMeta {
    std::wstring PlayListID;          // the id the track request names
    std::wstring PlayListTitle;       // the text of its tree node
    std::wstring PlayListDesc;        // the tooltip of its tree node
    std::wstring PlayListCreateDate;
    std::wstring PlayListSize;
    std::wstring PlayListSImage;
};

// One playlist of the main window's playlist table. It belongs to its tree node, which deletes it
// with the node; the table only points to it. Tracks and the current index are shared with the
// player command thread: read or change them only under the main window's shared lock.
struct PlayListInfo {
    int index = 0;                 // position in the playlist table, fixed at creation
    int currentIndex = -1;         // the track playback takes from this playlist; -1: none
    std::wstring id;               // file name in the data folder ("PLDefault", "PLILike"); empty online
    PlayListMeta meta;
    std::vector<TrackInfo> tracks;
    UIToolkit::PlayListNode* node = nullptr;

    PlayListInfo() = default;
    bool HasTrack(int position) const { return position >= 0 && position < static_cast<int>(tracks.size()); }
    // The track at the current index; an index outside the list (-1 before anything played)
    // becomes 0 first. Null when the playlist has no tracks.
    TrackInfo* CurrentTrack() {
        if (tracks.empty()) return nullptr;
        if (!HasTrack(currentIndex)) currentIndex = 0;
        return &tracks[static_cast<size_t>(currentIndex)];
    }
};
