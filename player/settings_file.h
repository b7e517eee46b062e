// "Set.ini", the player's settings in the per-user data folder: every section and key, their
// defaults, and the one reader and writer of the file.
#pragma once

#include <string>

namespace VelaUI {

struct SettingKey {
    const wchar_t* section;
    const wchar_t* key;
};

const SettingKey kRunAtLogon = {L"Option", L"a"};      // 0/1
const SettingKey kAutoPlay = {L"Option", L"b"};        // 0/1
const SettingKey kShowAutoLogin = {L"Option", L"c"};   // 0/1, as the options dialog shows it
const SettingKey kSongNameFirst = {L"Option", L"d"};   // non-zero: "song--singer" file names
const SettingKey kCloseToTray = {L"Option", L"e"};     // 1 hide to the tray, 0 exit
const SettingKey kDownloadFolder = {L"Option", L"f"};  // at most 260 characters
const SettingKey kDownloadLimit = {L"Option", L"g"};   // parallel downloads
const SettingKey kCloseAction = {L"CloseSet", L"a"};   // 1 hide to the tray, 0 exit
const SettingKey kDoNotAsk = {L"CloseSet", L"b"};      // non-zero: the close button does not ask
const SettingKey kRememberPassword = {L"Login", L"a"};
const SettingKey kLoginAuto = {L"Login", L"b"};
const SettingKey kAccountName = {L"Login", L"c"};
const SettingKey kRememberedAccount = {L"Login", L"d"};

const wchar_t* const kDefaultDownloadFolder = L"c:\\";
const int kSettingTextMax = 260;

// data folder + "\Set.ini" (empty when the data folder is unknown).
std::wstring SettingsFilePath();
bool SettingsFileExists();
// Creates "Set.ini" with every key at its default when there is none, so that the dialogs'
// choices are kept. The file is UTF-16 text, so folder names outside the code page survive.
// True when the file exists afterwards.
bool EnsureSettingsFile();

int ReadSettingInt(const SettingKey& key, int defaultValue);
std::wstring ReadSettingText(const SettingKey& key, const wchar_t* defaultValue);
bool WriteSetting(const SettingKey& key, const std::wstring& value);
bool WriteSettingFlag(const SettingKey& key, bool on);

// The download folder of "Set.ini" as the player uses it: the data folder when the named folder
// does not exist.
std::wstring ReadDownloadFolder();
// The parallel-download limit: never below 1.
int ReadDownloadLimit();

}  // namespace VelaUI
