// What the player remembers of a login between runs: the [Login] section of "Set.ini" and the
// enciphered password in the file "data", both in the per-user data folder.
#pragma once

#include <string>

namespace VelaUI {

// [Login] of "Set.ini" (its keys: settings_file.h): whether the password is remembered, the
// automatic login and the account.
struct LoginSettings {
    bool rememberPassword = false;
    bool autoLogin = false;
    std::wstring account;
};

// Reads [Login] of dataFolder\Set.ini; false (settings untouched) when the file does not exist.
bool ReadLoginSettings(const std::wstring& dataFolder, LoginSettings& settings);
// Writes a, b and c, and d as well when withRememberedAccount; false when the file does not
// exist (nothing is created) or cannot be written.
bool WriteLoginSettings(const std::wstring& dataFolder, const LoginSettings& settings, bool withRememberedAccount);

// The remembered password: its text in the ANSI code page, zero-padded to whole 16-byte blocks
// (at least one) and enciphered block by block with AES-128 under the program's fixed key. A
// password of up to 16 bytes keeps the one-block file of earlier versions, byte for byte.
std::string EncipherPassword(const std::wstring& password);
// The text of such a file's bytes, up to its first zero byte; empty when the bytes are no
// whole number of blocks (a missing, empty or damaged file).
std::wstring DecipherPassword(const std::string& fileBytes);

// Replaces dataFolder\data with the enciphered password (the old file stays whole when that
// fails); false on failure.
bool SaveRememberedPassword(const std::wstring& dataFolder, const std::wstring& password);
// The password in dataFolder\data; empty when there is none.
std::wstring LoadRememberedPassword(const std::wstring& dataFolder);

}  // namespace VelaUI
