// Test-side control of the stand-in's service catalogue (tools/standin/routes/catalogue.py):
// accounts, tracks and online playlists, and the table of the stand-in's own audio tracks
// (tools/standin/routes/media.py). Texts are UTF-8. /_ctl/reset restores the default catalogue.
#pragma once

#include <string>
#include <vector>

namespace standin {

// An account of the service. Login with name and pwd answers UserID, UserName and Token, each
// left out of the reply when empty (an empty token: a reply without "Token"). With failCode,
// every login of the account fails with failCode and failMsg; with logoutFailCode every logout
// fails likewise. A wrong password always fails with 301 "用户名或密码错误".
struct Account {
    std::string name;
    std::string pwd;
    std::string userId;
    std::string userName;
    std::string token;
    std::string failCode;
    std::string failMsg;
    std::string logoutFailCode;
    std::string logoutFailMsg;
};
void SetAccount(const Account& account);

// A track of the catalogue. play and down are its URLs: empty for /files/<TrackID>.mp3 on the
// stand-in, a path starting with "/" for one on the stand-in, or any full URL.
struct Track {
    std::string id;
    std::string name;
    std::string artists;
    std::string artistIds;
    std::string album;
    std::string albumId;
    std::string duration;
    std::string play;
    std::string down;
};
void SetTrack(const Track& track);

// An online playlist of the user with that UserID, holding the catalogue's tracks of these ids
// (ids that the catalogue does not hold are left out of the reply).
struct PlayList {
    std::string id;
    std::string title;
    std::string desc;
    std::string createDate;
    std::string size;
    std::string image;
    std::vector<std::string> trackIds;
};
void SetPlayList(const std::string& userId, const PlayList& list);

// Empties the catalogue: no tracks, accounts or playlists.
void ClearCatalogue();

// The stand-in's audio tracks: sines at half of full scale, 44.1 kHz, 16-bit stereo, MP3 at
// 128 kbit/s, served at /files/<id>.mp3. A track of two tones plays the first for the first
// half of its length.
struct AudioTrack {
    const char* id;
    int firstHz;
    int secondHz;  // 0: one tone all along
    int seconds;
};
extern const AudioTrack kAudioTracks[];
extern const int kAudioTrackCount;
// The catalogue's track whose play and download URLs answer 404.
extern const char kBrokenTrackId[];
// The default account: "demo", password "demo123", UserID 90001, UserName "Demo", Token "tok90001".
extern const Account kDemoAccount;

}  // namespace standin
