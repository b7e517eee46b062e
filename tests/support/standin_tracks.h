// Test-side control of the stand-in's track download files (tools/standin/routes/trackfiles.py):
// every track has a file at /trackfile/<TrackID>.mp3, the URL that "Sylk42.Track.GetTrackDownUrl"
// hands out by default: the track's audio file where the stand-in has one, else (or once a test
// sets a size) bytes made from its id. Tests choose its size and how its requests behave.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace standin {

// "http://127.0.0.1:<port>/trackfile/<id>.mp3"
std::string TrackFileUrl(const std::string& trackId);

// The bytes the stand-in serves for the track's file.
std::string TrackFileBytes(const std::string& trackId);

// Sets the size of the track's file (0: keep it) and how the requests for it behave from now
// on: the n-th request gets plan[n], every later one gets then (behaviour items of
// tools/standin/behaviours.py, e.g. "slow=40000", "status=500", "stall=0"; "" for none).
void SetTrackFile(const std::string& trackId, size_t size, const std::vector<std::string>& plan = {},
                  const std::string& then = "");

}  // namespace standin
