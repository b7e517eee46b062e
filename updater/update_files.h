// The file list of an update server: one entry per file that an installation should have,
// where it goes, and whether the local copy needs the server's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "win_owners.h"

class CUpdateFile {
public:
    explicit CUpdateFile(std::wstring fullLocalPath = {});
    virtual ~CUpdateFile() = default;

    // Fills this record from the local file at the full local path: size, name, version texts and
    // last-write time. True when the version or the time could be read.
    bool GetLocalFileInfo();
    // Decides (and keeps in NeedUpdate) whether the file at the full local path must be fetched.
    bool CheckNeedUpdate();

    static HRESULT GetVersionStrings(const std::wstring& path, CUpdateFile& record);
    static HRESULT GetLastWriteTime(const std::wstring& path, FILETIME& time);
    static bool FileExists(const std::wstring& path);

    VS_FIXEDFILEINFO fixedInfo{};
    int64_t Length = 0;
    std::wstring FileName;
    std::wstring FileVersion;
    std::wstring ProductVersion;
    bool Register = false;
    std::wstring InstallDir = L"CURRENTDIR";
    bool ZipFile = false;
    bool ForceOverwrite = false;
    bool Execute = false;
    std::wstring ExecutePar;
    std::wstring LocalPath;
    FILETIME FileDate{};
    std::wstring fullLocalPath;
    std::wstring URL;
    std::wstring UserName;
    std::wstring Password;
    bool NeedUpdate = false;
};

// Compares two dotted versions ("a.b.c.d") part by part as numbers; an empty version is lower
// than any other. Returns -1, 0 or 1.
int CompareVersions(const std::wstring& a, const std::wstring& b);

// Reads a decimal number as the C runtime's strtol does in base 10, clamped to 32 bits.
long ParseListNumber(const std::wstring& text);
// Reads a decimal number as the C runtime's strtoul does in base 10 for 32 bits: the halves of a
// file date, which lists write with "%u", come back whole (above 2^32-1: 2^32-1; a minus sign
// negates modulo 2^32).
DWORD ParseListUnsigned(const std::wstring& text);

// Where the entries of a list may be installed.
struct InstallFolders {
    std::wstring updater;  // the updater's own folder, no trailing backslash
    std::wstring windows;
    std::wstring system;
    static InstallFolders OfThisProcess();
};

// The target path of an entry below its base folder; empty when the entry's FileName or
// LocalPath would lead outside that folder (parent steps, drive letters, other roots, ":").
std::wstring ResolveTargetPath(const InstallFolders& folders, const std::wstring& installDir,
                               const std::wstring& localPath, const std::wstring& fileName);

struct IXMLDOMNodeList;

class CUpdateFiles {
public:
    CUpdateFiles();
    explicit CUpdateFiles(InstallFolders folders);
    ~CUpdateFiles();
    CUpdateFiles(const CUpdateFiles&) = delete;
    CUpdateFiles& operator=(const CUpdateFiles&) = delete;

    // Loads a downloaded file list; true when it parsed and every "File" element was read.
    // COM must be initialised on the calling thread.
    bool LoadFromXml(const std::wstring& path);
    bool ParseFileNodes(IXMLDOMNodeList* nodes);
    // Keeps the entries that need an update; returns how many there are.
    size_t RemoveUpToDate();
    // Sum of the low 32 bits of Length over the entries to update, modulo 2^32.
    DWORD GetTotalLength();
    // Takes out the first entry (the caller owns it), or null.
    CUpdateFile* PopHead();
    size_t GetCount();
    // FileNames of the entries that the last load refused because of their target path.
    const std::vector<std::wstring>& Refused() const { return refused_; }
    void Clear();

private:
    std::list<CUpdateFile*> files_;
    CSectionLock lock_;
    InstallFolders folders_;
    std::vector<std::wstring> refused_;
};
