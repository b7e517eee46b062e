// Text files of the updater: whole lines of bytes. Whole-file reading and the code-page
// conversions it uses come from the base library with this header.
#pragma once

#include <string>
#include <vector>

#include "win_files.h"
#include "win_text.h"

// Reads a file and splits it into lines at LF (a CR before it is dropped); false when the file
// cannot be opened or read.
bool ReadTextLines(const std::wstring& path, std::vector<std::string>& lines);
