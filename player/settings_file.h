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
const SettingKey kRememberPassword = {L"Login", L"a"};   // 0/1
const SettingKey kLoginAuto = {L"Login", L"b"};          // 0/1
const SettingKey kAccountName = {L"Login", L"c"};        // at most 260 characters
const SettingKey kRememberedAccount = {L"Login", L"d"};  // written with a remembered password, never read

const wchar_t* const kDefaultDownloadFolder = L"c:\\";
const int kSettingTextMax = 260;

// The file's name, in the per-user data folder (and, as the seed of a new user's, beside the program).
constexpr wchar_t kSettingsFileName[] = L"Set.ini";

// dataFolder + "\Set.ini".
std::wstring SettingsFileIn(const std::wstring& dataFolder);
// The per-user file: data folder + "\Set.ini" (empty when the data folder is unknown).
std::wstring SettingsFilePath();
bool SettingsFileExists(const std::wstring& file = SettingsFilePath());
// Creates "Set.ini" with every key at its default when there is none, so that the dialogs'
// choices are kept. The file is UTF-16 text, so folder names outside the code page survive.
// True when the file exists afterwards.
bool EnsureSettingsFile();

// The readers and writers of a settings file, the per-user one unless another is named. A
// writer's false: the file could not be written (held by another program, read-only).
int ReadSettingInt(const SettingKey& key, int defaultValue, const std::wstring& file = SettingsFilePath());
std::wstring ReadSettingText(const SettingKey& key, const wchar_t* defaultValue,
                             const std::wstring& file = SettingsFilePath());
bool WriteSetting(const SettingKey& key, const std::wstring& value, const std::wstring& file = SettingsFilePath());
bool WriteSettingFlag(const SettingKey& key, bool on, const std::wstring& file = SettingsFilePath());

// What the dialogs tell the user when their choices could not be written to the file.
const wchar_t* const kSettingsNotSavedText = L"设置未能保存：无法写入设置文件Set.ini";

// The download folder of "Set.ini" as the player uses it: the data folder when the named folder
// does not exist.
std::wstring ReadDownloadFolder();
// The parallel-download limit: never below 1.
int ReadDownloadLimit();

}  // namespace VelaUI
