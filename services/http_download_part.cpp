#include "http_download_part.h"

void CDownloadFile::Close() {
    if (m_handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
}

bool CDownloadFile::OpenForUpdate(const std::wstring& path) {
    Close();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CDownloadFile::Create(const std::wstring& path) {
    Close();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CDownloadFile::OpenForReading(const std::wstring& path) {
    Close();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return IsOpen();
}

bool CDownloadFile::TruncateAt(long long size) {
    LARGE_INTEGER position;
    position.QuadPart = size;
    return IsOpen() && SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(m_handle);
}

bool CDownloadFile::Write(const char* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(m_handle, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool CDownloadFile::Read(char* data, DWORD size, DWORD& read) {
    read = 0;
    return ReadFile(m_handle, data, size, &read, nullptr) != FALSE;
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
