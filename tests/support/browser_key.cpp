#include "browser_key.h"

#include <vector>

namespace testfiles {

const wchar_t ScopedBrowserPath::kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

ScopedBrowserPath::ScopedBrowserPath() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
        hadValue_ = RegQueryValueExW(key, nullptr, nullptr, &type_, reinterpret_cast<BYTE*>(value.data()), &size) ==
                    ERROR_SUCCESS;
        if (hadValue_) saved_ = value.data();
    }
    RegCloseKey(key);
}

ScopedBrowserPath::~ScopedBrowserPath() {
    if (hadValue_) {
        Set(saved_, type_);
    } else {
        Remove();
    }
}

bool ScopedBrowserPath::Set(const std::wstring& value, DWORD type) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool done = RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return done;
}

void ScopedBrowserPath::Remove() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, nullptr);
        RegCloseKey(key);
    }
}

}  // namespace testfiles
