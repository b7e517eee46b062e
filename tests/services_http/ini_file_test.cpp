// The INI reader: sections, keys, value ends, and missing files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ini_file.h"
#include "test_files.h"

namespace {

struct IniCase {
    const char* section;
    const char* key;
    const char* value;
};

TEST(Ini, FindsKeysOnlyInTheirOwnSection) {
    std::wstring dir = testfiles::FreshDir(L"ini");
    // A data folder under a Chinese user name: the name goes through the ANSI code page.
    std::wstring path = dir + L"\\\x7528\x6237";
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    path += L"\\\x8BBE\x7F6E.ini";
    testfiles::WriteAll(path,
                        "[version]\r\nver=1.0.2.3\r\nname=a;comment\r\nflag\r\n"
                        "[other]\r\nonly=later\r\nver=9\r\n"
                        "[lf]\nkey=value\nnext=2\n"
                        "[sp]\r\nver = 1\r\n"
                        "[tab]\t; note\r\nk=v\tx\r\nempty=\r\n"
                        "[end]\r\nk=last");
    CIni ini(testfiles::ToAnsi(path));
    const IniCase cases[] = {
        {"version", "ver", "1.0.2.3"},
        {"version", "name", "a"},
        {"version", "only", ""},   // a key of a later section is not this section's
        {"version", "flag", ""},   // a line without '=' has no value
        {"other", "only", "later"},
        {"other", "ver", "9"},
        {"lf", "key", "value"},    // LF alone ends the value
        {"lf", "next", "2"},
        {"sp", "ver ", " 1"},      // nothing is trimmed
        {"sp", "ver", ""},
        {"tab", "k", "v"},
        {"tab", "empty", ""},
        {"end", "k", "last"},      // the last line needs no line end
        {"Version", "ver", ""},    // names are case-sensitive
        {"version", "VER", ""},
        {"missing", "ver", ""},    // no section: no search of the whole file
    };
    for (const IniCase& c : cases)
        EXPECT_EQ(ini.GetString(c.section, c.key), c.value) << "[" << c.section << "] " << c.key;
    testfiles::RemoveTree(dir);
}

TEST(Ini, MissingOrEmptyFileGivesEmptyAnswers) {
    std::wstring dir = testfiles::FreshDir(L"ini");
    testfiles::WriteAll(dir + L"\\empty.ini", "");
    const std::wstring names[] = {L"\\empty.ini", L"\\missing.ini"};
    for (const std::wstring& name : names) {
        CIni ini(testfiles::ToAnsi(dir + name));
        EXPECT_FALSE(ini.Load(testfiles::ToAnsi(dir + name)));
        EXPECT_EQ(ini.GetString("version", "ver"), "");
        EXPECT_EQ(ini.GetString("", ""), "");
    }
    testfiles::RemoveTree(dir);
}

}  // namespace
