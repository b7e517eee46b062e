// URL handling of the segmented downloader: splitting a download URL into host, port,
// directory and file, and taking its text to the form that goes into a request line.
#pragma once

#include <string>

// Splits "http://host[:port]/dir/file[?query]" (blanks around it are ignored; without a scheme
// http is meant). host is the name or address alone, port the given one or 80; directory is the
// URL up to and including the last '/' of its path (so it keeps the scheme and host), file the
// rest (with the query). False when the URL names no host, a port that is not a number from 1 to
// 65535, or another scheme than http.
bool SplitHttpUrl(const std::string& url, std::string& host, int& port, std::string& directory,
                  std::string& file);

// Text of the ANSI code page (length in bytes) to UTF-8.
void AnsiToUtf8(std::string& out, const char* text, int length);

// Percent-encodes the bytes of a UTF-8 URL text that may not appear raw in a request line
// (controls, blanks, non-ASCII and a few unsafe marks); '%' and the URL's own delimiters stay.
std::string PercentEncodeUrlText(const std::string& utf8);
