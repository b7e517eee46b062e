#include "text_file.h"

bool ReadTextLines(const std::wstring& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return true;
}
