#include "download_list_file.h"

#include <windows.h>

#include <tinyxml.h>

#include "local_helpers.h"

namespace VelaUI {

namespace {

struct ItemField {
    const char* name;
    std::wstring DownloadItem::*field;
};

// In the order of the file.
const ItemField kItemFields[] = {
    {"TrackID", &DownloadItem::TrackID},   {"TrackName", &DownloadItem::TrackName},
    {"ArtistName", &DownloadItem::ArtistName}, {"Status", &DownloadItem::Status},
    {"Progress", &DownloadItem::Progress}, {"FileSize", &DownloadItem::FileSize},
    {"Speed", &DownloadItem::Speed},       {"FilePath", &DownloadItem::FilePath},
    {"FileName", &DownloadItem::FileName}, {"FileURL", &DownloadItem::FileURL},
};

TiXmlElement* FieldElement(const char* name, const std::wstring& value) {
    std::string bytes;
    WideToUtf8Fixed3(bytes, value);
    TiXmlElement* element = new TiXmlElement(name);
    element->LinkEndChild(new TiXmlText(bytes));
    return element;
}

std::wstring* ItemFieldByName(DownloadItem& item, const std::string& name) {
    for (const ItemField& f : kItemFields) {
        if (name == f.name) return &(item.*f.field);
    }
    return nullptr;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string DownloadListText(const std::vector<DownloadItem>& items) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    for (const DownloadItem& item : items) {
        TiXmlElement* track = new TiXmlElement("Track");
        for (const ItemField& f : kItemFields) {
            // Read back, every item waits for the user to start it again.
            const std::wstring& value = f.field == &DownloadItem::Status ? DownloadStatus::Waiting : item.*f.field;
            track->LinkEndChild(FieldElement(f.name, value));
        }
        document.LinkEndChild(track);
    }
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

bool SaveDownloadItems(const std::wstring& path, const std::vector<DownloadItem>& items) {
    if (items.empty()) return ::DeleteFileW(path.c_str()) || !FileExists(path);
    std::string text;
    try {
        text = DownloadListText(items);
    } catch (const std::exception&) {
        return false;
    }
    return ReplaceWholeFile(path, text);
}

bool LoadDownloadItems(const std::wstring& path, std::vector<DownloadItem>& items) {
    items.clear();
    if (!FileExists(path)) return true;
    TiXmlDocument document;
    if (!LoadXmlFile(document, path)) return false;
    const TiXmlElement* first = document.FirstChildElement();
    if (first == nullptr) return false;
    for (const TiXmlElement* track = first; track != nullptr; track = track->NextSiblingElement()) {
        DownloadItem item;
        for (const TiXmlElement* e = track->FirstChildElement("TrackID"); e != nullptr; e = e->NextSiblingElement()) {
            const char* text = e->GetText();
            std::wstring* field = ItemFieldByName(item, e->ValueStr());
            if (text != nullptr && field != nullptr) Utf8Fixed3ToWide(*field, text);
        }
        items.push_back(item);
    }
    return true;
}

}  // namespace VelaUI
