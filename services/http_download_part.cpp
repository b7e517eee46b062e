#include "http_download_part.h"

#include "win_files.h"

bool CDownloadFile::Open(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags) {
    // The handle held goes first: the file may be this one, which would refuse a second opening.
    Close();
    m_handle.Reset(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr));
    return IsOpen();
}

bool CDownloadFile::OpenForUpdate(const std::wstring& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

bool CDownloadFile::Create(const std::wstring& path) {
    // A new file rather than an emptied one: some file systems write out a file that was
    // emptied and filled again as soon as it is closed, which would stall the caller.
    Close();
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
}

bool CDownloadFile::OpenForReading(const std::wstring& path) {
    return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
}

bool CDownloadFile::TruncateAt(long long size) {
    LARGE_INTEGER position;
    position.QuadPart = size;
    LARGE_INTEGER current;
    if (!IsOpen() || !GetFileSizeEx(m_handle.Get(), &current) ||
        !SetFilePointerEx(m_handle.Get(), position, nullptr, FILE_BEGIN))
        return false;
    // A file of that size already is left alone: some file systems take a cut, even to the same
    // size, as a sign to write the file out early.
    return current.QuadPart == size || SetEndOfFile(m_handle.Get());
}

bool CDownloadFile::Write(const char* data, DWORD size) { return WriteAllBytes(m_handle.Get(), data, size); }

bool CDownloadFile::WriteAt(const char* data, DWORD size, long long offset) {
    while (size > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
        DWORD written = 0;
        if (!WriteFile(m_handle.Get(), data, size, &written, &at) || written == 0) return false;
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool CDownloadFile::Read(char* data, DWORD size, DWORD& read) {
    read = 0;
    return ReadFile(m_handle.Get(), data, size, &read, nullptr) != FALSE;
}

std::wstring PartFileName(const std::wstring& targetPath, int index) {
    return targetPath + L"_" + std::to_wstring(index);
}

bool PartFileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool OpenPartFile(const std::wstring& path, CDownloadFile& file) { return file.OpenForUpdate(path); }

long long PartFileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
