// UTF-16 text to and from a code page (UTF-8, the system's ANSI code page): the one converter of
// every library.
#pragma once

#include <windows.h>

#include <string>

// The text in the code page; characters it lacks become its default character. Empty when the
// text is empty or cannot be converted.
std::string WideToCodePage(const std::wstring& text, UINT codePage);
std::string WideToUtf8(const std::wstring& text);
std::string WideToAnsi(const std::wstring& text);

// Bytes in the code page as UTF-16. flags as MultiByteToWideChar takes them: with
// MB_ERR_INVALID_CHARS the result is false when the bytes are not valid in the code page.
// Empty bytes give empty text and true.
bool CodePageToWide(const std::string& bytes, UINT codePage, DWORD flags, std::wstring& out);
// Bytes in the ANSI code page as UTF-16 (empty when they cannot be converted).
std::wstring AnsiToWide(const std::string& bytes);
// ASCII text (such as a URL whose values are percent-encoded) as UTF-16, byte for unit.
std::wstring AsciiToWide(const std::string& ascii);
// Strict UTF-8: false (out empty) when the bytes are not valid UTF-8.
bool Utf8ToWide(const std::string& bytes, std::wstring& out);
