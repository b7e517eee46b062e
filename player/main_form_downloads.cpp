// The download manager of the main window: the download items and their rows in
// "ListDownloadManage", the roads that start a download, the row icons (pause, resume, wait,
// delete), the download monitor, and the list kept in "Dmanage" across runs.
//
// The entries (item, thread, key) live under the shared lock; row i of the list shows entry i.
// Only the UI thread adds or removes entries and rows, so the two stay aligned; the monitor
// changes the items' statuses and texts under the lock and hands the rows' refresh to the UI
// thread. Nobody holds the lock across a request to the service or a wait for a thread: a start
// marks its entry "starting" (it holds a place meanwhile), asks for the URL unlocked, and finds
// its entry again by key, which a delete in between removes.
//
// Whenever a place goes free (a download completes, fails, is paused or deleted) the monitor
// starts the "readying" items, first first, on its next pass.
#include "vela_main_form.h"

#include <algorithm>

#include "download_row.h"

namespace VelaUI {

namespace {

const DWORD kMonitorPeriodMs = 2000;

UIToolkit::CListUI* AsList(CControlUI* control) { return dynamic_cast<UIToolkit::CListUI*>(control); }

bool ShowsProgress(const std::wstring& status) {
    return status == DownloadStatus::Downloading || status == DownloadStatus::Complete ||
           status == DownloadStatus::Pause;
}

}  // namespace

// ---- Items and rows --------------------------------------------------------------------------

VelaMainForm::DownloadEntry* VelaMainForm::FindDownload(unsigned key) {
    for (DownloadEntry& entry : m_downloads) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

int VelaMainForm::RunningDownloadsLocked() const {
    int running = 0;
    for (const DownloadEntry& entry : m_downloads) {
        if (entry.thread || entry.starting) ++running;
    }
    return running;
}

int VelaMainForm::GetRunningDownloads() const {
    SharedGuard guard(const_cast<std::recursive_mutex&>(m_sharedLock));
    return RunningDownloadsLocked();
}

std::vector<DownloadItem> VelaMainForm::GetDownloadItems() const {
    SharedGuard guard(const_cast<std::recursive_mutex&>(m_sharedLock));
    std::vector<DownloadItem> items;
    items.reserve(m_downloads.size());
    for (const DownloadEntry& entry : m_downloads) items.push_back(entry.item);
    return items;
}

unsigned VelaMainForm::AppendDownload(const DownloadItem& item) {
    unsigned key = 0;
    {
        SharedGuard guard(m_sharedLock);
        DownloadEntry entry;
        entry.item = item;
        entry.key = m_nextDownloadKey++;
        key = entry.key;
        m_downloads.push_back(std::move(entry));
    }
    UIToolkit::CListContainerElementUI* row = AddDownloadRow(item);
    UIToolkit::CListUI* list = AsList(m_listDownloadManage);
    if (row != nullptr && (list == nullptr || !list->Add(row))) delete row;
    return key;
}

void VelaMainForm::AddDownloadItem(const TrackInfo& track) { AppendDownload(MakeDownloadItem(track)); }

UIToolkit::CListContainerElementUI* VelaMainForm::AddDownloadRow(const DownloadItem& item) {
    size_t count = 0;
    {
        SharedGuard guard(m_sharedLock);
        count = m_downloads.size();
    }
    // Coloured by the item count, the new item counted.
    return MakeDownloadRow(item, count, m_listDownloadManage);
}

// ---- Starting --------------------------------------------------------------------------------

VelaMainForm::StartResult VelaMainForm::StartDownload(unsigned key, const TrackInfo* source, TrackInfo* record) {
    DownloadItem item;
    std::wstring folder;
    std::wstring trackName;
    {
        SharedGuard guard(m_sharedLock);
        const DownloadEntry* entry = FindDownload(key);
        if (entry == nullptr) return StartResult::NoUrl;
        folder = m_settings.downloadFolder;
        trackName = entry->item.TrackName;
    }
    // What the folder holds already, looked at outside the lock (the folder may be slow to answer).
    const std::vector<std::wstring> filesInFolder = DownloadFilesInFolder(folder, trackName);
    {
        SharedGuard guard(m_sharedLock);
        DownloadEntry* entry = FindDownload(key);
        if (entry == nullptr || entry->thread || entry->starting) return StartResult::NoUrl;
        if (RunningDownloadsLocked() >= m_settings.downloadLimit) return StartResult::NoPlace;
        entry->starting = true;
        // The item keeps its file across pauses and restarts; no other track's item gets it, and
        // a new item does not take over a file or part that the folder already holds.
        std::vector<const DownloadItem*> others;
        for (const DownloadEntry& other : m_downloads) {
            if (&other != entry) others.push_back(&other.item);
        }
        entry->item.FileName = ChooseDownloadName(entry->item, others, folder, filesInFolder);
        entry->item.FilePath = folder;
        item = entry->item;
    }
    // The request holds the reply file "download" from writing to reading, so the monitor's
    // start and the UI thread's never read each other's reply.
    const std::wstring url = RequestDownloadUrl(item.TrackID);
    std::shared_ptr<CDownloadThread> thread;
    TrackInfo started;
    if (!url.empty()) {
        started = DownloadTrackRecord(source, item, url, folder);
        thread = std::make_shared<CDownloadThread>();
        if (!thread->Start(started)) thread.reset();
    }
    bool kept = false;
    {
        SharedGuard guard(m_sharedLock);
        if (DownloadEntry* entry = FindDownload(key)) {
            entry->starting = false;
            if (thread) {
                entry->thread = thread;
                entry->item.Status = DownloadStatus::Downloading;
                kept = true;
            }
        }
    }
    if (thread && !kept) thread->Stop();  // the item was deleted meanwhile
    if (!kept) return StartResult::NoUrl;
    if (record != nullptr) *record = started;
    return StartResult::Started;
}

int VelaMainForm::DownloadCurrent() {
    TrackInfo track;
    {
        SharedGuard guard(m_sharedLock);
        const PlayListInfo* playlist = m_currentPlayList;
        if (playlist == nullptr || !playlist->HasTrack(playlist->currentIndex)) return 0;
        track = playlist->tracks[static_cast<size_t>(playlist->currentIndex)];
    }
    const unsigned key = AppendDownload(MakeDownloadItem(track));
    if (StartDownload(key, &track) == StartResult::NoPlace) return 0;  // waits for a place
    // Also when no URL came back; playback enables it again for the next track.
    if (m_btnToDown != nullptr) m_btnToDown->SetEnabled(false);
    return 0;
}

int VelaMainForm::DownloadWebTracks() {
    if (WebDownloadList.empty()) return 0;
    const TrackInfo track = WebDownloadList.front();
    const unsigned key = AppendDownload(MakeDownloadItem(track));
    StartDownload(key, &track);
    return 0;
}

bool VelaMainForm::IsTrackDownloadingLocked(const std::wstring& trackId) const {
    for (const DownloadEntry& entry : m_downloads) {
        if (entry.item.TrackID == trackId && entry.item.Status != DownloadStatus::Complete) return true;
    }
    return false;
}

// Where a track record lives: its playlist's table index and row, or -1 when it is no playlist's
// own (the caller's copy). Only addresses are compared, nothing is read (shared lock held).
void VelaMainForm::LocateTrackLocked(const TrackInfo* track, int& playList, int& row) const {
    playList = -1;
    row = -1;
    std::less<const TrackInfo*> before;
    for (size_t i = 0; i < m_playLists.size(); ++i) {
        const std::vector<TrackInfo>& tracks = m_playLists[i]->tracks;
        if (tracks.empty() || before(track, tracks.data()) || !before(track, tracks.data() + tracks.size())) continue;
        playList = static_cast<int>(i);
        row = static_cast<int>(track - tracks.data());
        return;
    }
}

int VelaMainForm::DownloadTrack(TrackInfo& track) {
    TrackInfo source;
    int playList = -1;
    int row = -1;
    {
        SharedGuard guard(m_sharedLock);
        LocateTrackLocked(&track, playList, row);
        source = track;
        if (IsTrackDownloadingLocked(source.TrackID)) return 0;
    }
    const unsigned key = AppendDownload(MakeDownloadItem(source));
    TrackInfo record;
    if (StartDownload(key, &source, &record) != StartResult::Started) return 0;
    SharedGuard guard(m_sharedLock);
    TrackInfo* target = &track;
    if (playList >= 0) {
        // The request left the lock free: the playlist may have changed since, and with it the
        // place of its own record of the track, which playback reads. It is found again.
        target = nullptr;
        PlayListInfo* playlist = GetPlayList(playList);
        if (playlist == nullptr) return 0;
        if (playlist->HasTrack(row) && playlist->tracks[static_cast<size_t>(row)].TrackID == source.TrackID) {
            target = &playlist->tracks[static_cast<size_t>(row)];
        } else {
            for (TrackInfo& other : playlist->tracks) {
                if (other.TrackID == source.TrackID) {
                    target = &other;
                    break;
                }
            }
        }
        if (target == nullptr) return 0;
    }
    target->FileURL = record.FileURL;
    target->FilePath = record.FilePath;
    target->FileName = record.FileName;
    target->IsDownloading = true;
    return 0;
}

// Starts "readying" items, first first, while places are free (monitor thread). An item whose
// URL request fails keeps waiting and is passed over until the next free place.
void VelaMainForm::StartWaitingDownloads() {
    std::vector<unsigned> passed;
    for (;;) {
        unsigned key = 0;
        {
            SharedGuard guard(m_sharedLock);
            for (const DownloadEntry& entry : m_downloads) {
                if (entry.item.Status == DownloadStatus::Readying && !entry.thread && !entry.starting &&
                    std::find(passed.begin(), passed.end(), entry.key) == passed.end()) {
                    key = entry.key;
                    break;
                }
            }
        }
        if (key == 0 || m_closing) return;
        const StartResult result = StartDownload(key, nullptr);
        if (result == StartResult::NoPlace) return;
        if (result == StartResult::NoUrl) passed.push_back(key);
    }
}

// ---- Row clicks ------------------------------------------------------------------------------

int VelaMainForm::OnDownloadRowClick(UINotify& msg) {
    const int row = static_cast<int>(msg.lParam);
    if (row < 0) return 0;
    if (msg.wParam == kRowStatusIcon) {
        OnDownloadStatusClick(row);
    } else if (msg.wParam == kRowDeleteIcon) {
        DeleteDownload(row);
    }
    return 0;
}

void VelaMainForm::OnDownloadStatusClick(int row) {
    std::wstring status;
    unsigned key = 0;
    std::shared_ptr<CDownloadThread> paused;
    {
        SharedGuard guard(m_sharedLock);
        if (row >= static_cast<int>(m_downloads.size())) return;
        DownloadEntry& entry = m_downloads[static_cast<size_t>(row)];
        status = entry.item.Status;
        key = entry.key;
        if (status == DownloadStatus::Downloading) {
            if (entry.starting) return;  // its start is still asking for the URL
            paused = std::move(entry.thread);
            entry.item.Status = DownloadStatus::Pause;
        }
    }
    UIToolkit::CListUI* list = AsList(m_listDownloadManage);
    CControlUI* rowControl = list != nullptr ? list->GetItemAt(row) : nullptr;
    if (status == DownloadStatus::Downloading) {
        if (paused) paused->Stop();  // the part file stays for the resume
        SetDownloadRowStatusIcon(rowControl, DownloadStatus::Pause);
        m_downloadPlaceFreed = true;
    } else if (status == DownloadStatus::Pause || status == DownloadStatus::Waiting) {
        const StartResult result = StartDownload(key, nullptr);
        if (result == StartResult::Started) {
            SetDownloadRowStatusIcon(rowControl, DownloadStatus::Downloading);
        } else if (result == StartResult::NoPlace) {
            {
                SharedGuard guard(m_sharedLock);
                if (DownloadEntry* entry = FindDownload(key)) entry->item.Status = DownloadStatus::Waiting;
            }
            SetDownloadRowStatusIcon(rowControl, DownloadStatus::Waiting);
        }
    }
}

void VelaMainForm::DeleteDownload(int row) {
    m_downloadMonitorOn = false;
    std::shared_ptr<CDownloadThread> thread;
    bool removed = false;
    bool heldPlace = false;
    {
        SharedGuard guard(m_sharedLock);
        if (row < static_cast<int>(m_downloads.size())) {
            DownloadEntry& entry = m_downloads[static_cast<size_t>(row)];
            heldPlace = entry.thread || entry.starting;
            thread = std::move(entry.thread);
            m_downloads.erase(m_downloads.begin() + row);
            removed = true;
        }
    }
    if (removed) {
        if (UIToolkit::CListUI* list = AsList(m_listDownloadManage)) list->RemoveAt(row);
    }
    m_downloadMonitorOn = true;
    // The file, whole or in parts, stays on disk.
    if (thread) thread->Stop();
    if (heldPlace) m_downloadPlaceFreed = true;
}

// ---- The monitor -----------------------------------------------------------------------------

unsigned VelaMainForm::DownloadMonitorThread(FormWorker& worker) {
    while (::WaitForSingleObject(worker.StopEvent(), kMonitorPeriodMs) == WAIT_TIMEOUT) {
        if (m_closing) break;
        if (m_downloadMonitorOn) MonitorDownloads();
    }
    return 0;
}

void VelaMainForm::MonitorDownloads() {
    std::vector<std::shared_ptr<CDownloadThread>> ended;
    bool running = false;
    {
        SharedGuard guard(m_sharedLock);
        for (DownloadEntry& entry : m_downloads) {
            if (entry.item.Status != DownloadStatus::Downloading || !entry.thread) continue;
            running = true;
            // A finished download is "complete"; a failed one is "pause", resumable from its
            // part file. Either frees its place.
            if (RefreshDownloadItem(entry.item, *entry.thread) != DownloadOutcome::Running) {
                ended.push_back(std::move(entry.thread));
            }
        }
    }
    for (auto& thread : ended) thread->Stop();
    if (running) RunOnUiThread([this] { ShowDownloadRows(); });
    if (!ended.empty()) m_downloadPlaceFreed = true;
    if (m_downloadPlaceFreed.exchange(false)) StartWaitingDownloads();
}

void VelaMainForm::ShowDownloadRows() {
    const std::vector<DownloadItem> items = GetDownloadItems();
    UIToolkit::CListUI* list = AsList(m_listDownloadManage);
    if (list == nullptr) return;
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* row = list->GetItemAt(static_cast<int>(i));
        if (row == nullptr || !ShowsProgress(items[i].Status)) continue;
        ShowDownloadProgress(row, items[i]);
        SetDownloadRowStatusIcon(row, items[i].Status);
    }
}

void VelaMainForm::StopDownloadThreads() {
    std::vector<std::shared_ptr<CDownloadThread>> threads;
    {
        SharedGuard guard(m_sharedLock);
        for (DownloadEntry& entry : m_downloads) {
            if (!entry.thread) continue;
            // The list kept for the next run tells where each download stood when it stopped
            // (a download may have gone on, or ended, since the monitor's last pass).
            RefreshDownloadItem(entry.item, *entry.thread);
            threads.push_back(std::move(entry.thread));
        }
    }
    for (auto& thread : threads) thread->Stop();
}

// ---- "Dmanage" -------------------------------------------------------------------------------

bool VelaMainForm::SaveDownloadList(const std::wstring& path) {
    const std::vector<DownloadItem> items = GetDownloadItems();
    // A list that could not be read at the start stays as it is while the user has added
    // nothing in its place.
    if (m_downloadListUnread && items.empty()) return true;
    if (!SaveDownloadItems(path, items)) return false;
    m_downloadListUnread = false;
    return true;
}

void VelaMainForm::SaveDownloadList() {
    SaveDownloadList(m_dataFolder + L"\\" + kDownloadListFileName);
    SharedGuard guard(m_sharedLock);
    m_downloads.clear();
}

bool VelaMainForm::LoadDownloadList(const std::wstring& name) {
    std::vector<DownloadItem> items;
    const bool loaded = LoadDownloadItems(m_dataFolder + L"\\" + name, items);
    m_downloadListUnread = !loaded;
    for (const DownloadItem& item : items) AppendDownload(item);
    return loaded;
}

}  // namespace VelaUI
