// Part files of the segmented downloader: one per range, beside the target, named
// "<target>_<index>"; each holds the bytes of its range received so far, from the range's start.
#pragma once

#include <windows.h>

#include <string>

#include "win_owners.h"

// One part file, open for the downloader; closed with the object.
class CDownloadFile {
public:
    CDownloadFile() = default;
    CDownloadFile(const CDownloadFile&) = delete;
    CDownloadFile& operator=(const CDownloadFile&) = delete;

    // Opens for reading and writing, creating the file when it is missing (its bytes are kept).
    bool OpenForUpdate(const std::wstring& path);
    // Creates the file anew (an older one is deleted first).
    bool Create(const std::wstring& path);
    bool OpenForReading(const std::wstring& path);
    bool IsOpen() const { return m_handle.IsValid(); }
    void Close() { m_handle.Close(); }

    // Sets the position and cuts the file there.
    bool TruncateAt(long long size);
    bool Write(const char* data, DWORD size);
    // Writes at an offset from the file's start, leaving the position alone: several threads
    // may write their own regions of one file at once.
    bool WriteAt(const char* data, DWORD size, long long offset);
    // Reads up to size bytes; read is 0 at the end.
    bool Read(char* data, DWORD size, DWORD& read);

private:
    bool Open(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags);

    CScopedHandle m_handle;
};

// The name of the part file of one range.
std::wstring PartFileName(const std::wstring& targetPath, int index);

// True when the path names a file (not a folder).
bool PartFileExists(const std::wstring& path);

// Opens a part file for update, creating it when missing.
bool OpenPartFile(const std::wstring& path, CDownloadFile& file);

// Size of the file from the file system; 0 when it is missing.
long long PartFileSize(const std::wstring& path);
