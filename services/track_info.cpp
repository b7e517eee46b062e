#include "track_info.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <ctime>

#include <tinyxml.h>

#include "local_helpers.h"
#include "rest_request.h"

std::vector<TrackInfo> WebTrackList;
std::vector<TrackInfo> WebDownloadList;

std::recursive_mutex& WebListsLock() {
    static std::recursive_mutex lock;
    return lock;
}

namespace {

// Loads the reply file of that name as a UTF-8 XML document; false when it is missing or is
// not well-formed XML.
bool LoadReply(const std::wstring& replyName, TiXmlDocument& doc) {
    std::wstring path = RestReplyPath(replyName);
    return !path.empty() && LoadXmlFile(doc, path);
}

std::wstring ElementText(const TiXmlElement* element) {
    return Utf8ToCString(element->GetText());
}

// The field of a track-list item that an element of that name sets, or null.
std::wstring* TrackListField(TrackInfo& track, const std::string& name) {
    if (name == "TrackID") return &track.TrackID;
    if (name == "TrackName") return &track.TrackName;
    if (name == "ArtistNameList") return &track.ArtistNameList;
    if (name == "ArtistIDList") return &track.ArtistIDList;
    if (name == "AlbumName") return &track.AlbumName;
    if (name == "AlbumID") return &track.AlbumID;
    return nullptr;
}

// Sets url to the text of every "AuditionUrl" child of parent in turn (the last one wins).
void TakeAuditionUrls(const TiXmlElement* parent, std::wstring& url) {
    if (parent == nullptr) return;
    for (const TiXmlElement* e = parent->FirstChildElement("AuditionUrl"); e != nullptr;
         e = e->NextSiblingElement("AuditionUrl")) {
        const char* text = e->GetText();
        url = Utf8ToCString(text);
    }
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::wstring TodayDateText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"%04u-%02u-%02u", static_cast<unsigned>(now.wYear),
                  static_cast<unsigned>(now.wMonth), static_cast<unsigned>(now.wDay));
    return text;
}

bool ParseTrackListReply(const std::wstring& replyName) {
    RestReplyLock hold(replyName);
    std::vector<TrackInfo> tracks;
    TiXmlDocument doc;
    const TiXmlElement* root = LoadReply(replyName, doc) ? doc.RootElement() : nullptr;
    if (root == nullptr) {
        std::lock_guard<std::recursive_mutex> guard(WebListsLock());
        WebTrackList.clear();
        return false;
    }
    const std::wstring today = TodayDateText();
    for (const TiXmlElement* item = root->FirstChildElement(); item != nullptr; item = item->NextSiblingElement()) {
        TrackInfo track;
        for (const TiXmlElement* field = item->FirstChildElement(); field != nullptr;
             field = field->NextSiblingElement()) {
            if (std::wstring* target = TrackListField(track, field->ValueStr())) *target = ElementText(field);
        }
        if (track.TrackID.empty()) continue;
        track.Time_Play = today;
        tracks.push_back(track);
    }
    std::lock_guard<std::recursive_mutex> guard(WebListsLock());
    WebTrackList.swap(tracks);
    return !WebTrackList.empty();
}

bool ParsePlayUrlReply(const std::wstring& replyName, std::wstring& url) {
    RestReplyLock hold(replyName);
    TiXmlDocument doc;
    if (!LoadReply(replyName, doc)) return false;
    const TiXmlElement* root = doc.RootElement();
    if (root == nullptr) return false;
    TakeAuditionUrls(root->FirstChildElement("TrackUrl"), url);
    TakeAuditionUrls(root->FirstChildElement("Track"), url);
    return true;
}

std::wstring Utf8ToCString(const char* text) {
    if (text == nullptr) return std::wstring();
    return Utf8ToCString(text, std::char_traits<char>::length(text));
}

std::wstring Utf8ToCString(const char* text, std::size_t length) {
    std::wstring out;
    if (text == nullptr) return out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    out.reserve(length);
    std::size_t i = 0;
    while (i < length) {
        unsigned char lead = s[i];
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // Length of the sequence and the range its second byte must lie in (this excludes
        // overlong forms, encoded surrogates and code points above U+10FFFF).
        std::size_t count = 0;
        unsigned char low = 0x80, high = 0xBF;
        std::uint32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 3;
            cp = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 4;
            cp = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        bool valid = count != 0 && i + count <= length && s[i + 1] >= low && s[i + 1] <= high;
        for (std::size_t k = 2; valid && k < count; ++k) valid = IsContinuation(s[i + k]);
        if (!valid) {
            ++i;  // an invalid byte is skipped; decoding goes on with the next one
            continue;
        }
        for (std::size_t k = 1; k < count; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
        i += count;
    }
    return out;
}
