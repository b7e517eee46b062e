// The track record shared by the REST reply parsers, the playlists, the player and the
// downloads, the process-wide list of the tracks of the last list reply, and the parsers of the
// track-list and play/download-URL replies.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

struct TrackInfo {
    std::wstring TrackID;          // the service's id of the track; empty: no track
    std::wstring TrackName;
    std::wstring TrackUrl;
    std::wstring ArtistNameList;
    std::wstring ArtistIDList;
    std::wstring AlbumName;
    std::wstring Time_Play;        // "yyyy-mm-dd": the day the track entered the list (the
                                   // online playlists' tracks carry their duration here)
    std::wstring Time_Collection;
    std::wstring FileSize;
    std::wstring Middleimage;
    std::wstring AlbumID;
    std::wstring FilePath;         // folder of the track's file
    std::wstring FileName;         // file name within FilePath
    std::wstring FileURL;          // where the file is downloaded from
    bool IsDownloading = false;    // in the download list, running or waiting
    bool IsLocalFile = false;      // played from FilePath and FileName
};

// Tracks of the last list reply or of the web page's last choice. The page's bridge (UI thread)
// and the player's command thread both write them: every writer and every reader off the UI
// thread holds WebListsLock(), and takes no other lock while holding it.
extern std::vector<TrackInfo> WebTrackList;
// The track the web page last asked to download (one at most). Same rules as WebTrackList.
extern std::vector<TrackInfo> WebDownloadList;
std::recursive_mutex& WebListsLock();

// Today's local date as "yyyy-mm-dd", the form of Time_Play.
std::wstring TodayDateText();

// Fills WebTrackList from the reply file of that name in the per-user data folder; true when
// the list is not empty afterwards.
bool ParseTrackListReply(const std::wstring& replyName);

// Sets url to the track URL of the reply file of that name; true when the file was read and has
// a root element, whether or not a URL was found (url then keeps its value).
bool ParsePlayUrlReply(const std::wstring& replyName, std::wstring& url);

// Standard UTF-8 to UTF-16: four-byte sequences give surrogate pairs, invalid bytes are skipped.
// A null pointer gives an empty string.
std::wstring Utf8ToCString(const char* text);
std::wstring Utf8ToCString(const char* text, std::size_t length);
