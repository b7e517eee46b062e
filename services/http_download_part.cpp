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
    return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

bool CDownloadFile::OpenForReading(const std::wstring& path) {
    return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
}

bool CDownloadFile::TruncateAt(long long size) {
    LARGE_INTEGER position;
    position.QuadPart = size;
    return IsOpen() && SetFilePointerEx(m_handle.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(m_handle.Get());
}

bool CDownloadFile::Write(const char* data, DWORD size) { return WriteAllBytes(m_handle.Get(), data, size); }

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
