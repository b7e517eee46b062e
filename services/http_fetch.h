// Page fetch into memory (HttpPost) and download of one response body into a file (MusicDown),
// both single GET requests over CHttpRequest, and the file that MusicDown writes (CTargetFile).
#pragma once

#include <string>

#include "http_socket.h"
#include "win_owners.h"

// Largest response body that is fetched into memory or into a file by these classes.
const unsigned long long kMaxFetchBodyBytes = 64ull * 1024 * 1024;

// A file written at explicit offsets. A new file is given its expected size before the first
// write; an existing file is opened as it is (neither truncated nor resized).
class CTargetFile {
public:
    CTargetFile();
    ~CTargetFile();  // closes
    CTargetFile(const CTargetFile&) = delete;
    CTargetFile& operator=(const CTargetFile&) = delete;

    // Sets the path and the expected size (0: unknown); closes a file that was open.
    void SetFile(const std::wstring& path, unsigned long expectedSize);
    // Opens (or creates) the file unless it is open already; whether it is open.
    bool Open();
    // Writes count bytes at offset from the start of the file, opening it when needed; count
    // becomes the number of bytes written. True only when every byte was written.
    bool WriteAt(const void* data, unsigned long& count, unsigned long long offset);
    // Cuts the open file to length bytes.
    bool Truncate(unsigned long long length);
    void Close();
    bool IsOpen() const { return m_file.IsValid(); }
    const std::wstring& GetPath() const { return m_path; }

private:
    CScopedHandle m_file;
    std::wstring m_path;
    unsigned long m_expectedSize;
};

// GET requests whose body is kept in memory or ignored. (It sends GET only, despite its name.)
class HttpPost : public CHttpRequest {
public:
    // body null on entry: GETs url and, when a whole header came (any status: an error page is
    // a body too) and the body's length is sound, stores a new array (delete[] by the caller)
    // holding the whole body followed by two zero bytes. A chunked body is decoded and ends with
    // its last chunk; a response without Content-Length otherwise is read until the server
    // closes. False, with body left null, when the connection fails, the header does not arrive
    // whole, the announced length exceeds kMaxFetchBodyBytes, the body has a transfer coding
    // other than chunks, or the body ends early (before its announced length or its last chunk).
    // body set on entry: CHttpRequest::Get into that buffer (at most 1024 bytes).
    bool FetchToMemory(const std::string& url, char*& body);
};

// Downloads one response body into a file.
class MusicDown : public CHttpRequest {
public:
    MusicDown();
    ~MusicDown();

    // The file that DownloadToFile writes.
    bool SetTargetFile(const std::wstring& path);
    // GETs url and writes its body into the target file. Returns:
    //  - true after the whole body was written (the file then holds exactly the body; a body of
    //    no bytes writes no file);
    //  - true, without touching the file, for a redirect (3xx with a Location field): the
    //    location is kept (GetRedirectLocation) and not followed;
    //  - false when the connection fails, the header does not arrive whole, the status is not
    //    2xx, a 3xx has no Location, the announced length exceeds kMaxFetchBodyBytes, the file
    //    cannot be written, or the body ends early (the partial file is then deleted).
    // The second argument is not used.
    bool DownloadToFile(const std::wstring& url, int unused = 1024000);

    // Content-Length of the last download (0 before its header is read).
    unsigned long GetContentLength() const { return m_contentLength; }
    // Spare text that the REST calls reset before each use.
    void SetSpareText(const std::wstring& text) { m_spare = text; }
    const std::wstring& GetSpareText() const { return m_spare; }

private:
    bool ReceiveBodyToFile(CTargetFile& file, bool lengthKnown, unsigned long long& written);

    std::wstring m_spare;
    std::wstring m_userAgentText;  // empty: nothing in the player sets it
    std::wstring m_acceptText;     // empty: nothing in the player sets it
    unsigned long m_contentLength;
    std::wstring m_targetFile;
};
