#include "online_playlists.h"

#include <cstring>

#include <tinyxml.h>

#include "xml_text.h"

namespace VelaUI {

namespace {

template <typename Record>
struct Field {
    const char* element;
    std::wstring Record::*member;
};

const Field<PlayListMeta> kPlayListFields[] = {
    {"PlayListID", &PlayListMeta::PlayListID},
    {"PlayListTitle", &PlayListMeta::PlayListTitle},
    {"PlayListDesc", &PlayListMeta::PlayListDesc},
    {"PlayListCreateDate", &PlayListMeta::PlayListCreateDate},
    {"PlayListSize", &PlayListMeta::PlayListSize},
    {"PlayListSImage", &PlayListMeta::PlayListSImage},
};

const Field<TrackInfo> kTrackFields[] = {
    {"TrackID", &TrackInfo::TrackID},
    {"TrackName", &TrackInfo::TrackName},
    {"Duration", &TrackInfo::Time_Play},
    {"AlbumID", &TrackInfo::AlbumID},
    {"AlbumName", &TrackInfo::AlbumName},
    {"ArtistIDList", &TrackInfo::ArtistIDList},
    {"ArtistNameList", &TrackInfo::ArtistNameList},
};

// The root of an accepted reply: it is whole, well-formed XML and its root says "stat" = "ok";
// null otherwise. The body goes through the one entry point for XML text, which never lets the
// parser step past its end (a reply may end inside a character).
const TiXmlElement* AcceptedRoot(TiXmlDocument& doc, const char* body) {
    if (body == nullptr || !ParseXmlText(doc, body)) return nullptr;
    const TiXmlElement* root = doc.RootElement();
    if (root == nullptr) return nullptr;
    const char* stat = root->Attribute("stat");
    return stat != nullptr && std::strcmp(stat, "ok") == 0 ? root : nullptr;
}

// A record filled from an element's children; the others and those without text are ignored.
template <typename Record, std::size_t N>
Record ReadRecord(const TiXmlElement* element, const Field<Record> (&fields)[N]) {
    Record record;
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const char* text = child->GetText();
        if (text == nullptr) continue;
        for (const Field<Record>& field : fields) {
            if (std::strcmp(child->Value(), field.element) == 0) record.*field.member = Utf8ToCString(text);
        }
    }
    return record;
}

}  // namespace

bool ParseUserPlayLists(const char* body, std::vector<PlayListMeta>& lists) {
    TiXmlDocument doc;
    const TiXmlElement* root = AcceptedRoot(doc, body);
    const TiXmlElement* group = root != nullptr ? root->FirstChildElement("PlayLists") : nullptr;
    if (group == nullptr) return false;
    for (const TiXmlElement* e = group->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        lists.push_back(ReadRecord(e, kPlayListFields));
    }
    return true;
}

bool ParsePlayListTracks(const char* body, std::vector<TrackInfo>& tracks) {
    TiXmlDocument doc;
    const TiXmlElement* root = AcceptedRoot(doc, body);
    if (root == nullptr) return false;
    for (const TiXmlElement* e = root->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        tracks.push_back(ReadRecord(e, kTrackFields));
    }
    return true;
}

}  // namespace VelaUI
