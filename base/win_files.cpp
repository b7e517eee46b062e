#include "win_files.h"

#include <algorithm>
#include <new>
#include <vector>

#include "win_owners.h"

namespace {

// ReadFile and WriteFile take 32-bit counts: larger buffers go in steps of this size.
const DWORD kMaxStepBytes = 1u << 30;

}  // namespace

FileReadResult ReadWholeFile(const std::wstring& path, std::string& bytes, unsigned long long maxBytes) {
    bytes.clear();
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return FileReadResult::CannotOpen;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return FileReadResult::ReadFailed;
    const unsigned long long length = static_cast<unsigned long long>(size.QuadPart);
    if (length > maxBytes || length > bytes.max_size()) return FileReadResult::TooLarge;
    try {
        bytes.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return FileReadResult::OutOfMemory;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD step = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kMaxStepBytes));
        DWORD got = 0;
        if (!ReadFile(file.Get(), &bytes[done], step, &got, nullptr) || got == 0) {
            bytes.clear();
            return FileReadResult::ReadFailed;
        }
        done += got;
    }
    return FileReadResult::Ok;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    return ReadWholeFile(path, bytes, ~0ull) == FileReadResult::Ok;
}

bool WriteAllBytes(HANDLE file, const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD step = static_cast<DWORD>(std::min<size_t>(size, kMaxStepBytes));
        DWORD written = 0;
        if (!WriteFile(file, next, step, &written, nullptr) || written == 0) return false;
        next += written;
        size -= written;
    }
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    CScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    const bool written = WriteAllBytes(file.Get(), bytes.data(), bytes.size());
    return file.Close() && written;
}

bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".tmp";
    if (!WriteWholeFile(temporary, bytes) || !MoveFileIntoPlace(temporary, path)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool MoveFileIntoPlace(const std::wstring& source, const std::wstring& target, bool acrossVolumes) {
    {
        // A rename reaches the disk before the data it names unless the data is flushed first.
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        CScopedHandle file(
            CreateFileW(source.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid() || !FlushFileBuffers(file.Get())) return false;
    }
    DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (acrossVolumes) flags |= MOVEFILE_COPY_ALLOWED;
    return MoveFileExW(source.c_str(), target.c_str(), flags) != FALSE;
}

std::wstring ModuleFilePath(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}
