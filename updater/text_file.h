// Text files of the updater: whole lines of bytes, and the code-page conversions it uses.
#pragma once

#include <string>
#include <vector>

// Reads a file and splits it into lines at LF (a CR before it is dropped); false when the file
// cannot be opened or read.
bool ReadTextLines(const std::wstring& path, std::vector<std::string>& lines);
// Reads a whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
// Strict UTF-8: false when the bytes are not valid UTF-8.
bool Utf8ToWide(const std::string& text, std::wstring& out);
