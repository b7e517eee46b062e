// The local playlists: the table, the tree nodes, the rows and cell texts of "ListPlayList",
// favourites, and the playlist files ("PLDefault", "PLILike").
#include "vela_main_form.h"

#include <tinyxml.h>

#include <cstring>

#include "local_helpers.h"

namespace VelaUI {

namespace {

const wchar_t kEvenRowColour[] = L"#FF636464";
const wchar_t kOddRowColour[] = L"#FF858687";
const wchar_t kNoText[] = L"";

// The text fields of a track in the order of the file's elements; the two flags follow them.
struct TrackField {
    const char* element;
    std::wstring TrackInfo::*field;
};

const TrackField kTrackFields[] = {
    {"TrackID", &TrackInfo::TrackID},
    {"TrackName", &TrackInfo::TrackName},
    {"TrackUrl", &TrackInfo::TrackUrl},
    {"ArtistNameList", &TrackInfo::ArtistNameList},
    {"ArtistIDList", &TrackInfo::ArtistIDList},
    {"AlbumName", &TrackInfo::AlbumName},
    {"Time_Play", &TrackInfo::Time_Play},
    {"Time_Collection", &TrackInfo::Time_Collection},
    {"FileSize", &TrackInfo::FileSize},
    {"Middleimage", &TrackInfo::Middleimage},
    {"AlbumID", &TrackInfo::AlbumID},
    {"FilePath", &TrackInfo::FilePath},
    {"FileName", &TrackInfo::FileName},
    {"FileURL", &TrackInfo::FileURL},
};

struct TrackFlag {
    const char* element;
    bool TrackInfo::*flag;
};

const TrackFlag kTrackFlags[] = {
    {"IsDownloading", &TrackInfo::IsDownloading},
    {"IsLocalFile", &TrackInfo::IsLocalFile},
};

void AppendTextElement(TiXmlElement* parent, const char* name, const std::string& text) {
    auto* element = new TiXmlElement(name);
    element->LinkEndChild(new TiXmlText(text.c_str()));
    parent->LinkEndChild(element);
}

std::string PlayListFileText(const std::vector<TrackInfo>& tracks) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    for (const TrackInfo& track : tracks) {
        auto* element = new TiXmlElement("Track");
        for (const TrackField& f : kTrackFields) {
            std::string encoded;
            WideToUtf8Fixed3(encoded, track.*f.field);
            AppendTextElement(element, f.element, encoded);
        }
        for (const TrackFlag& f : kTrackFlags) AppendTextElement(element, f.element, track.*f.flag ? "true" : "false");
        document.LinkEndChild(element);
    }
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.CStr();
}

void SetTrackField(TrackInfo& track, const char* name, const char* text) {
    for (const TrackField& f : kTrackFields) {
        if (std::strcmp(name, f.element) == 0) {
            Utf8Fixed3ToWide(track.*f.field, text);
            return;
        }
    }
    for (const TrackFlag& f : kTrackFlags) {
        if (std::strcmp(name, f.element) == 0) {
            track.*f.flag = std::strcmp(text, "false") != 0;
            return;
        }
    }
}

TrackInfo ReadTrack(const TiXmlElement* element) {
    TrackInfo track;
    for (const TiXmlElement* child = element->FirstChildElement("TrackID"); child != nullptr;
         child = child->NextSiblingElement()) {
        if (child->GetText() != nullptr) SetTrackField(track, child->Value(), child->GetText());
    }
    return track;
}

UIToolkit::CListUI* AsList(CControlUI* control) { return dynamic_cast<UIToolkit::CListUI*>(control); }

void AddRow(CControlUI* list, bool evenColour) {
    UIToolkit::CListUI* rows = AsList(list);
    if (rows == nullptr) return;
    auto* row = new UIToolkit::CListTextElementUI;
    row->SetAttribute(L"bkcolor", evenColour ? kEvenRowColour : kOddRowColour);
    if (!rows->Add(row)) delete row;
}

}  // namespace

PlayListInfo* VelaMainForm::GetPlayList(int index) const {
    return index >= 0 && index < static_cast<int>(m_playLists.size()) ? m_playLists[index] : nullptr;
}

std::wstring VelaMainForm::PlayListPath(const std::wstring& id) const { return m_dataFolder + L"\\" + id; }

PlayListInfo* VelaMainForm::AddLocalPlayList(const wchar_t* text, const wchar_t* toolTip, const wchar_t* id) {
    UIToolkit::PlayListNode* node = m_tree->AddNode(text, toolTip, nullptr);
    if (node == nullptr) return nullptr;
    auto* playlist = new PlayListInfo;
    node->SetExtra(playlist);
    playlist->id = id;
    playlist->node = node;
    SharedGuard guard(m_sharedLock);
    playlist->index = static_cast<int>(m_playLists.size());
    m_playLists.push_back(playlist);
    return playlist;
}

void VelaMainForm::InitLocalPlayLists() {
    m_tree = dynamic_cast<UIToolkit::CPlayListUI*>(m_pm.FindControlByName(L"ListPlayListManage"));
    if (m_tree == nullptr || !m_playLists.empty()) return;
    PlayListInfo* defaultList = AddLocalPlayList(L"默认列表", L"本地默认列表", L"PLDefault");
    PlayListInfo* favourites = AddLocalPlayList(L"我喜欢的", L"本地列表", L"PLILike");
    m_nodeDefault = defaultList != nullptr ? defaultList->node : nullptr;
    m_nodeILike = favourites != nullptr ? favourites->node : nullptr;
    m_shownPlayList = -1;
    for (PlayListInfo* playlist : m_playLists) LoadPlayList(playlist, playlist->id, false);
    m_shownPlayList = -1;
    SharedGuard guard(m_sharedLock);
    m_currentPlayList = GetPlayList(0);
}

