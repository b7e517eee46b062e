#include "standin_tracks.h"

#include "standin_client.h"

namespace standin {

std::string TrackFileUrl(const std::string& trackId) { return BaseUrl() + "/trackfile/" + trackId + ".mp3"; }

std::string TrackFileBytes(const std::string& trackId) {
    return Request("GET", "/_ctl/trackfile?TrackID=" + Escape(trackId)).body;
}

void SetTrackFile(const std::string& trackId, size_t size, const std::vector<std::string>& plan,
                  const std::string& then) {
    std::string steps;
    for (size_t i = 0; i < plan.size(); ++i) steps += (i > 0 ? "|" : "") + (plan[i].empty() ? "none" : plan[i]);
    std::string query = "TrackID=" + Escape(trackId) + "&plan=" + Escape(steps) + "&then=" + Escape(then);
    if (size > 0) query += "&size=" + std::to_string(size);
    Control("trackfile", query);
}

}  // namespace standin
