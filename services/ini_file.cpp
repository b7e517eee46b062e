#include "ini_file.h"

#include <windows.h>

#include "win_files.h"
#include "win_text.h"

namespace {

// Largest INI file that is read.
const unsigned long long kMaxIniBytes = 16 * 1024 * 1024;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Where the line after the one containing offset begins (the data's size at the end).
size_t NextLineStart(const std::string& data, size_t offset) {
    size_t lf = data.find('\n', offset);
    return lf == std::string::npos ? data.size() : lf + 1;
}

// The text from begin up to (not including) the first of stops, a line end, or the data's end.
std::string TextUpTo(const std::string& data, size_t begin, const char* stops) {
    size_t end = begin;
    while (end < data.size() && !IsLineEnd(data[end])) {
        bool stop = false;
        for (const char* s = stops; *s && !stop; ++s) stop = data[end] == *s;
        if (stop) break;
        ++end;
    }
    return data.substr(begin, end - begin);
}

}  // namespace

CIni::CIni(const std::string& fileName) { Load(fileName); }

CIni::~CIni() {}

bool CIni::Load(const std::string& fileName) {
    m_fileName = fileName;
    m_data.clear();
    m_sections.clear();
    // The name is in the ANSI code page, as the narrow file functions take it.
    if (ReadWholeFile(AnsiToWide(fileName), m_data, kMaxIniBytes) != FileReadResult::Ok || m_data.empty()) {
        m_data.clear();
        return false;
    }
    return LoadText(std::move(m_data));
}

bool CIni::LoadText(std::string text) {
    m_data = std::move(text);
    m_sections.clear();
    for (size_t i = 0; i < m_data.size(); ++i) {
        if (m_data[i] == '[' && (i == 0 || m_data[i - 1] == '\n')) m_sections.push_back(i + 1);
    }
    return !m_data.empty();
}

long CIni::FindSection(const std::string& section) const {
    for (size_t position : m_sections) {
        if (TextUpTo(m_data, position, "\t;]") == section) return static_cast<long>(position);
    }
    return -1;
}

std::string CIni::GetString(const std::string& section, const std::string& key) const {
    long position = FindSection(section);
    if (position < 0) return std::string();
    size_t line = NextLineStart(m_data, static_cast<size_t>(position));
    while (line < m_data.size()) {
        if (m_data[line] == '[') break;  // the next section begins
        size_t keyEnd = line;
        while (keyEnd < m_data.size() && !IsLineEnd(m_data[keyEnd]) && m_data[keyEnd] != ';' &&
               m_data[keyEnd] != '=')
            ++keyEnd;
        if (keyEnd < m_data.size() && m_data[keyEnd] == '=' && m_data.compare(line, keyEnd - line, key) == 0)
            return TextUpTo(m_data, keyEnd + 1, "\t;]");
        line = NextLineStart(m_data, line);
    }
    return std::string();
}
