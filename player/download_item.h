// The download list's records: one DownloadItem per track in the downloads view, its status
// words, the texts its row shows, the safe name of its file, the record a download thread is
// started with, and one look of the monitor at a running download.
#pragma once

#include <string>
#include <vector>

#include "download_thread.h"
#include "track_info.h"

namespace VelaUI {

// Status words (stored in "Dmanage", compared exactly).
namespace DownloadStatus {
constexpr wchar_t Readying[] = L"readying";        // added, waits for a free place
constexpr wchar_t Downloading[] = L"downloading";  // its download thread runs
constexpr wchar_t Pause[] = L"pause";              // stopped by the user, or failed: resumable
constexpr wchar_t Waiting[] = L"waiting";          // asked to start without a free place; read back
constexpr wchar_t Complete[] = L"complete";        // finished
}  // namespace DownloadStatus

// Texts of the progress and speed columns.
constexpr wchar_t kDownloadProgressReady[] = L"\u51C6\u5907\u4E2D";  // "准备中"
constexpr wchar_t kDownloadSpeedNotStarted[] = L"\u672A\u5F00\u59CB";  // "未开始"
constexpr wchar_t kDownloadProgressDone[] = L"\u5DF2\u5B8C\u6210";   // "已完成"

struct DownloadItem {
    std::wstring TrackID;     // the ProductID of the download-URL request
    std::wstring TrackName;   // also the base of the file's name
    std::wstring ArtistName;  // the track's ArtistNameList
    std::wstring Status;      // a DownloadStatus word
    std::wstring Progress;
    std::wstring FileSize;
    std::wstring Speed;
    // Carried from and back to "Dmanage"; never filled or used for downloading.
    std::wstring FilePath;
    std::wstring FileName;
    std::wstring FileURL;
};

// A new "readying" item for the track: "准备中", "未开始" and the track's size text.
DownloadItem MakeDownloadItem(const TrackInfo& track);

// Size column: whole kilobytes, the remainder dropped ("1024KB" for 1,048,576 bytes).
std::wstring DownloadSizeText(unsigned bytes);
// Speed column: "<n>KB/s".
std::wstring DownloadSpeedText(int kilobytesPerSecond);

// The status icon's image string for a status; empty for "complete" and unknown words.
const wchar_t* DownloadStatusIcon(const std::wstring& status);

// The downloaded file's name for a track name: the name with every character that a file name
// may not hold (path separators, ':', '*', '?', '"', '<', '>', '|', control characters) and
// every ".." (a run of two or more dots) replaced by '_', a reserved device name (CON, NUL,
// COM1, ...) prefixed with '_', "_" for an empty name, cut to at most maxBaseLength units (a
// character is never split), followed by ".mp3". The file always lands in the download folder
// itself.
const size_t kDownloadNameMaxLength = 200;
std::wstring DownloadFileName(const std::wstring& trackName, size_t maxBaseLength = kDownloadNameMaxLength);

// Asks the service for the track's download URL (reply file "download"); empty when none came
// back. The reply file is held from the request to its reading, so that the monitor's start
// and the UI thread's never read each other's reply.
std::wstring RequestDownloadUrl(const std::wstring& trackId);

// The name of the file that item downloads to in folder. The name it was given when it last
// started there (its FilePath and FileName) is kept; otherwise its track's name
// (DownloadFileName, cut so that the target's path and the downloader's work files beside it stay
// within MAX_PATH). Two items of different tracks never share a target and so a part file: a
// name that another item of another TrackID holds in that folder becomes "<name> (2).mp3",
// "<name> (3).mp3", ..., the first that is free. For a new ("readying") item the items of an
// older list, which may have run before names were kept, hold their tracks' names too, and so
// does what the folder already holds (filesInFolder: names found there, see
// DownloadFilesInFolder): a file of that name, or the part of an unfinished one that a deleted
// item left, unless an item of the same track holds the name. So a new download never continues
// from another track's bytes nor replaces a file it did not make.
std::wstring ChooseDownloadName(const DownloadItem& item, const std::vector<const DownloadItem*>& others,
                                const std::wstring& folder, const std::vector<std::wstring>& filesInFolder = {});

// The names of the files in folder that begin as the track's download file name does (without
// its extension): the names ChooseDownloadName may pick for it and their part files.
std::vector<std::wstring> DownloadFilesInFolder(const std::wstring& folder, const std::wstring& trackName);

// The record a download thread starts with: a copy of the source track (or an empty record),
// with FileURL = url, FilePath = folder and FileName = the item's FileName, or when it has none
// DownloadFileName of its track's name cut to fit MAX_PATH as ChooseDownloadName does.
TrackInfo DownloadTrackRecord(const TrackInfo* source, const DownloadItem& item, const std::wstring& url,
                              const std::wstring& folder);

// What one look of the monitor found a running download doing.
enum class DownloadOutcome {
    Running,    // still at work: the item's texts were refreshed
    Completed,  // the file is whole: Status "complete", Progress "已完成"
    Failed      // the thread ended without the whole file: Status "pause" (resumable from its part file)
};

// Takes the thread's progress, speed and size into the item's Progress, Speed and FileSize and
// tells whether the download still runs. The caller stops and releases the thread of a
// finished or failed item and frees its place.
DownloadOutcome RefreshDownloadItem(DownloadItem& item, const CDownloadThread& thread);

}  // namespace VelaUI
