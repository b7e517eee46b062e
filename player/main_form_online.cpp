// The signed-in user's online playlists: asked from the service right after sign-in, shown
// under the tree group "我的播放列表" after the local playlists, and taken away at sign-out.
// They are read-only and never saved.
#include "vela_main_form.h"

#include <memory>

#include "account.h"
#include "audio_play.h"
#include "http_fetch.h"
#include "online_playlists.h"
#include "rest_request.h"

namespace VelaUI {

namespace {

const wchar_t kOnlineGroupText[] = L"我的播放列表";

// The body of a one-parameter REST call (the value is percent-encoded in the URL and signed as
// it is); null when nothing came.
std::unique_ptr<char[]> FetchRest(const char* method, const char* paramName, const std::wstring& value) {
    HttpPost request;
    char* body = nullptr;
    if (!request.FetchToMemory(BuildRestWithParam(method, paramName, value).url, body)) body = nullptr;
    return std::unique_ptr<char[]>(body);
}

}  // namespace

bool VelaMainForm::RequestUserPlayLists(std::vector<PlayListMeta>& lists) {
    const std::unique_ptr<char[]> body = FetchRest(RestMethod::GetPalyList, "u_uid", Account.UserID);
    return ParseUserPlayLists(body.get(), lists);
}

bool VelaMainForm::RequestPlayListTracks(std::wstring playListId, std::vector<TrackInfo>& tracks) {
    const std::unique_ptr<char[]> body = FetchRest(RestMethod::GetPlayListTracks, "pl_id", playListId);
    return ParsePlayListTracks(body.get(), tracks);
}

int VelaMainForm::LoadOnlinePlayLists() {
    // Asked again (message 1097): the playlists are built anew rather than twice.
    RemoveOnlinePlayLists();
    if (m_tree != nullptr) {
        try {
            std::vector<PlayListMeta> lists;
            RequestUserPlayLists(lists);
            // The group shows even when the reply brought nothing: the user sees an empty group.
            m_nodeOnline = m_tree->AddNode(kOnlineGroupText, L"", nullptr);
            for (const PlayListMeta& meta : lists) {
                if (m_nodeOnline == nullptr) break;
                UIToolkit::PlayListNode* node =
                    m_tree->AddNode(meta.PlayListTitle.c_str(), meta.PlayListDesc.c_str(), m_nodeOnline);
                if (node == nullptr) continue;
                auto* playlist = new PlayListInfo;
                node->SetExtra(playlist);
                playlist->currentIndex = -1;
                playlist->meta = meta;
                playlist->node = node;
                std::vector<TrackInfo> tracks;
                RequestPlayListTracks(meta.PlayListID, tracks);
                SharedGuard guard(m_sharedLock);
                playlist->tracks = std::move(tracks);
                playlist->index = static_cast<int>(m_playLists.size());
                m_playLists.push_back(playlist);
            }
        } catch (...) {
            // What was built stays; the user's name still shows.
        }
    }
    if (m_textUserName != nullptr) {
        m_textUserName->SetText(Account.UserName.c_str());
        m_textUserName->Invalidate();
    }
    ::EnableWindow(m_hWnd, TRUE);
    return 0;
}

void VelaMainForm::RemoveOnlinePlayLists() {
    if (m_nodeOnline == nullptr) return;
    UIToolkit::PlayListNode* group = m_nodeOnline;
    m_nodeOnline = nullptr;
    if (m_tree == nullptr || !m_tree->ContainsNode(group)) return;
    // The online playlists are always the last ones of the table.
    const int count = GetPlayListCount() - group->GetChildCount();
    LeaveOnlinePlayList(count);
    {
        SharedGuard guard(m_sharedLock);
        if (count >= 0 && count < static_cast<int>(m_playLists.size())) m_playLists.resize(static_cast<size_t>(count));
    }
    // Deletes the group's nodes and with them their playlists, which no one refers to any more.
    m_tree->RemoveNode(group);
    const int shown = m_shownPlayList;
    m_shownPlayList = count - 1 < shown ? count - 1 : shown;
    SelectPlayList(0, true);
}

void VelaMainForm::LeaveOnlinePlayList(int firstOnlineIndex) {
    bool wasOnline = false;
    {
        SharedGuard guard(m_sharedLock);
        if (m_currentPlayList != nullptr && m_currentPlayList->index >= firstOnlineIndex) {
            wasOnline = true;
            m_currentPlayList = GetPlayList(0);
            // A pending double-click names a row of the playlist that goes.
            if (m_command.code == 6) m_command = PlayerCommand();
        }
    }
    // Its track stops (through the command thread, which alone drives the engine and reads the
    // playlists only as copies taken under the lock): what plays next comes from playlist 0.
    if (wasOnline) StopPlay();
}

}  // namespace VelaUI
