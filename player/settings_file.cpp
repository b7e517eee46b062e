// "Set.ini": its path, defaults, reader and writer.
#include "settings_file.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "local_helpers.h"

namespace VelaUI {

namespace {

// Every key of the file with its default, in the order of the file that EnsureSettingsFile
// writes (the remembered account is written only with a remembered password).
struct SettingDefault {
    const SettingKey* key;
    const wchar_t* value;
};

const SettingDefault kDefaults[] = {
    {&kRunAtLogon, L"0"},       {&kAutoPlay, L"0"},    {&kShowAutoLogin, L"0"},
    {&kSongNameFirst, L"0"},    {&kCloseToTray, L"0"}, {&kDownloadFolder, kDefaultDownloadFolder},
    {&kDownloadLimit, L"1"},    {&kCloseAction, L"0"}, {&kDoNotAsk, L"0"},
    {&kRememberPassword, L"0"}, {&kLoginAuto, L"0"},   {&kAccountName, L""},
};

// The whole file with every key at its default.
std::wstring DefaultText() {
    std::wstring text;
    const wchar_t* section = nullptr;
    for (const SettingDefault& d : kDefaults) {
        if (section == nullptr || std::wcscmp(section, d.key->section) != 0) {
            section = d.key->section;
            text += L"[" + std::wstring(section) + L"]\r\n";
        }
        text += std::wstring(d.key->key) + L"=" + d.value + L"\r\n";
    }
    return text;
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::wstring SettingsFileIn(const std::wstring& dataFolder) { return dataFolder + L"\\" + kSettingsFileName; }

std::wstring SettingsFilePath() {
    std::wstring folder;
    if (!GetUserDataFolder(folder) || folder.empty()) return std::wstring();
    return SettingsFileIn(folder);
}

bool SettingsFileExists(const std::wstring& file) {
    if (file.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool EnsureSettingsFile() {
    if (SettingsFileExists()) return true;
    const std::wstring path = SettingsFilePath();
    if (path.empty()) return false;
    std::string bytes("\xFF\xFE", 2);  // UTF-16LE: the profile functions keep writing it so
    for (const wchar_t c : DefaultText()) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return WriteWholeFile(path, bytes);
}

int ReadSettingInt(const SettingKey& key, int defaultValue, const std::wstring& file) {
    return static_cast<int>(::GetPrivateProfileIntW(key.section, key.key, defaultValue, file.c_str()));
}

std::wstring ReadSettingText(const SettingKey& key, const wchar_t* defaultValue, const std::wstring& file) {
    std::vector<wchar_t> buffer(kSettingTextMax + 1, 0);
    ::GetPrivateProfileStringW(key.section, key.key, defaultValue, buffer.data(), static_cast<DWORD>(buffer.size()),
                               file.c_str());
    return std::wstring(buffer.data());
}

bool WriteSetting(const SettingKey& key, const std::wstring& value, const std::wstring& file) {
    return ::WritePrivateProfileStringW(key.section, key.key, value.c_str(), file.c_str()) != FALSE;
}

bool WriteSettingFlag(const SettingKey& key, bool on, const std::wstring& file) {
    return WriteSetting(key, on ? L"1" : L"0", file);
}

std::wstring ReadDownloadFolder() {
    std::wstring folder = ReadSettingText(kDownloadFolder, kDefaultDownloadFolder);
    if (!FolderExists(folder)) GetUserDataFolder(folder);
    return folder;
}

int ReadDownloadLimit() {
    const int limit = ReadSettingInt(kDownloadLimit, 1);
    return limit < 1 ? 1 : limit;
}

}  // namespace VelaUI
