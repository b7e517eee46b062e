// Local helpers: the three-byte text form, UTF-8, folders, app.xml, the browser path and
// starting a command line.
#include <windows.h>

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

#include "browser_key.h"
#include "local_helpers.h"
#include "test_files.h"

namespace {

struct CodecCase {
    const wchar_t* text;
    const char* bytes;
};

TEST(ThreeByteText, EveryUnitIsThreeBytesBothWays) {
    const CodecCase cases[] = {
        {L"", ""},
        {L"A\x4E2D", "\xE0\x81\x81\xE4\xB8\xAD"},
        {L"\xD83D\xDE00", "\xED\xA0\xBD\xED\xB8\x80"},  // a surrogate pair: two groups
        {L"\xFFFF", "\xEF\xBF\xBF"},
        {L"<\x6B4C>", "\xE0\x80\xBC\xE6\xAD\x8C\xE0\x80\xBE"},
    };
    for (const CodecCase& c : cases) {
        std::string encoded;
        EXPECT_TRUE(WideToUtf8Fixed3(encoded, c.text));
        EXPECT_EQ(encoded, c.bytes) << testfiles::Narrow(c.text);
        std::wstring decoded = L"old";
        EXPECT_TRUE(Utf8Fixed3ToWide(decoded, c.bytes));
        EXPECT_EQ(decoded, c.text) << testfiles::Narrow(c.text);
    }
    std::wstring nul(1, L'\0');
    std::string encoded;
    EXPECT_TRUE(WideToUtf8Fixed3(encoded, nul));
    EXPECT_EQ(encoded, std::string("\xE0\x80\x80", 3));
    std::wstring back;
    EXPECT_TRUE(Utf8Fixed3ToWide(back, encoded));
    EXPECT_EQ(back, nul);
}

TEST(ThreeByteText, PlainBytesReadAsThemselvesAndCutGroupsEndTheText) {
    const CodecCase cases[] = {
        {L"AB", "AB"},
        {L"x\x4E2Dy", "x\xE4\xB8\xADy"},
        {L"A", "A\xE4\xB8"},      // a group cut short by the end
        {L"A", "A\xE4"},
        {L"\x4E2D", "\xE4\xB8\xAD\xE4"},
    };
    for (const CodecCase& c : cases) {
        std::wstring decoded;
        EXPECT_TRUE(Utf8Fixed3ToWide(decoded, c.bytes));
        EXPECT_EQ(decoded, c.text) << c.bytes;
    }
    unsigned char group[3];
    EncodeUnit3Bytes(group, L'A');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(group), 3), "\xE0\x81\x81");
}

