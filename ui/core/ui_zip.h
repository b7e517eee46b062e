// Reader of the resource zip archive: a byte source over a file handle, a file name or a memory
// block, an archive object over minizip, and the handle functions the framework calls.
#pragma once

#include <windows.h>

namespace UIToolkit {

// Result codes (0 = success). Opening may also give the archive layer's negative codes.
enum : DWORD {
    ZR_OK = 0x00000000,
    ZR_NODUPH = 0x00000100,     // the handle to read from could not be duplicated
    ZR_NOFILE = 0x00000200,     // the archive or a target file could not be opened or created
    ZR_WRITE = 0x00000400,      // writing an unpacked file or reading its data failed
    ZR_NOTFOUND = 0x00000500,   // no entry of that name
    ZR_MORE = 0x00000600,       // unpacking to memory delivered data; more may follow
    ZR_CORRUPT = 0x00000700,    // the entry's header could not be read
    ZR_READ = 0x00000800,       // the entry's extra field could not be read
    ZR_ARGS = 0x00010000,       // bad argument
    ZR_NOTMMAP = 0x00080000,    // the handle is not of the zip kind
    ZR_ZOPEN = 0x01000000,      // the reader already has an archive open
    ZR_SEEK = 0x02000000,       // a handle that is not a disk file was given to open an archive
    ZR_FLATE = 0x05000000,      // inflating the entry failed (also a short entry or a CRC error)
};

// Source and target kinds.
enum : DWORD {
    ZIP_HANDLE = 1,
    ZIP_FILENAME = 2,
    ZIP_MEMORY = 3,
};

// Byte source handed to minizip as its file functions.
struct ZipSource {
    bool handleSource;
    bool seekable;
    HANDLE handle;
    bool readError;
    DWORD startOffset;
    const unsigned char* memory;
    DWORD length;
    DWORD position;
};

ZipSource* ZipSourceOpen(void* source, DWORD length, DWORD kind, DWORD* result);
int ZipSourceClose(ZipSource* source);
bool ZipSourceHasError(const ZipSource* source);
long ZipSourceTell(ZipSource* source);
int ZipSourceSeek(ZipSource* source, long offset, int origin);
DWORD ZipSourceRead(ZipSource* source, void* buffer, DWORD itemSize, DWORD itemCount);

struct ZipItemInfoA {
    int index;
    char name[MAX_PATH];
    DWORD attributes;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME modifyTime;
    DWORD packedSize;
    DWORD unpackedSize;
};

struct ZipItemInfo {
    int index;
    wchar_t name[MAX_PATH];
    DWORD attributes;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME modifyTime;
    DWORD packedSize;
    DWORD unpackedSize;
};

class CZipReader {
public:
    CZipReader();
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;
    ~CZipReader();

    DWORD Open(void* source, DWORD length, DWORD kind);
    DWORD GetItem(int index, ZipItemInfoA* info);
    DWORD FindItem(const wchar_t* name, bool ignoreCase, int* index, ZipItemInfoA* info);
    // written (optional) receives the number of bytes delivered by this call.
    DWORD Unzip(int index, void* target, DWORD length, DWORD kind, DWORD* written = nullptr);
    DWORD Close();

    static void CreateDirectories(const wchar_t* root, const wchar_t* path);
    // True for a path that begins with "/" or "\", has ":" as second character, or holds a
    // ".." step. Entry names of that kind are refused; a target file name given by the caller
    // may be absolute (no folders are made for it) but never holds a ".." step.
    static bool IsUnsafePath(const wchar_t* path);
    static bool HasParentStep(const wchar_t* path);

private:
    int EntryCount() const;
    bool GoTo(int index);
    DWORD Describe(int index, ZipItemInfoA* info);
    DWORD Select(int index, ZipItemInfoA* info);
    void CloseEntry();
    DWORD UnzipToMemory(int index, void* target, DWORD length, DWORD* written);
    DWORD UnzipToFile(int index, void* target, DWORD kind);

    void* m_archive;     // minizip's unzFile
    ZipSource* m_source;
    int m_openEntry;
    bool m_openEntryDone;          // the open entry was read to its end and checked
    DWORD m_openEntryDelivered;    // bytes of the open entry delivered so far
    ZipItemInfoA m_cachedInfo;
    int m_cachedIndex;
    wchar_t m_root[MAX_PATH];
};

struct ZipHandle {
    DWORD kind;   // 1 = zip reader
    CZipReader* reader;
};

ZipHandle* ZipOpen(void* source, DWORD length, DWORD kind);
DWORD ZipFindItem(ZipHandle* handle, const wchar_t* name, bool ignoreCase, int* index,
                  ZipItemInfo* info);
DWORD ZipUnzipItem(ZipHandle* handle, int index, void* target, DWORD length, DWORD kind,
                   DWORD* written = nullptr);
DWORD ZipClose(ZipHandle* handle);
DWORD ZipLastResult();

void ZipNameToAnsi(const wchar_t* name, char* buffer, int size);
void ZipNameToWide(const char* name, wchar_t* buffer, int count);
// False when the time cannot be represented; the FILETIME is then left unchanged.
bool ZipTimeToFileTime(long seconds, FILETIME* result);

}  // namespace UIToolkit
