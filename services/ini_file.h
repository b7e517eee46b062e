// A read-only reader of INI files: sections "[name]" at the start of a line, lines "key=value".
// Names are compared exactly (case and blanks count); nothing is trimmed.
#pragma once

#include <string>
#include <vector>

class CIni {
public:
    explicit CIni(const std::string& fileName);
    virtual ~CIni();

    // Reads the whole file (the name is in the ANSI code page) and indexes its sections. False
    // when the file is missing or empty, which leaves an empty reader.
    bool Load(const std::string& fileName);
    // Indexes the text of an INI file read by the caller (for example through a wide path, which
    // the ANSI file name of Load cannot name). False for an empty text.
    bool LoadText(std::string text);

    // The value of key within section: the text after '=' up to the end of its line, a tab,
    // ';' or ']'. The search ends at the next section. Empty when the section or key is missing.
    std::string GetString(const std::string& section, const std::string& key) const;

    const std::string& GetFileName() const { return m_fileName; }

private:
    // Offset just after the '[' of the named section, or -1.
    long FindSection(const std::string& section) const;

    std::string m_fileName;
    std::string m_data;
    std::vector<size_t> m_sections;
};