TEST(Utf8, StandardUtf8IncludingPairs) {
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(WideToUtf8(L"A\x4E2D\xD83D\xDE00"), "A\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

TEST(Folders, CreateDirectoryTreeMakesEveryLevelOnce) {
    std::wstring dir = testfiles::FreshDir(L"tree");
    EXPECT_TRUE(CreateDirectoryTree(dir + L"\\a\\b"));
    EXPECT_TRUE(testfiles::Exists(dir + L"\\a\\b"));
    EXPECT_FALSE(CreateDirectoryTree(dir + L"\\a\\b"));  // already there
    EXPECT_TRUE(CreateDirectoryTree(dir + L"\\a\\d e\\c\\"));
    EXPECT_TRUE(testfiles::Exists(dir + L"\\a\\d e\\c"));
    const std::wstring music = dir + L"\\\x97F3\x4E50\\\x6B4C\x66F2";  // not ASCII
    EXPECT_TRUE(CreateDirectoryTree(music));
    EXPECT_TRUE(testfiles::Exists(music));
    EXPECT_FALSE(CreateDirectoryTree(music + L"\\"));
    testfiles::WriteAll(dir + L"\\file", "x");
    EXPECT_FALSE(CreateDirectoryTree(dir + L"\\file\\sub"));  // a file in the way
    testfiles::RemoveTree(dir);
}

TEST(WholeFiles, ReplaceKeepsTheOldFileUntilTheNewOneIsComplete) {
    const std::wstring dir = testfiles::FreshDir(L"whole \x6587\x4EF6");
    const std::wstring path = dir + L"\\list";
    std::string bytes;
    EXPECT_FALSE(ReadWholeFile(path, bytes));
    ASSERT_TRUE(ReplaceWholeFile(path, "first"));
    ASSERT_TRUE(ReplaceWholeFile(path, "second, longer"));
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "second, longer");
    ASSERT_TRUE(ReplaceWholeFile(path, ""));
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(testfiles::Exists(path + L".tmp"));
    // The place is taken by a folder: nothing replaced, no temporary file left behind.
    CreateDirectoryW((dir + L"\\taken").c_str(), nullptr);
    EXPECT_FALSE(ReplaceWholeFile(dir + L"\\taken", "x"));
    EXPECT_TRUE(testfiles::Exists(dir + L"\\taken"));
    EXPECT_FALSE(testfiles::Exists(dir + L"\\taken.tmp"));
    EXPECT_FALSE(ReplaceWholeFile(dir + L"\\missing\\list", "x"));
    testfiles::RemoveTree(dir);
}

TEST(WholeFiles, XmlFileLoadsAndBrokenTextFails) {
    const std::wstring dir = testfiles::FreshDir(L"xmlfile");
    TiXmlDocument document;
    EXPECT_FALSE(LoadXmlFile(document, dir + L"\\none.xml"));
    ASSERT_TRUE(WriteWholeFile(dir + L"\\a.xml", "<r v=\"\xE9\x9F\xB3\"><c/></r>"));
    ASSERT_TRUE(LoadXmlFile(document, dir + L"\\a.xml"));
    ASSERT_NE(document.RootElement(), nullptr);
    EXPECT_STREQ(document.RootElement()->Attribute("v"), "\xE9\x9F\xB3");
    TiXmlDocument broken;
    EXPECT_FALSE(ParseXmlText(broken, "<r><c></r>"));
    testfiles::RemoveTree(dir);
}

TEST(Folders, UserDataFolderIsRoamingAppDataVelaMusic) {
    std::wstring folder;
    ASSERT_TRUE(GetUserDataFolder(folder));
    EXPECT_EQ(folder, testfiles::PlayerDataFolder());
    EXPECT_EQ(folder.substr(folder.size() - 10), L"\\VelaMusic");
}

// Runs this test program again from another path, limited to one test, and waits for it.
DWORD RunCopyOfThisProgram(const std::wstring& exe, const std::wstring& filter) {
    std::wstring line = L"\"" + exe + L"\" --gtest_filter=" + filter;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableW(L"VELA_APPXML_CHILD", L"1");
    BOOL started = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableW(L"VELA_APPXML_CHILD", nullptr);
    if (!started) return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return path;
}

// Reads the AppPath text of app.xml in the data folder (UTF-8, marked and declared).
std::wstring ReadAppXmlPath(const std::wstring& name) {
    std::string bytes = testfiles::ReadAll(testfiles::PlayerDataFolder() + name);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) return L"<unmarked>";
    TiXmlDocument document;
    ParseXmlText(document, bytes);
    const TiXmlElement* root = document.RootElement();
    if (document.Error() || !root || root->ValueStr() != "AppPath" || !root->GetText()) return L"<unreadable>";
    return testfiles::Widen(root->GetText());
}

TEST(AppXml, ChildWritesItsOwnPath) {
    if (testfiles::Env(L"VELA_APPXML_CHILD").empty()) GTEST_SKIP() << "run by AppXml.PathWithMarkupRoundTrips";
    std::wstring folder;
    ASSERT_TRUE(GetUserDataFolder(folder));
    CreateDirectoryTree(folder);
    ASSERT_TRUE(WriteAppXml(L"\\app-child.xml"));
}

TEST(AppXml, WritesDeclaredUtf8WithThisProgramsPath) {
    std::wstring folder;
    ASSERT_TRUE(GetUserDataFolder(folder));
    CreateDirectoryTree(folder);
    DeleteFileW((folder + L"\\app.xml").c_str());
    ASSERT_TRUE(WriteAppXml(L"\\app.xml"));
    std::string bytes = testfiles::ReadAll(folder + L"\\app.xml");
    // The byte-order mark tells the updater that the path is UTF-8 and not the ANSI code page.
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" ?>", 0), 0u) << bytes;
    EXPECT_EQ(bytes.find("standalone"), std::string::npos);
    EXPECT_EQ(ReadAppXmlPath(L"\\app.xml"), ThisProgram());
}

