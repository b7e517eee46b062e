#include "resource_reader.h"

#include <new>

#include "ui_zip.h"
#include "win_files.h"
#include "window_manager.h"

namespace UIToolkit {

namespace {

// The archive for one read: the handle the framework keeps open, or else one opened for the read.
class CArchiveForRead {
public:
    CArchiveForRead() {
        if (CWindowManagerUI::IsResourceZipCached()) m_handle = CWindowManagerUI::GetResourceZipHandle();
        if (m_handle == nullptr) {
            CUIString file = CWindowManagerUI::GetResourcePath() + CWindowManagerUI::GetResourceZip();
            m_handle = ZipOpen(const_cast<wchar_t*>(file.GetData()), 0, ZIP_FILENAME);
            m_owned = m_handle != nullptr;
        }
    }
    ~CArchiveForRead() {
        if (m_owned) ZipClose(m_handle);
    }
    CArchiveForRead(const CArchiveForRead&) = delete;
    CArchiveForRead& operator=(const CArchiveForRead&) = delete;

    ZipHandle* Get() const { return m_handle; }

private:
    ZipHandle* m_handle = nullptr;
    bool m_owned = false;
};

}  // namespace

ResourceReadResult ReadResourceFile(const wchar_t* name, DWORD maxBytes, std::string& bytes) {
    const CUIString path = CWindowManagerUI::GetResourcePath() + name;
    switch (ReadWholeFile(path.GetData(), bytes, maxBytes)) {
        case FileReadResult::Ok:
            return ResourceReadResult::Ok;
        case FileReadResult::CannotOpen:
            return ResourceReadResult::CannotOpenFile;
        case FileReadResult::TooLarge:
            return ResourceReadResult::TooLarge;
        case FileReadResult::OutOfMemory:
            return ResourceReadResult::OutOfMemory;
        case FileReadResult::ReadFailed:
            break;
    }
    return ResourceReadResult::ReadFailed;
}

ResourceReadResult ReadResourceArchiveEntry(const wchar_t* name, DWORD maxBytes, std::string& bytes) {
    bytes.clear();
    CArchiveForRead archive;
    if (archive.Get() == nullptr) return ResourceReadResult::NoArchive;
    int index = -1;
    ZipItemInfo info = {};
    if (ZipFindItem(archive.Get(), name, true, &index, &info) != ZR_OK || index < 0) {
        return ResourceReadResult::NotFound;
    }
    const DWORD length = info.unpackedSize;
    if (length > maxBytes) return ResourceReadResult::TooLarge;
    if (length == 0) return ResourceReadResult::Ok;
    try {
        bytes.resize(length);
    } catch (const std::bad_alloc&) {
        return ResourceReadResult::OutOfMemory;
    }
    DWORD written = 0;
    DWORD result = ZipUnzipItem(archive.Get(), index, &bytes[0], length, ZIP_MEMORY, &written);
    if (result == ZR_MORE && written == length) {
        // A buffer of exactly the entry's size stops before the reader has seen the entry's end,
        // so its checksum is not checked yet: read on to the end, so that a damaged entry fails
        // here instead of being used.
        char spare = 0;
        DWORD extra = 0;
        result = ZipUnzipItem(archive.Get(), index, &spare, 1, ZIP_MEMORY, &extra);
        if (extra != 0) result = ZR_FLATE;
    }
    if (result != ZR_OK || written != length) {
        bytes.clear();
        return ResourceReadResult::UnzipFailed;
    }
    return ResourceReadResult::Ok;
}

ResourceReadResult ReadResource(const wchar_t* name, DWORD maxBytes, std::string& bytes) {
    if (CWindowManagerUI::GetResourceZip().IsEmpty()) return ReadResourceFile(name, maxBytes, bytes);
    return ReadResourceArchiveEntry(name, maxBytes, bytes);
}

}  // namespace UIToolkit
