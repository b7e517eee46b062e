// Thin owners of WinINet handles for the updater's downloads: session, HTTP connection and
// request, the exception they throw, and URL splitting.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

// A failed WinINet call: the system's error code.
class CInternetException {
public:
    explicit CInternetException(DWORD error) : error_(error) {}
    DWORD GetError() const { return error_; }
    // The system's message for the error (empty when it has none).
    std::wstring GetErrorMessage() const;

private:
    DWORD error_;
};

// The parts of a URL that a download needs.
struct ParsedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring server;
    std::wstring object;  // path and query, "/" at least
    INTERNET_PORT port = 0;
};

// Splits an absolute URL; false when it cannot be parsed or names no server.
bool ParseUrl(const std::wstring& url, ParsedUrl& out);

// Owns one HINTERNET and closes it.
class CInternetHandle {
public:
    CInternetHandle() = default;
    explicit CInternetHandle(HINTERNET h) : handle_(h) {}
    ~CInternetHandle() { Close(); }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    HINTERNET Get() const { return handle_; }
    void Close();

private:
    HINTERNET handle_ = nullptr;
};

class CHttpConnection;

class CInternetSession {
public:
    // Opens the session with the system's configured access (its proxy settings).
    CInternetSession(const wchar_t* agent, DWORD_PTR context);
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // Routes WinINet's status notifications of this session to OnStatusCallback.
    void EnableStatusCallback(bool enable);
    HINTERNET Get() const { return handle_.Get(); }
    DWORD_PTR Context() const { return context_; }
    void Close();

protected:
    virtual void OnStatusCallback(DWORD_PTR context, DWORD status, void* info, DWORD infoLength);

private:
    static void CALLBACK StatusThunk(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length);

    CInternetHandle handle_;
    DWORD_PTR context_;
    bool callbackOn_ = false;
};

class CHttpConnection {
public:
    CHttpConnection(CInternetSession& session, const std::wstring& server, INTERNET_PORT port);
    HINTERNET Get() const { return handle_.Get(); }
    CInternetSession& Session() const { return session_; }

private:
    CInternetSession& session_;
    CInternetHandle handle_;
};

// One HTTP request and its reply body.
class CHttpFile {
public:
    CHttpFile(CHttpConnection& connection, const wchar_t* verb, const std::wstring& object, DWORD flags);

    void AddRequestHeaders(const std::wstring& headers, DWORD modifiers);
    void SendRequest();
    DWORD QueryStatusCode();
    // The header value asked for by an HTTP_QUERY_* level; false when the reply has none.
    bool QueryInfo(DWORD level, std::wstring& value);
    // Reads up to size bytes; 0 at the end of the body.
    DWORD Read(void* buffer, DWORD size);
    // Bytes that can be read without waiting; 0 when none are at hand yet or the body ended.
    DWORD DataAvailable();

private:
    CInternetHandle handle_;
};
