#include "win_text.h"

std::string WideToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), units, &out[0], length, nullptr, nullptr);
    return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToCodePage(text, CP_UTF8); }

std::string WideToAnsi(const std::wstring& text) { return WideToCodePage(text, CP_ACP); }

bool CodePageToWide(const std::string& bytes, UINT codePage, DWORD flags, std::wstring& out) {
    out.clear();
    if (bytes.empty()) return true;
    const int count = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, flags, bytes.data(), count, nullptr, 0);
    if (units <= 0) return false;
    out.assign(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), count, &out[0], units) != units) {
        out.clear();
        return false;
    }
    return true;
}

std::wstring AnsiToWide(const std::string& bytes) {
    std::wstring out;
    CodePageToWide(bytes, CP_ACP, 0, out);
    return out;
}

std::wstring AsciiToWide(const std::string& ascii) {
    std::wstring out;
    out.reserve(ascii.size());
    for (char ch : ascii) out += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return out;
}

bool Utf8ToWide(const std::string& bytes, std::wstring& out) {
    return CodePageToWide(bytes, CP_UTF8, MB_ERR_INVALID_CHARS, out);
}
