// The replies of the service's two online-playlist calls: the user's playlists and the tracks
// of one playlist, both XML in UTF-8 read from memory. A body is the reply's text up to its end
// or its first zero byte; a reply that is not whole, well-formed XML is not accepted.
#pragma once

#include <vector>

#include "playlist_info.h"
#include "track_info.h"

namespace VelaUI {

// A reply of "Sylk42.User.GetPalyList": every child element of the root's first "PlayLists" is
// one playlist, in order. False (nothing appended) unless the root says "stat" = "ok" and has
// "PlayLists". Texts are UTF-8; an element without text leaves its field empty.
bool ParseUserPlayLists(const char* body, std::vector<PlayListMeta>& lists);

// A reply of "Sylk42.User.GetPlayListTracks": every child element of the root is one track, in
// order ("Duration" gives Time_Play). False (nothing appended) unless "stat" = "ok".
bool ParsePlayListTracks(const char* body, std::vector<TrackInfo>& tracks);

}  // namespace VelaUI
