#include "inet_session.h"

#include <vector>

std::wstring CInternetException::GetErrorMessage() const {
    wchar_t buffer[1024] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleW(L"wininet.dll"), error_, 0, buffer, 1024, nullptr);
    if (n == 0) {
        n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error_, 0,
                           buffer, 1024, nullptr);
    }
    return std::wstring(buffer, n);
}

bool ParseUrl(const std::wstring& url, ParsedUrl& out) {
    if (url.empty()) return false;
    std::vector<wchar_t> host(url.size() + 1), path(url.size() + 1), extra(url.size() + 1);
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    if (parts.dwHostNameLength == 0) return false;
    out.scheme = parts.nScheme;
    out.server.assign(host.data(), parts.dwHostNameLength);
    out.object.assign(path.data(), parts.dwUrlPathLength);
    out.object.append(extra.data(), parts.dwExtraInfoLength);
    if (out.object.empty() || out.object[0] != L'/') out.object.insert(0, L"/");
    out.port = parts.nPort;
    return true;
}

void CInternetHandle::Close() {
    if (handle_) {
        InternetCloseHandle(handle_);
        handle_ = nullptr;
    }
}

CInternetSession::CInternetSession(const wchar_t* agent, DWORD_PTR context)
    : handle_(InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)), context_(context) {
    if (!handle_.Get()) throw CInternetException(GetLastError());
}

CInternetSession::~CInternetSession() { Close(); }

void CInternetSession::Close() {
    if (callbackOn_ && handle_.Get()) InternetSetStatusCallbackW(handle_.Get(), nullptr);
    callbackOn_ = false;
    handle_.Close();
}

void CInternetSession::EnableStatusCallback(bool enable) {
    if (!handle_.Get() || enable == callbackOn_) return;
    INTERNET_STATUS_CALLBACK cb = enable ? &CInternetSession::StatusThunk : nullptr;
    if (InternetSetStatusCallbackW(handle_.Get(), cb) == INTERNET_INVALID_STATUS_CALLBACK) {
        throw CInternetException(GetLastError());
    }
    callbackOn_ = enable;
}

void CInternetSession::OnStatusCallback(DWORD_PTR, DWORD, void*, DWORD) {}

// The context of every handle opened through a session is the session itself.
void CALLBACK CInternetSession::StatusThunk(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length) {
    if (context) reinterpret_cast<CInternetSession*>(context)->OnStatusCallback(context, status, info, length);
}

CHttpConnection::CHttpConnection(CInternetSession& session, const std::wstring& server, INTERNET_PORT port)
    : session_(session),
      handle_(InternetConnectW(session.Get(), server.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                               reinterpret_cast<DWORD_PTR>(&session))) {
    if (!handle_.Get()) throw CInternetException(GetLastError());
}

CHttpFile::CHttpFile(CHttpConnection& connection, const wchar_t* verb, const std::wstring& object, DWORD flags)
    : handle_(HttpOpenRequestW(connection.Get(), verb, object.c_str(), L"HTTP/1.0", nullptr, nullptr, flags,
                               reinterpret_cast<DWORD_PTR>(&connection.Session()))) {
    if (!handle_.Get()) throw CInternetException(GetLastError());
}

void CHttpFile::AddRequestHeaders(const std::wstring& headers, DWORD modifiers) {
    if (!HttpAddRequestHeadersW(handle_.Get(), headers.c_str(), static_cast<DWORD>(headers.size()), modifiers)) {
        throw CInternetException(GetLastError());
    }
}

void CHttpFile::SendRequest() {
    if (!HttpSendRequestW(handle_.Get(), nullptr, 0, nullptr, 0)) throw CInternetException(GetLastError());
}

DWORD CHttpFile::QueryStatusCode() {
    DWORD code = 0, size = sizeof code;
    if (!HttpQueryInfoW(handle_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) {
        throw CInternetException(GetLastError());
    }
    return code;
}

bool CHttpFile::QueryInfo(DWORD level, std::wstring& value) {
    DWORD size = 0;
    HttpQueryInfoW(handle_.Get(), level, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    if (!HttpQueryInfoW(handle_.Get(), level, buffer.data(), &size, nullptr)) return false;
    value.assign(buffer.data(), size / sizeof(wchar_t));
    return true;
}

DWORD CHttpFile::Read(void* buffer, DWORD size) {
    DWORD got = 0;
    if (!InternetReadFile(handle_.Get(), buffer, size, &got)) throw CInternetException(GetLastError());
    return got;
}

DWORD CHttpFile::DataAvailable() {
    DWORD available = 0;
    if (!InternetQueryDataAvailable(handle_.Get(), &available, 0, 0)) return 0;
    return available;
}
