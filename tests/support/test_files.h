// File helpers for tests: fresh temporary folders, whole-file reads and writes, text conversion.
#pragma once

#include <string>

namespace testfiles {

// A new, empty folder under the temporary folder, unique to this process and call.
std::wstring FreshDir(const std::wstring& tag);

bool Exists(const std::wstring& path);
std::string ReadAll(const std::wstring& path);           // empty when missing
bool WriteAll(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& path);

// The per-user data folder of the player (roaming application data + "\VelaMusic").
std::wstring PlayerDataFolder();

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);             // to UTF-8
std::string ToAnsi(const std::wstring& text);             // to the ANSI code page

// A path of the build machine's file system as this Windows program sees it (Wine maps the Unix
// root to Z:), with backslashes.
std::wstring FromUnixPath(const std::string& unixPath);

// Reads an environment variable of the process (empty when unset).
std::wstring Env(const wchar_t* name);

}  // namespace testfiles
