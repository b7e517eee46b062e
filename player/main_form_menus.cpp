// The handlers of the list context menus. Layout 205 turns the lists' context menus off, so these
// run only where a list sends "menu" all the same.
#include "vela_main_form.h"

#include "menu_right_key.h"

namespace VelaUI {

namespace {

const WORD kDownloadMenuLayout = 207;

POINT ScreenPointOf(HWND hWnd, POINT pt) {
    ::ClientToScreen(hWnd, &pt);
    return pt;
}

int RowCount(CControlUI* list) {
    auto* rows = dynamic_cast<UIToolkit::CListUI*>(list);
    return rows != nullptr ? rows->GetCount() : 0;
}

}  // namespace

void VelaMainForm::OnListMenu(UINotify& msg) {
    if (msg.sender == nullptr) return;
    const POINT at = ScreenPointOf(m_hWnd, msg.ptMouse);
    if (msg.sender == m_listPlayList) {
        // The list's rows are the shown playlist's, which need not be the one that plays.
        bool hasTracks = false;
        {
            SharedGuard guard(m_sharedLock);
            const PlayListInfo* shown = GetPlayList(m_shownPlayList);
            hasTracks = shown != nullptr && !shown->tracks.empty();
        }
        if (hasTracks) (new MenuRightKey_PlayList(L"Menu_RightKeyPlayList.xml"))->ShowAt(m_listPlayList, at.x, at.y);
    } else if (msg.sender == m_listDownloadManage && RowCount(m_listDownloadManage) > 0) {
        // The rows of the downloads view stand one-to-one for the download items.
        (new UIToolkit::CMenuWnd(m_hWnd))
            ->Init(nullptr, UIToolkit::LayoutSource::Resource(kDownloadMenuLayout), L"xml", at.x, at.y);
    }
    // The play-list tree opens no menu.
}

void VelaMainForm::OnPlayListMenu(UINotify& msg) {
    auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listPlayList);
    if (list == nullptr || msg.sender != m_listPlayList) return;
    const int row = list->GetCurSel();
    if (row < 0) return;
    switch (msg.wParam) {
    case 2:
        PlayShownRow(row);
        break;
    case 3:
        if (PlayListInfo* shown = GetPlayList(m_shownPlayList)) {
            if (shown->HasTrack(row)) DownloadTrack(shown->tracks[static_cast<size_t>(row)]);
        }
        break;
    case 4:
        RemoveShownTrack(row);
        break;
    default:
        // 1 has no item.
        break;
    }
}

void VelaMainForm::OnPlayListManageMenu(UINotify& msg) {
    // Item 1 "播放" plays the current track; no other item does anything.
    if (msg.wParam == 1) QueuePlayback(kCommandPlayCurrent);
}

void VelaMainForm::RemoveShownTrack(int row) {
    PlayListInfo* playlist = GetPlayList(m_shownPlayList);
    if (playlist == nullptr) return;
    bool wasCurrent = false;
    {
        SharedGuard guard(m_sharedLock);
        if (!playlist->HasTrack(row)) return;
        wasCurrent = row == playlist->currentIndex && playlist == m_currentPlayList;
        playlist->tracks.erase(playlist->tracks.begin() + row);
        // The current index keeps naming the same track when a row above it goes; when its own
        // row goes, it names the track that followed, which plays in its place.
        if (row < playlist->currentIndex) --playlist->currentIndex;
    }
    if (auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listPlayList)) list->RemoveAt(row);
    if (wasCurrent) QueuePlayback(kCommandPlayCurrent);
}

}  // namespace VelaUI
