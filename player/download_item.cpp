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
const size_t kExtensionLength = sizeof kFileExtension / sizeof kFileExtension[0] - 1;
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

namespace {

// The longest name (without the extension) that keeps the target and its work files in folder
// within MAX_PATH.
size_t NameRoom(const std::wstring& folder) {
    const size_t used = folder.size() + 1 + kExtensionLength + kWorkFileSuffixLength;
    const size_t limit = MAX_PATH - 1;
    const size_t room = used < limit ? limit - used : 1;
    return room < kDownloadNameMaxLength ? room : kDownloadNameMaxLength;
}

// File names and folders compare as the file system does: without regard to case.
bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring WithoutTrailingSeparators(std::wstring folder) {
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return SameFileName(WithoutTrailingSeparators(a), WithoutTrailingSeparators(b));
}

// A name that DownloadFileName could have made: no separators or other refused characters, the
// extension, and short enough for the folder.
bool IsKeptNameUsable(const std::wstring& name, const std::wstring& folder) {
    if (name.size() <= kExtensionLength || name.size() - kExtensionLength > NameRoom(folder)) return false;
    if (name.compare(name.size() - kExtensionLength, kExtensionLength, kFileExtension) != 0) return false;
    return DownloadFileName(name.substr(0, name.size() - kExtensionLength), name.size()) == name;
}

// "<name> (n).mp3" for the track's name, cut so that it still fits the folder.
std::wstring NumberedName(const std::wstring& trackName, const std::wstring& folder, unsigned n) {
    const std::wstring number = L" (" + std::to_wstring(n) + L")";
    const size_t room = NameRoom(folder);
    std::wstring name = DownloadFileName(trackName, room > number.size() ? room - number.size() : 1);
    name.insert(name.size() - kExtensionLength, number);
    return name;
}

// A file of the folder that is the target name or a downloader's part of it ("<name>_<n>").
bool IsFileOf(const std::wstring& file, const std::wstring& name) {
    if (file.size() < name.size() || !SameFileName(file.substr(0, name.size()), name)) return false;
    if (file.size() == name.size()) return true;
    if (file[name.size()] != L'_' || file.size() == name.size() + 1) return false;
    for (size_t i = name.size() + 1; i < file.size(); ++i) {
        if (file[i] < L'0' || file[i] > L'9') return false;
    }
    return true;
}

}  // namespace

std::vector<std::wstring> DownloadFilesInFolder(const std::wstring& folder, const std::wstring& trackName) {
    std::vector<std::wstring> files;
    const std::wstring name = DownloadFileName(trackName, NameRoom(folder));
    std::wstring pattern = WithoutTrailingSeparators(folder);
    if (pattern.empty()) return files;
    pattern += L'\\';
    pattern.append(name, 0, name.size() - kExtensionLength);
    pattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return files;
}

std::wstring ChooseDownloadName(const DownloadItem& item, const std::vector<const DownloadItem*>& others,
                                const std::wstring& folder, const std::vector<std::wstring>& filesInFolder) {
    // An item without a kept name that is not new comes from an older list: it may have run
    // under its track's name. A new item leaves that name to it; two such items are equals.
    auto fromOlderList = [](const DownloadItem& i) {
        return i.FileName.empty() && i.Status != DownloadStatus::Readying;
    };
    const bool isNew = item.FileName.empty() && item.Status == DownloadStatus::Readying;
    auto holds = [&](const DownloadItem& other, const std::wstring& name) {
        return !other.FileName.empty() && SameFolder(other.FilePath, folder) && SameFileName(other.FileName, name);
    };
    // A file of the name on disk is this track's own when an item of the track holds the name.
    auto heldBySameTrack = [&](const std::wstring& name) {
        for (const DownloadItem* other : others) {
            if (other != nullptr && other->TrackID == item.TrackID && holds(*other, name)) return true;
        }
        return false;
    };
    auto taken = [&](const std::wstring& name) {
        for (const DownloadItem* other : others) {
            if (other == nullptr || other->TrackID == item.TrackID) continue;
            if (!other->FileName.empty()) {
                if (holds(*other, name)) return true;
            } else if (isNew && fromOlderList(*other) &&
                       SameFileName(DownloadFileName(other->TrackName, NameRoom(folder)), name)) {
                return true;
            }
        }
        if (isNew) {
            for (const std::wstring& file : filesInFolder) {
                if (IsFileOf(file, name)) return !heldBySameTrack(name);
            }
        }
        return false;
    };
    if (!item.FileName.empty() && SameFolder(item.FilePath, folder) && IsKeptNameUsable(item.FileName, folder) &&
        !taken(item.FileName)) {
        return item.FileName;
    }
    std::wstring name = DownloadFileName(item.TrackName, NameRoom(folder));
    for (unsigned n = 2; taken(name); ++n) name = NumberedName(item.TrackName, folder, n);
    return name;
}

TrackInfo DownloadTrackRecord(const TrackInfo* source, const DownloadItem& item, const std::wstring& url,
                              const std::wstring& folder) {
    TrackInfo record;
    if (source != nullptr) record = *source;
    record.FileURL = url;
    record.FilePath = folder;
    record.FileName = item.FileName.empty() ? DownloadFileName(item.TrackName, NameRoom(folder)) : item.FileName;
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
