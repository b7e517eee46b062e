// Small services shared across the player: the per-user data folder, folder creation, the
// player's three-byte text form of its list files, UTF-8, starting programs, the web browser's
// path and the "app.xml" hand-over file read by the updater.
#pragma once

#include <string>

#include <tinyxml.h>

// The roaming application-data folder (created by the shell when missing) plus "\VelaMusic",
// without a trailing backslash. The "VelaMusic" folder itself is not created. False when the
// shell cannot name the application-data folder (out is then empty).
bool GetUserDataFolder(std::wstring& out);

// Creates every missing folder along path, shortest first. The result is that of the deepest
// folder's creation: false when it existed already or could not be made.
bool CreateDirectoryTree(const std::wstring& path);

// The player's three-byte text form: every UTF-16 unit, ASCII included, is stored as
// 1110xxxx 10xxxxxx 10xxxxxx (top four, middle six and low six bits); a surrogate pair as two
// groups. On reading, a byte with the high bit set starts a group and any other byte is one
// character by itself.
void EncodeUnit3Bytes(unsigned char out[3], wchar_t unit);
// Writes text in the three-byte form into out. False (out as far as built) on a failed allocation.
bool WideToUtf8Fixed3(std::string& out, const std::wstring& text);
// Reads the three-byte form into out; a group cut short by the end of the text ends the
// reading. False (out as far as built) on a failed allocation.
bool Utf8Fixed3ToWide(std::wstring& out, const std::string& text);

// Standard UTF-8 of text.
std::string WideToUtf8(const std::wstring& text);
// Text in the system's ANSI code page (characters it lacks become its default character).
std::string WideToAnsi(const std::wstring& text);
// ASCII text (such as a URL whose values are percent-encoded) as UTF-16, byte for unit.
std::wstring AsciiToWide(const std::string& ascii);

// Reads a whole file by its wide path into bytes; false (bytes empty) when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// Creates or truncates the file and writes bytes; false when any of it could not be written.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Writes bytes to "<path>.tmp" and then puts that file in the place of path in one step, so the
// old file stays whole until the new one is complete. False (old file untouched, no temporary
// file left) when writing or replacing fails.
bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes);

// Parses an XML text. TinyXML steps over a multi-byte UTF-8 character by the length its lead
// byte announces, so a text that ends inside such a character would be read past its end: the
// text is always handed over with enough zero bytes behind it. False when the text is not
// well-formed XML.
bool ParseXmlText(TiXmlDocument& document, std::string text, TiXmlEncoding encoding = TIXML_ENCODING_UTF8);
// ReadWholeFile, then ParseXmlText; false when the file cannot be read or parsed.
bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, TiXmlEncoding encoding = TIXML_ENCODING_UTF8);

// Starts a process from the whole command line (shown, feedback cursor on, new console).
// Returns 0; a failed start is not reported.
int RunCommandLine(const std::wstring& commandLine);

// The web browser's program as the start of a command line: the default value of
// HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE, or
// "C:\Program Files\Internet Explorer\IEXPLORE.EXE" when it cannot be read, always in double
// quotes so that a path with blanks stays one token. Returns 0.
int GetBrowserPath(std::wstring& out);

// Writes the XML file data folder + fileName (fileName begins with a backslash, "\app.xml")
// whose root element "AppPath" holds the running program's full path, in UTF-8 as its
// declaration says. False when the data folder is unknown or the file cannot be written.
bool WriteAppXml(const std::wstring& fileName);
// The text of that file for the given program path.
std::string AppXmlText(const std::wstring& programPath);