TEST(AppXml, PathWithMarkupRoundTrips) {
    // A program folder whose name holds markup characters and Chinese letters.
    std::wstring dir = testfiles::FreshDir(L"appxml") + L"\\\x64AD\x653E\x5668 Vela & Music's";
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    std::wstring copy = dir + L"\\VelaMusic.exe";
    ASSERT_TRUE(CopyFileW(ThisProgram().c_str(), copy.c_str(), FALSE));
    DeleteFileW((testfiles::PlayerDataFolder() + L"\\app-child.xml").c_str());
    EXPECT_EQ(RunCopyOfThisProgram(copy, L"AppXml.ChildWritesItsOwnPath"), 0u);
    EXPECT_EQ(ReadAppXmlPath(L"\\app-child.xml"), copy);
    std::string bytes = testfiles::ReadAll(testfiles::PlayerDataFolder() + L"\\app-child.xml");
    EXPECT_NE(bytes.find("&amp;"), std::string::npos) << bytes;
    DeleteFileW((testfiles::PlayerDataFolder() + L"\\app-child.xml").c_str());
    testfiles::RemoveTree(dir);
}

TEST(AppXml, TextIsUtf8WithEscapedMarkup) {
    const std::wstring path = L"C:\\\x64AD\x653E\x5668 & <Vela>\\VelaMusic.exe";
    std::string text = AppXmlText(path);
    EXPECT_EQ(text,
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<AppPath>C:\\\xE6\x92\xAD\xE6\x94\xBE\xE5\x99\xA8"
              " &amp; &lt;Vela&gt;\\VelaMusic.exe</AppPath>\n");
    TiXmlDocument document;
    ASSERT_TRUE(ParseXmlText(document, text));
    ASSERT_NE(document.RootElement(), nullptr);
    EXPECT_EQ(testfiles::Widen(document.RootElement()->GetText()), path);
}

// Sets or removes the default value of the browser's App Paths key for one test, and restores
// what was there before.
class BrowserKeyTest : public ::testing::Test {
protected:
    void SetValue(const std::wstring& value, DWORD type = REG_SZ) { ASSERT_TRUE(browser_.Set(value, type)); }
    void RemoveValue() { browser_.Remove(); }

    testfiles::ScopedBrowserPath browser_;
};

TEST_F(BrowserKeyTest, PathComesFromTheRegistryQuoted) {
    const std::wstring longPath = L"D:\\" + std::wstring(300, L'd') + L"\\b.exe";
    const std::wstring systemRoot = testfiles::Env(L"SystemRoot");
    ASSERT_FALSE(systemRoot.empty());
    struct {
        std::wstring stored;
        std::wstring expected;
        DWORD type;
    } cases[] = {
        {L"D:\\Some Browser\\b.exe", L"\"D:\\Some Browser\\b.exe\"", REG_SZ},
        {L"\"D:\\Quoted Already\\b.exe\"", L"\"D:\\Quoted Already\\b.exe\"", REG_SZ},
        {longPath, L"\"" + longPath + L"\"", REG_SZ},
        {L"%SystemRoot%\\b.exe", L"\"" + systemRoot + L"\\b.exe\"", REG_EXPAND_SZ},
    };
    for (const auto& c : cases) {
        SetValue(c.stored, c.type);
        std::wstring path;
        EXPECT_EQ(GetBrowserPath(path), 0);
        EXPECT_EQ(path, c.expected);
    }
}

TEST_F(BrowserKeyTest, DefaultWhenTheValueIsMissing) {
    RemoveValue();
    std::wstring path = L"old";
    EXPECT_EQ(GetBrowserPath(path), 0);
    EXPECT_EQ(path, L"\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\"");
}

TEST(RunCommand, StartsTheWholeCommandLine) {
    std::wstring dir = testfiles::FreshDir(L"run");
    std::wstring made = dir + L"\\made by cmd";
    EXPECT_EQ(RunCommandLine(L"cmd.exe /c mkdir \"" + made + L"\""), 0);
    for (int i = 0; i < 200 && !testfiles::Exists(made); ++i) Sleep(50);
    EXPECT_TRUE(testfiles::Exists(made));
    EXPECT_EQ(RunCommandLine(L"\"C:\\no such\\program.exe\" x"), 0);  // not reported
    testfiles::RemoveTree(dir);
}

}  // namespace