int VelaMainForm::SelectPlayList(int index, bool fill) {
    if (index < 0 || index >= GetPlayListCount() || index == m_shownPlayList) return 0;
    m_shownPlayList = index;
    if (!fill) return 0;
    if (UIToolkit::CListUI* list = AsList(m_listPlayList)) list->RemoveAll();
    size_t count = 0;
    {
        SharedGuard guard(m_sharedLock);
        count = GetPlayList(index)->tracks.size();
    }
    for (size_t r = 0; r < count; ++r) AddRow(m_listPlayList, r % 2 == 0);
    return 0;
}

void VelaMainForm::AddTrackRow(PlayListInfo* playlist) {
    if (playlist == nullptr) return;
    size_t count = 0;
    {
        SharedGuard guard(m_sharedLock);
        count = playlist->tracks.size();
    }
    AddRow(m_listPlayList, count % 2 == 0);
}

const wchar_t* VelaMainForm::GetItemText(CControlUI* row, int index, int column) {
    CControlUI* body = row != nullptr ? row->GetParent() : nullptr;
    CControlUI* list = body != nullptr ? body->GetParent() : nullptr;
    if (list == nullptr || list == m_listDownloadManage) return kNoText;
    if (list->GetName() != L"ListPlayList") return kNoText;
    return GetTrackCellText(GetPlayList(m_shownPlayList), row, index, column);
}

const wchar_t* VelaMainForm::GetTrackCellText(PlayListInfo* playlist, CControlUI* row, int index, int column) {
    if (playlist == nullptr || row == nullptr) return kNoText;
    std::wstring text;
    {
        SharedGuard guard(m_sharedLock);
        if (!playlist->HasTrack(index)) return kNoText;
        const TrackInfo& track = playlist->tracks[static_cast<size_t>(index)];
        switch (column) {
        case 0: text = std::to_wstring(index + 1) + L"." + track.TrackName; break;
        case 1: text = track.ArtistNameList; break;
        case 2: text = track.AlbumName; break;
        case 3: text = track.Time_Play; break;
        case 4: text = track.Time_Collection; break;
        default: break;
        }
    }
    // The row keeps the text, so it stays valid until the row's next cell is asked for.
    row->SetUserData(text.c_str());
    return row->GetUserData().GetData();
}

int VelaMainForm::OnPlayListTreeClick(UINotify& msg) {
    if (m_tree == nullptr || msg.sender == nullptr || m_tree->GetItemIndex(msg.sender) == -1) return 0;
    if (::lstrcmpW(msg.sender->GetClassName(), L"ListLabelElementUI") != 0) return 0;
    auto* node = reinterpret_cast<UIToolkit::PlayListNode*>(msg.sender->GetTag());
    if (node == nullptr || !m_tree->ContainsNode(node)) return 0;
    if (node->HasChildren()) {
        m_tree->ExpandNode(node, !node->GetData().expanded);
    } else if (PlayListInfo* playlist = node->GetExtra<PlayListInfo>()) {
        SelectPlayList(playlist->index, true);
    }
    return 0;
}

int VelaMainForm::AddCurrentToFavourites() {
    PlayListInfo* favourites = m_nodeILike != nullptr ? m_nodeILike->GetExtra<PlayListInfo>() : nullptr;
    bool shown = false;
    {
        SharedGuard guard(m_sharedLock);
        PlayListInfo* current = m_currentPlayList;
        // Before anything played the current index is -1: there is no current track to add.
        const bool hasTrack = current != nullptr && current->HasTrack(current->currentIndex);
        if (favourites != nullptr && hasTrack && current != favourites) {
            favourites->tracks.push_back(current->tracks[static_cast<size_t>(current->currentIndex)]);
            shown = favourites->index == m_shownPlayList;
        }
    }
    if (shown) AddTrackRow(favourites);
    // Playback enables the button again when the next track starts.
    if (m_btnILike != nullptr) m_btnILike->SetEnabled(false);
    return 0;
}

bool VelaMainForm::SavePlayList(PlayListInfo* playlist) {
    if (playlist == nullptr || playlist->id.empty()) return true;  // online playlists live at the service
    std::vector<TrackInfo> tracks;
    {
        SharedGuard guard(m_sharedLock);
        tracks = playlist->tracks;
    }
    if (tracks.empty()) return true;  // an empty playlist leaves its old file as it is
    // The old file stays whole until the new one is written completely.
    return ReplaceWholeFile(PlayListPath(playlist->id), PlayListFileText(tracks));
}

void VelaMainForm::SavePlayLists() {
    for (int i = 0; i < GetPlayListCount(); ++i) SavePlayList(GetPlayList(i));
}

bool VelaMainForm::LoadPlayList(PlayListInfo* playlist, const std::wstring& id, bool fill) {
    if (playlist == nullptr) return false;
    if (fill) {
        if (UIToolkit::CListUI* list = AsList(m_listPlayList)) list->RemoveAll();
    }
    const std::wstring path = PlayListPath(id);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    {
        SharedGuard guard(m_sharedLock);
        playlist->tracks.clear();
    }
    TiXmlDocument document;
    if (!LoadXmlFile(document, path) || document.FirstChildElement() == nullptr) return false;
    for (const TiXmlElement* element = document.FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        TrackInfo track = ReadTrack(element);
        {
            SharedGuard guard(m_sharedLock);
            playlist->tracks.push_back(std::move(track));
        }
        if (fill) AddTrackRow(playlist);
    }
    return true;
}

}  // namespace VelaUI
