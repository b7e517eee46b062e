#include "download_item.h"

#include <windows.h>

#include <cwctype>

#include "rest_request.h"

namespace VelaUI {

namespace {

const wchar_t kIconRunning[] = L"file='xz_zt.png' source='0,0,18,25'";
const wchar_t kIconPaused[] = L"file='xz_ks.png' source='0,0,18,25'";
const wchar_t kIconWaiting[] = L"file='xz_dd.png' source='0,0,18,25'";

const wchar_t kFileExtension[] = L".mp3";
// The downloader's longest work file beside the target is the target's path plus "_join".
const size_t kWorkFileSuffixLength = 5;

bool IsRefusedInFileName(wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'/' || c == L'\\' || c == L'|' ||
           c == L'?' || c == L'*';
}

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 name devices whatever extension follows.
bool IsReservedDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

DownloadItem MakeDownloadItem(const TrackInfo& track) {
    DownloadItem item;
    item.TrackID = track.TrackID;
    item.TrackName = track.TrackName;
    item.ArtistName = track.ArtistNameList;
    item.Status = DownloadStatus::Readying;
    item.Progress = kDownloadProgressReady;
    item.FileSize = track.FileSize;
    item.Speed = kDownloadSpeedNotStarted;
    return item;
}

std::wstring DownloadSizeText(unsigned bytes) { return std::to_wstring(bytes >> 10) + L"KB"; }

std::wstring DownloadSpeedText(int kilobytesPerSecond) { return std::to_wstring(kilobytesPerSecond) + L"KB/s"; }

const wchar_t* DownloadStatusIcon(const std::wstring& status) {
    if (status == DownloadStatus::Readying || status == DownloadStatus::Downloading) return kIconRunning;
    if (status == DownloadStatus::Pause) return kIconPaused;
    if (status == DownloadStatus::Waiting) return kIconWaiting;
    return L"";
}

std::wstring DownloadFileName(const std::wstring& trackName, size_t maxBaseLength) {
    std::wstring base;
    for (size_t i = 0; i < trackName.size(); ++i) {
        wchar_t c = trackName[i];
        if (c == L'.' && i + 1 < trackName.size() && trackName[i + 1] == L'.') {
            while (i + 1 < trackName.size() && trackName[i + 1] == L'.') ++i;
            base += L'_';
        } else {
            base += IsRefusedInFileName(c) ? L'_' : c;
        }
    }
    if (base.empty()) base = L"_";
    if (IsReservedDeviceName(base)) base.insert(0, 1, L'_');
    if (maxBaseLength < 1) maxBaseLength = 1;
    if (base.size() > maxBaseLength) {
        base.resize(maxBaseLength);
        if (IS_HIGH_SURROGATE(base.back())) base.pop_back();
        if (base.empty()) base = L"_";
    }
    return base + kFileExtension;
}

std::wstring RequestDownloadUrl(const std::wstring& trackId) {
    RestReplyLock hold(RestReply::DownUrl);
    RestGetByProductId(RestReply::DownUrl, RestMethod::GetTrackDownUrl, trackId);
    std::wstring url;
    ParsePlayUrlReply(RestReply::DownUrl, url);
    return url;
}

TrackInfo DownloadTrackRecord(const TrackInfo* source, const DownloadItem& item, const std::wstring& url,
                              const std::wstring& folder) {
    TrackInfo record;
    if (source != nullptr) record = *source;
    record.FileURL = url;
    record.FilePath = folder;
    const size_t used = folder.size() + 1 + (sizeof kFileExtension / sizeof kFileExtension[0] - 1) +
                        kWorkFileSuffixLength;
    const size_t limit = MAX_PATH - 1;
    const size_t room = used < limit ? limit - used : 1;
    record.FileName = DownloadFileName(item.TrackName, room < kDownloadNameMaxLength ? room : kDownloadNameMaxLength);
    return record;
}

DownloadOutcome RefreshDownloadItem(DownloadItem& item, const CDownloadThread& thread) {
    std::wstring progress;
    int speed = 0;
    unsigned total = 0;
    thread.GetProgressText(progress);
    thread.GetSpeed(speed);
    thread.GetTotalBytes(total);
    const DownloadState state = thread.GetState();
    item.Progress = progress;
    item.Speed = DownloadSpeedText(state == DownloadState::Failed ? 0 : speed);
    item.FileSize = DownloadSizeText(total);
    if (progress == kDownloadProgressDone) {
        item.Status = DownloadStatus::Complete;
        return DownloadOutcome::Completed;
    }
    if (state == DownloadState::Failed) {
        item.Status = DownloadStatus::Pause;
        return DownloadOutcome::Failed;
    }
    return DownloadOutcome::Running;
}

}  // namespace VelaUI
