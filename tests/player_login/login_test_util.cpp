#include "login_test_util.h"

#include <windows.h>

#include "standin_client.h"
#include "test_files.h"
#include "vela_deployment.h"

namespace logintest {

void WriteSettings(const std::wstring& folder, const char* a, const char* b, const std::wstring& c) {
    CreateDirectoryW(folder.c_str(), nullptr);
    // The installed file is in the ANSI code page, as the private-profile functions write it.
    std::string text = "[Option]\r\na=0\r\nf=c:\\\r\n[Login]\r\na=" + std::string(a) + "\r\nb=" + b +
                       "\r\nc=" + testfiles::ToAnsi(c) + "\r\n";
    testfiles::WriteAll(folder + L"\\Set.ini", text);
}

std::wstring SettingOf(const std::wstring& folder, const wchar_t* key) {
    wchar_t value[512] = {};
    GetPrivateProfileStringW(L"Login", key, L"<none>", value, 512, (folder + L"\\Set.ini").c_str());
    return value;
}

void ClearDataFolder() {
    const std::wstring folder = testfiles::PlayerDataFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"Set.ini", L"data", L"login", L"logout"}) DeleteFileW((folder + L"\\" + name).c_str());
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::vector<std::string> RestRequestLines(const std::string& method) {
    std::vector<std::string> lines;
    for (const std::string& entry : standin::RequestsMatching("/api/rest/?method=" + method + "&")) {
        lines.push_back(entry.substr(0, entry.find("\r\n")));
    }
    return lines;
}

std::string SignedParams(const std::string& requestLine) {
    const std::string key = std::string("&api_key=") + VELA_API_KEY;
    size_t start = requestLine.find(key);
    size_t end = requestLine.find("&api_sig=");
    if (start == std::string::npos || end == std::string::npos || end < start) return std::string();
    start += key.size();
    return requestLine.substr(start, end - start);
}

bool SignatureOk(const std::string& method) {
    std::vector<std::string> entries = standin::RequestsMatching("/api/rest/?method=" + method + "&");
    if (entries.empty()) return false;
    for (const std::string& entry : entries) {
        if (entry.find("X-Standin-Note: signature=ok") == std::string::npos) return false;
    }
    return true;
}

}  // namespace logintest
