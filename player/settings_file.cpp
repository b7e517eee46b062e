// "Set.ini": its path, defaults, reader and writer.
#include "settings_file.h"

#include <windows.h>

#include <vector>

#include "local_helpers.h"

namespace VelaUI {

namespace {

const wchar_t kDefaultText[] =
    L"[Option]\r\na=0\r\nb=0\r\nc=0\r\nd=0\r\ne=0\r\nf=c:\\\r\ng=1\r\n"
    L"[CloseSet]\r\na=0\r\nb=0\r\n"
    L"[Login]\r\na=0\r\nb=0\r\nc=\r\n";

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::wstring SettingsFilePath() {
    std::wstring folder;
    if (!GetUserDataFolder(folder) || folder.empty()) return std::wstring();
    return folder + L"\\Set.ini";
}

bool SettingsFileExists() {
    const std::wstring path = SettingsFilePath();
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool EnsureSettingsFile() {
    if (SettingsFileExists()) return true;
    const std::wstring path = SettingsFilePath();
    if (path.empty()) return false;
    std::string bytes("\xFF\xFE", 2);  // UTF-16LE: the profile functions keep writing it so
    for (const wchar_t* c = kDefaultText; *c != 0; ++c) {
        bytes.push_back(static_cast<char>(*c & 0xFF));
        bytes.push_back(static_cast<char>((*c >> 8) & 0xFF));
    }
    return WriteWholeFile(path, bytes);
}

int ReadSettingInt(const SettingKey& key, int defaultValue) {
    return static_cast<int>(::GetPrivateProfileIntW(key.section, key.key, defaultValue, SettingsFilePath().c_str()));
}

std::wstring ReadSettingText(const SettingKey& key, const wchar_t* defaultValue) {
    std::vector<wchar_t> buffer(kSettingTextMax + 1, 0);
    ::GetPrivateProfileStringW(key.section, key.key, defaultValue, buffer.data(), static_cast<DWORD>(buffer.size()),
                               SettingsFilePath().c_str());
    return std::wstring(buffer.data());
}

bool WriteSetting(const SettingKey& key, const std::wstring& value) {
    return ::WritePrivateProfileStringW(key.section, key.key, value.c_str(), SettingsFilePath().c_str()) != FALSE;
}

bool WriteSettingFlag(const SettingKey& key, bool on) { return WriteSetting(key, on ? L"1" : L"0"); }

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
