#include "ui_zip.h"

#include <unzip.h>

#include <cstring>
#include <cwchar>

namespace UIToolkit {

namespace {

const int kMaxNameBytes = MAX_PATH;   // name buffer of ZipItemInfoA, terminator included
const DWORD kChunk = 16384;
DWORD g_lastResult = ZR_OK;

// ---- minizip file functions over a ZipSource (passed as the opaque pointer) ----

voidpf ZCALLBACK SourceOpen(voidpf opaque, const char*, int) {
    return opaque;
}

uLong ZCALLBACK SourceRead(voidpf, voidpf stream, void* buf, uLong size) {
    return ZipSourceRead(static_cast<ZipSource*>(stream), buf, 1, static_cast<DWORD>(size));
}

uLong ZCALLBACK SourceWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

long ZCALLBACK SourceTell(voidpf, voidpf stream) {
    return ZipSourceTell(static_cast<ZipSource*>(stream));
}

long ZCALLBACK SourceSeek(voidpf, voidpf stream, uLong offset, int origin) {
    return ZipSourceSeek(static_cast<ZipSource*>(stream), static_cast<long>(offset), origin);
}

int ZCALLBACK SourceCloseFile(voidpf, voidpf) {
    return 0;   // the reader closes its source itself
}

int ZCALLBACK SourceError(voidpf, voidpf stream) {
    return ZipSourceHasError(static_cast<ZipSource*>(stream)) ? 1 : 0;
}

unzFile Archive(void* archive) {
    return static_cast<unzFile>(archive);
}

// Attributes of an entry from its external attributes. The upper half holds Unix mode bits
// only when the entry was made on such a system; entries without them (most Windows tools) are
// read-only only when their DOS read-only bit says so.
DWORD AttributesFrom(DWORD external) {
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((external & 0x40000000) != 0 || (external & 0x10) != 0) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((external & 0x20) != 0) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if ((external & 0x2) != 0) attributes |= FILE_ATTRIBUTE_HIDDEN;
    const bool hasUnixMode = (external & 0xFFFF0000) != 0;
    if ((external & 0x1) != 0 || (hasUnixMode && (external & 0x00800000) == 0)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if ((external & 0x4) != 0) attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

// Reads the "UT" block of an extra field: modification, access and creation times as far as
// its flags announce them and its length holds them.
void ApplyExtendedTimes(const unsigned char* extra, int size, ZipItemInfoA* info) {
    int pos = 0;
    while (size - pos >= 5) {
        const int blockLength = extra[pos + 2];   // the low byte alone
        if (extra[pos] == 'U' && extra[pos + 1] == 'T') {
            const int dataEnd = pos + 4 + blockLength < size ? pos + 4 + blockLength : size;
            const unsigned char flags = extra[pos + 4];
            int at = pos + 5;
            FILETIME* targets[3] = {&info->modifyTime, &info->accessTime, &info->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if ((flags & (1 << bit)) == 0) continue;
                if (at + 4 > dataEnd) break;
                const long seconds = static_cast<long>(static_cast<DWORD>(extra[at]) |
                                                       static_cast<DWORD>(extra[at + 1]) << 8 |
                                                       static_cast<DWORD>(extra[at + 2]) << 16 |
                                                       static_cast<DWORD>(extra[at + 3]) << 24);
                ZipTimeToFileTime(seconds, targets[bit]);
                at += 4;
            }
            return;
        }
        pos += blockLength + 4;
    }
}

bool IsSeparator(wchar_t ch) {
    return ch == L'/' || ch == L'\\';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Byte source

ZipSource* ZipSourceOpen(void* source, DWORD length, DWORD kind, DWORD* result) {
    if (result != nullptr) *result = ZR_OK;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (kind == ZIP_HANDLE) {
        if (!DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(source), GetCurrentProcess(), &handle,
                             0, FALSE, DUPLICATE_SAME_ACCESS)) {
            if (result != nullptr) *result = ZR_NODUPH;
            return nullptr;
        }
    } else if (kind == ZIP_FILENAME) {
        handle = CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (result != nullptr) *result = ZR_NOFILE;
            return nullptr;
        }
    } else if (kind != ZIP_MEMORY) {
        if (result != nullptr) *result = ZR_ARGS;
        return nullptr;
    }
    ZipSource* zs = new ZipSource();
    if (kind == ZIP_MEMORY) {
        zs->handleSource = false;
        zs->seekable = true;
        zs->handle = nullptr;
        zs->memory = static_cast<const unsigned char*>(source);
        zs->length = source == nullptr ? 0 : length;
        return zs;
    }
    zs->handleSource = true;
    zs->handle = handle;
    zs->seekable = GetFileType(handle) == FILE_TYPE_DISK;
    if (zs->seekable) zs->startOffset = SetFilePointer(handle, 0, nullptr, FILE_CURRENT);
    return zs;
}

int ZipSourceClose(ZipSource* source) {
    if (source == nullptr) return -1;
    if (source->handleSource && source->handle != nullptr && source->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(source->handle);
    }
    delete source;
    return 0;
}

bool ZipSourceHasError(const ZipSource* source) {
    return source != nullptr && source->handleSource && source->readError;
}

long ZipSourceTell(ZipSource* source) {
    if (source->handleSource) {
        if (!source->seekable) return 0;
        return static_cast<long>(SetFilePointer(source->handle, 0, nullptr, FILE_CURRENT) - source->startOffset);
    }
    return static_cast<long>(source->position);
}

int ZipSourceSeek(ZipSource* source, long offset, int origin) {
    if (source->handleSource) {
        if (!source->seekable) return 29;
        switch (origin) {
            case 0: SetFilePointer(source->handle, static_cast<LONG>(source->startOffset + offset), nullptr, FILE_BEGIN); break;
            case 1: SetFilePointer(source->handle, offset, nullptr, FILE_CURRENT); break;
            case 2: SetFilePointer(source->handle, offset, nullptr, FILE_END); break;
            default: return 19;
        }
        return 0;
    }
    switch (origin) {
        case 0: source->position = static_cast<DWORD>(offset); break;
        case 1: source->position += static_cast<DWORD>(offset); break;
        case 2: source->position = source->length + static_cast<DWORD>(offset); break;
        default: return 19;
    }
    return 0;
}

DWORD ZipSourceRead(ZipSource* source, void* buffer, DWORD itemSize, DWORD itemCount) {
    if (itemSize == 0) return 0;
    const unsigned long long wanted = static_cast<unsigned long long>(itemSize) * itemCount;
    if (wanted > 0xFFFFFFFFull) return 0;
    DWORD bytes = static_cast<DWORD>(wanted);
    if (source->handleSource) {
        DWORD read = 0;
        if (!ReadFile(source->handle, buffer, bytes, &read, nullptr)) {
            source->readError = true;
            return 0;
        }
        return read / itemSize;
    }
    if (source->position >= source->length) return 0;
    const DWORD available = source->length - source->position;
    if (bytes > available) bytes = available;
    memcpy(buffer, source->memory + source->position, bytes);
    source->position += bytes;
    return bytes / itemSize;
}

// ---------------------------------------------------------------------------------------------
// CZipReader

CZipReader::CZipReader()
    : m_archive(nullptr), m_source(nullptr), m_openEntry(-1), m_openEntryDone(false),
      m_openEntryDelivered(0), m_cachedInfo(), m_cachedIndex(-1), m_root() {}

CZipReader::~CZipReader() {
    Close();
}

DWORD CZipReader::Open(void* source, DWORD length, DWORD kind) {
    if (m_archive != nullptr || m_openEntry != -1) return ZR_ZOPEN;
    const DWORD folderLength = GetCurrentDirectoryW(MAX_PATH - 1, m_root);
    if (folderLength == 0 || folderLength >= MAX_PATH - 1) m_root[0] = L'\0';
    const size_t rootLength = wcslen(m_root);
    if (rootLength > 0 && !IsSeparator(m_root[rootLength - 1]) && rootLength < MAX_PATH - 1) {
        m_root[rootLength] = L'\\';
        m_root[rootLength + 1] = L'\0';
    }
    if (kind == ZIP_HANDLE && GetFileType(static_cast<HANDLE>(source)) != FILE_TYPE_DISK) return ZR_SEEK;
    DWORD result = ZR_OK;
    ZipSource* zs = ZipSourceOpen(source, length, kind, &result);
    if (zs == nullptr) return result;

    zlib_filefunc_def functions = {};
    functions.zopen_file = SourceOpen;
    functions.zread_file = SourceRead;
    functions.zwrite_file = SourceWrite;
    functions.ztell_file = SourceTell;
    functions.zseek_file = SourceSeek;
    functions.zclose_file = SourceCloseFile;
    functions.zerror_file = SourceError;
    functions.opaque = zs;
    unzFile archive = unzOpen2("zip", &functions);
    if (archive == nullptr) {
        ZipSourceClose(zs);
        return static_cast<DWORD>(UNZ_BADZIPFILE);
    }
    m_archive = archive;
    m_source = zs;
    m_cachedIndex = -1;
    return ZR_OK;
}

int CZipReader::EntryCount() const {
    unz_global_info global = {};
    if (unzGetGlobalInfo(Archive(m_archive), &global) != UNZ_OK) return 0;
    return static_cast<int>(global.number_entry);
}

// Makes an entry the current one and describes it.
DWORD CZipReader::Select(int index, ZipItemInfoA* info) {
    if (index >= EntryCount()) return ZR_ARGS;
    if (!GoTo(index)) return ZR_CORRUPT;
    return Describe(index, info);
}

void CZipReader::CloseEntry() {
    if (m_openEntry != -1 && !m_openEntryDone) unzCloseCurrentFile(Archive(m_archive));
    m_openEntry = -1;
    m_openEntryDone = false;
    m_openEntryDelivered = 0;
}

bool CZipReader::GoTo(int index) {
    unzFile archive = Archive(m_archive);
    unz_file_pos position = {};
    int current = -1;
    if (unzGetFilePos(archive, &position) == UNZ_OK) current = static_cast<int>(position.num_of_file);
    if (current < 0 || index < current) {
        if (unzGoToFirstFile(archive) != UNZ_OK) return false;
        current = 0;
    }
    while (current < index) {
        if (unzGoToNextFile(archive) != UNZ_OK) return false;
        ++current;
    }
    return true;
}

DWORD CZipReader::Describe(int index, ZipItemInfoA* info) {
    unzFile archive = Archive(m_archive);
    ZipItemInfoA item = {};
    item.index = index;
    unz_file_info file = {};
    // One byte is kept back for the terminator, so a name of the full buffer size is cut.
    if (unzGetCurrentFileInfo(archive, &file, item.name, kMaxNameBytes - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return ZR_CORRUPT;
    }
    item.name[kMaxNameBytes - 1] = '\0';
    if (file.size_filename < static_cast<uLong>(kMaxNameBytes - 1)) item.name[file.size_filename] = '\0';
    item.attributes = AttributesFrom(file.external_fa);
    item.packedSize = file.compressed_size;
    item.unpackedSize = file.uncompressed_size;
    FILETIME dosTime = {};
    DosDateTimeToFileTime(static_cast<WORD>(file.dosDate >> 16), static_cast<WORD>(file.dosDate & 0xFFFF), &dosTime);
    item.accessTime = item.creationTime = item.modifyTime = dosTime;

    // The local extra field is read by opening the entry; nothing is inflated.
    if (unzOpenCurrentFile(archive) != UNZ_OK) return ZR_READ;
    const int extraSize = unzGetLocalExtrafield(archive, nullptr, 0);
    if (extraSize < 0) {
        unzCloseCurrentFile(archive);
        return ZR_READ;
    }
    if (extraSize > 0) {
        unsigned char* extra = new unsigned char[extraSize];
        const int got = unzGetLocalExtrafield(archive, extra, static_cast<unsigned>(extraSize));
        if (got != extraSize) {
            delete[] extra;
            unzCloseCurrentFile(archive);
            return ZR_READ;
        }
        ApplyExtendedTimes(extra, extraSize, &item);
        delete[] extra;
    }
    unzCloseCurrentFile(archive);

    *info = item;
    m_cachedInfo = item;
    m_cachedIndex = index;
    return ZR_OK;
}

DWORD CZipReader::GetItem(int index, ZipItemInfoA* info) {
    if (m_archive == nullptr || info == nullptr) return ZR_ARGS;
    const int count = EntryCount();
    if (index < -1 || index >= count) return ZR_ARGS;
    CloseEntry();
    if (index != -1 && index == m_cachedIndex) {
        *info = m_cachedInfo;
        return ZR_OK;
    }
    if (index == -1) {
        memset(info, 0, sizeof(*info));
        info->index = count;
        return ZR_OK;
    }
    return Select(index, info);
}

DWORD CZipReader::FindItem(const wchar_t* name, bool ignoreCase, int* index, ZipItemInfoA* info) {
    if (m_archive == nullptr || name == nullptr) return ZR_ARGS;
    // A search always starts from a closed entry, so no read left half-way (a short buffer or
    // a failed check) is continued by the next unzip of the same entry.
    CloseEntry();
    unzFile archive = Archive(m_archive);
    int found = -1;
    if (wcslen(name) < 256) {
        char narrow[kMaxNameBytes * 2];
        ZipNameToAnsi(name, narrow, sizeof(narrow));
        if (narrow[0] != '\0' && unzLocateFile(archive, narrow, ignoreCase ? 2 : 1) == UNZ_OK) {
            unz_file_pos position = {};
            if (unzGetFilePos(archive, &position) == UNZ_OK) found = static_cast<int>(position.num_of_file);
        }
    }
    if (found < 0) {
        if (index != nullptr) *index = -1;
        if (info != nullptr) {
            memset(info, 0, sizeof(*info));
            info->index = -1;
        }
        return ZR_NOTFOUND;
    }
    if (index != nullptr) *index = found;
    if (info == nullptr) return ZR_OK;
    return GetItem(found, info);
}

DWORD CZipReader::Unzip(int index, void* target, DWORD length, DWORD kind, DWORD* written) {
    if (written != nullptr) *written = 0;
    if (m_archive == nullptr || index < 0) return ZR_ARGS;
    if (kind == ZIP_MEMORY) {
        if (target == nullptr && length > 0) return ZR_ARGS;   // nowhere to put the data
        return UnzipToMemory(index, target, length, written);
    }
    if (kind == ZIP_HANDLE || kind == ZIP_FILENAME) return UnzipToFile(index, target, kind);
    return ZR_ARGS;
}

DWORD CZipReader::UnzipToMemory(int index, void* target, DWORD length, DWORD* written) {
    unzFile archive = Archive(m_archive);
    if (index != m_openEntry) {
        CloseEntry();
        ZipItemInfoA info = {};
        const DWORD selected = Select(index, &info);
        if (selected != ZR_OK) return selected;
        if (unzOpenCurrentFile(archive) != UNZ_OK) return ZR_FLATE;
        m_openEntry = index;
        m_openEntryDone = false;
        m_openEntryDelivered = 0;
    }
    if (m_openEntryDone) {
        // Everything was delivered and checked by the previous call.
        CloseEntry();
        return ZR_OK;
    }
    unsigned char* out = static_cast<unsigned char*>(target);
    DWORD delivered = 0;
    bool atEnd = false;
    while (delivered < length) {
        const DWORD piece = length - delivered > 0x40000000u ? 0x40000000u : length - delivered;
        const int got = unzReadCurrentFile(archive, out + delivered, piece);
        if (got < 0) {
            CloseEntry();
            if (written != nullptr) *written = delivered;
            return ZR_FLATE;
        }
        if (got == 0) {
            atEnd = true;
            break;
        }
        delivered += static_cast<DWORD>(got);
    }
    if (written != nullptr) *written = delivered;
    m_openEntryDelivered += delivered;
    if (atEnd) {
        // The whole entry went through: it must have its stated size and checksum.
        const int closed = unzCloseCurrentFile(archive);
        m_openEntryDone = true;
        const bool complete = m_openEntryDelivered == m_cachedInfo.unpackedSize;
        if (closed != UNZ_OK || !complete) {
            CloseEntry();
            return ZR_FLATE;
        }
        if (delivered == 0) {
            CloseEntry();
            return ZR_OK;
        }
    }
    return delivered > 0 ? ZR_MORE : ZR_OK;
}

DWORD CZipReader::UnzipToFile(int index, void* target, DWORD kind) {
    unzFile archive = Archive(m_archive);
    CloseEntry();
    ZipItemInfoA info = {};
    const DWORD selected = Select(index, &info);
    if (selected != ZR_OK) return selected;

    if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (kind == ZIP_FILENAME) {
            wchar_t folder[MAX_PATH] = {};
            ZipNameToWide(info.name, folder, MAX_PATH);
            if (IsUnsafePath(folder)) return ZR_ARGS;
            CreateDirectories(m_root, folder);
        }
        return ZR_OK;
    }

    HANDLE file = static_cast<HANDLE>(target);
    if (kind == ZIP_FILENAME) {
        const wchar_t* name = static_cast<const wchar_t*>(target);
        if (name == nullptr || HasParentStep(name)) return ZR_ARGS;
        const wchar_t* lastSeparator = nullptr;
        for (const wchar_t* p = name; *p != L'\0'; ++p) {
            if (IsSeparator(*p)) lastSeparator = p;
        }
        if (lastSeparator != nullptr && !IsUnsafePath(name)) {
            const size_t folderLength = static_cast<size_t>(lastSeparator - name);
            if (folderLength < MAX_PATH) {
                wchar_t folder[MAX_PATH] = {};
                wmemcpy(folder, name, folderLength);
                CreateDirectories(m_root, folder);
            }
        }
        file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, info.attributes, nullptr);
        if (file == INVALID_HANDLE_VALUE) return ZR_NOFILE;
    }

    bool failed = unzOpenCurrentFile(archive) != UNZ_OK;
    if (!failed) {
        unsigned char* buffer = new unsigned char[kChunk];
        DWORD total = 0;
        for (;;) {
            const int got = unzReadCurrentFile(archive, buffer, kChunk);
            if (got < 0) {
                failed = true;
                break;
            }
            if (got == 0) break;
            DWORD put = 0;
            if (!WriteFile(file, buffer, static_cast<DWORD>(got), &put, nullptr) || put != static_cast<DWORD>(got)) {
                failed = true;
                break;
            }
            total += put;
        }
        delete[] buffer;
        if (unzCloseCurrentFile(archive) != UNZ_OK) failed = true;
        if (total != info.unpackedSize) failed = true;
    }
    if (!failed && GetFileType(file) == FILE_TYPE_DISK) {
        SetFileTime(file, &info.creationTime, &info.accessTime, &info.modifyTime);
    }
    if (kind == ZIP_FILENAME) CloseHandle(file);
    return failed ? ZR_WRITE : ZR_OK;
}

DWORD CZipReader::Close() {
    if (m_archive != nullptr) {
        CloseEntry();
        unzClose(Archive(m_archive));
        m_archive = nullptr;
    }
    if (m_source != nullptr) {
        ZipSourceClose(m_source);
        m_source = nullptr;
    }
    m_openEntry = -1;
    m_cachedIndex = -1;
    return ZR_OK;
}

bool CZipReader::IsUnsafePath(const wchar_t* path) {
    if (path == nullptr) return true;
    if (IsSeparator(path[0])) return true;
    if (path[0] != L'\0' && path[1] == L':') return true;
    return HasParentStep(path);
}

bool CZipReader::HasParentStep(const wchar_t* path) {
    if (path == nullptr) return false;
    // A ".." step anywhere: at the start or after a separator, up to a separator or the end.
    const wchar_t* p = path;
    while (*p != L'\0') {
        const wchar_t* end = p;
        while (*end != L'\0' && !IsSeparator(*end)) ++end;
        if (end - p == 2 && p[0] == L'.' && p[1] == L'.') return true;
        p = *end == L'\0' ? end : end + 1;
    }
    return false;
}

void CZipReader::CreateDirectories(const wchar_t* root, const wchar_t* path) {
    if (root == nullptr || path == nullptr) return;
    const size_t rootLength = wcslen(root);
    const size_t pathLength = wcslen(path);
    if (rootLength + pathLength >= MAX_PATH) return;
    wchar_t folder[MAX_PATH] = {};
    wmemcpy(folder, root, rootLength);
    for (size_t i = 0; i < pathLength; ++i) {
        if (IsSeparator(path[i]) && i > 0) {
            wmemcpy(folder + rootLength, path, i);
            folder[rootLength + i] = L'\0';
            CreateDirectoryW(folder, nullptr);
        }
    }
    wmemcpy(folder + rootLength, path, pathLength);
    folder[rootLength + pathLength] = L'\0';
    CreateDirectoryW(folder, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Handle functions

ZipHandle* ZipOpen(void* source, DWORD length, DWORD kind) {
    CZipReader* reader = new CZipReader();
    const DWORD result = reader->Open(source, length, kind);
    g_lastResult = result;
    if (result != ZR_OK) {
        delete reader;
        return nullptr;
    }
    return new ZipHandle{1, reader};
}

static DWORD CheckHandle(ZipHandle* handle) {
    if (handle == nullptr) return ZR_ARGS;
    if (handle->kind != 1) return ZR_NOTMMAP;
    return ZR_OK;
}

DWORD ZipFindItem(ZipHandle* handle, const wchar_t* name, bool ignoreCase, int* index, ZipItemInfo* info) {
    DWORD result = CheckHandle(handle);
    if (result == ZR_OK) {
        ZipItemInfoA narrow = {};
        result = handle->reader->FindItem(name, ignoreCase, index, info != nullptr ? &narrow : nullptr);
        if (info != nullptr) {
            info->index = narrow.index;
            ZipNameToWide(narrow.name, info->name, MAX_PATH);
            info->attributes = narrow.attributes;
            info->accessTime = narrow.accessTime;
            info->creationTime = narrow.creationTime;
            info->modifyTime = narrow.modifyTime;
            info->packedSize = narrow.packedSize;
            info->unpackedSize = narrow.unpackedSize;
        }
    }
    g_lastResult = result;
    return result;
}

DWORD ZipUnzipItem(ZipHandle* handle, int index, void* target, DWORD length, DWORD kind, DWORD* written) {
    if (written != nullptr) *written = 0;
    DWORD result = CheckHandle(handle);
    if (result == ZR_OK) result = handle->reader->Unzip(index, target, length, kind, written);
    g_lastResult = result;
    return result;
}

DWORD ZipClose(ZipHandle* handle) {
    DWORD result = CheckHandle(handle);
    if (result == ZR_OK) {
        result = handle->reader->Close();
        delete handle->reader;
        delete handle;
    }
    g_lastResult = result;
    return result;
}

DWORD ZipLastResult() {
    return g_lastResult;
}

void ZipNameToAnsi(const wchar_t* name, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return;
    memset(buffer, 0, static_cast<size_t>(size));
    if (name == nullptr) return;
    // The last byte stays 0, so the result is always terminated.
    WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, size - 1, nullptr, nullptr);
    buffer[size - 1] = '\0';
}

void ZipNameToWide(const char* name, wchar_t* buffer, int count) {
    if (buffer == nullptr || count <= 0) return;
    wmemset(buffer, L'\0', static_cast<size_t>(count));
    if (name == nullptr) return;
    MultiByteToWideChar(CP_ACP, 0, name, -1, buffer, count - 1);
    buffer[count - 1] = L'\0';
}

bool ZipTimeToFileTime(long seconds, FILETIME* result) {
    // Seconds since 1970 as a UTC file time, then as local time (what localtime would give),
    // without localtime's failure for times before 1970.
    const long long ticks = (static_cast<long long>(seconds) + 11644473600LL) * 10000000LL;
    if (ticks < 0) return false;
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) return false;
    *result = local;
    return true;
}

}  // namespace UIToolkit
