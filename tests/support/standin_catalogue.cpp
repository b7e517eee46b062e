#include "standin_catalogue.h"

#include "standin_client.h"

namespace standin {

namespace {

// "&name=value" for a non-empty value; the first parameter goes without the ampersand.
void Add(std::string& query, const char* name, const std::string& value) {
    if (value.empty()) return;
    if (!query.empty()) query += "&";
    query += std::string(name) + "=" + Escape(value);
}

}  // namespace

const AudioTrack kAudioTracks[] = {
    {"1001", 440, 0, 4},
    {"1002", 660, 0, 6},
    {"1003", 880, 0, 8},
    {"1004", 330, 990, 240},
    {"1005", 523, 784, 8},
};
const int kAudioTrackCount = static_cast<int>(sizeof kAudioTracks / sizeof kAudioTracks[0]);
const char kBrokenTrackId[] = "1099";
const Account kDemoAccount = {"demo", "demo123", "90001", "Demo", "tok90001", "", "", "", ""};

void SetAccount(const Account& account) {
    std::string query = "name=" + Escape(account.name);
    Add(query, "pwd", account.pwd);
    Add(query, "UserID", account.userId);
    Add(query, "UserName", account.userName);
    Add(query, "Token", account.token);
    Add(query, "code", account.failCode);
    Add(query, "msg", account.failMsg);
    Add(query, "logout_code", account.logoutFailCode);
    Add(query, "logout_msg", account.logoutFailMsg);
    Control("user", query);
}

void SetTrack(const Track& track) {
    std::string query = "TrackID=" + Escape(track.id);
    Add(query, "TrackName", track.name);
    Add(query, "ArtistNameList", track.artists);
    Add(query, "ArtistIDList", track.artistIds);
    Add(query, "AlbumName", track.album);
    Add(query, "AlbumID", track.albumId);
    Add(query, "Duration", track.duration);
    Add(query, "play", track.play);
    Add(query, "down", track.down);
    Control("track", query);
}

void SetPlayList(const std::string& userId, const PlayList& list) {
    std::string query = "user=" + Escape(userId);
    Add(query, "PlayListID", list.id);
    Add(query, "PlayListTitle", list.title);
    Add(query, "PlayListDesc", list.desc);
    Add(query, "PlayListCreateDate", list.createDate);
    Add(query, "PlayListSize", list.size);
    Add(query, "PlayListSImage", list.image);
    std::string ids;
    for (const std::string& id : list.trackIds) ids += (ids.empty() ? "" : ",") + id;
    Add(query, "tracks", ids);
    Control("playlist", query);
}

void ClearCatalogue() { Control("catalogue", "clear=1"); }

}  // namespace standin
