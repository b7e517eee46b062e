// Shared by the account and login-dialog tests: the settings file and the remembered password
// as bytes, and the login requests the stand-in logged.
#pragma once

#include <string>
#include <vector>

namespace logintest {

// Writes folder\Set.ini with a [Login] section (and an [Option] section before it, as the
// installed file has).
void WriteSettings(const std::wstring& folder, const char* a, const char* b, const std::wstring& c);
// A key of [Login] in folder\Set.ini ("<none>" when it is not there).
std::wstring SettingOf(const std::wstring& folder, const wchar_t* key);
// Removes Set.ini, data and the login and logout replies from the player's data folder (and
// makes sure that the folder exists).
void ClearDataFolder();

// Bytes as lower-case hexadecimal, and back.
std::string Hex(const std::string& bytes);
std::string Unhex(const std::string& hex);

// The REST requests of that method logged since the last reset (request lines only).
std::vector<std::string> RestRequestLines(const std::string& method);
// The query of a logged REST request between the API key and "&api_sig=".
std::string SignedParams(const std::string& requestLine);
// Whether the stand-in found the request's signature good.
bool SignatureOk(const std::string& method);

}  // namespace logintest
