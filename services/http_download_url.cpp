#include "http_download_url.h"

#include <windows.h>

#include <cstring>

#include "local_helpers.h"

namespace {

const char kScheme[] = "http://";

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    return text.size() >= n && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), static_cast<int>(n),
                                              prefix, static_cast<int>(n)) == CSTR_EQUAL;
}

bool ParsePort(const std::string& digits, int& port) {
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

bool NeedsEscape(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}#", c) != nullptr;
}

}  // namespace

bool SplitHttpUrl(const std::string& url, std::string& host, int& port, std::string& directory,
                  std::string& file) {
    std::string whole = Trim(url);
    if (!StartsWithNoCase(whole, kScheme)) {
        if (whole.find("://") != std::string::npos && whole.find("://") < whole.find('/'))
            return false;  // https and other schemes are not spoken here
        whole.insert(0, kScheme);
    }
    const size_t hostStart = sizeof kScheme - 1;
    size_t pathStart = whole.find_first_of("/?", hostStart);
    if (pathStart != std::string::npos && whole[pathStart] == '?') whole.insert(pathStart, "/");
    std::string authority = whole.substr(hostStart, pathStart == std::string::npos ? std::string::npos
                                                                                   : pathStart - hostStart);
    int parsedPort = 80;
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos) {
        if (!ParsePort(authority.substr(colon + 1), parsedPort)) return false;
        authority.erase(colon);
    }
    if (authority.empty()) return false;
    if (pathStart == std::string::npos) {
        whole += '/';
        pathStart = whole.size() - 1;
    }
    // The last '/' of the path, not of a query that follows it.
    size_t queryStart = whole.find('?', pathStart);
    size_t lastSlash = whole.rfind('/', queryStart == std::string::npos ? std::string::npos : queryStart);
    host = authority;
    port = parsedPort;
    directory = whole.substr(0, lastSlash + 1);
    file = whole.substr(lastSlash + 1);
    return true;
}

void AnsiToUtf8(std::string& out, const char* text, int length) {
    out.clear();
    if (text && length > 0) out = WideToUtf8(AnsiToWide(std::string(text, static_cast<size_t>(length))));
}

std::string PercentEncodeUrlText(const std::string& utf8) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (unsigned char c : utf8) {
        if (NeedsEscape(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
