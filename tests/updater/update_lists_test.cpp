// Server-list lines, file-list parsing, target paths and the update decision.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "patch_app.h"
#include "patch_dlg.h"
#include "servers.h"
#include "test_files.h"
#include "update_files.h"

namespace {

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring TestProgramFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\'));
}

// A file list with the given "File" elements, in UTF-8 unless another code page is asked for.
std::string FileList(const std::wstring& files, const char* encoding = "utf-8", UINT codePage = CP_UTF8) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"" + testfiles::Widen(encoding) +
                        L"\"?>\r\n<xmlRoot keyname=\"KeyValue\"><Product productname=\"VelaMusic\" filenum=\"1\">" +
                        files + L"</Product></xmlRoot>\r\n";
    return ToCodePage(text, codePage);
}

FILETIME AddSeconds(FILETIME t, int seconds) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    v.QuadPart += static_cast<LONGLONG>(seconds) * 10000000LL;
    return FILETIME{v.LowPart, v.HighPart};
}

class ComScope {
public:
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

struct ListFixture : ::testing::Test {
    ComScope com;
    std::wstring dir = testfiles::FreshDir(L"updlist");
    InstallFolders folders{dir + L"\\inst", dir + L"\\win", dir + L"\\sys"};
    CUpdateFiles files{folders};

    bool Load(const std::string& bytes) {
        std::wstring path = dir + L"\\list.xml";
        testfiles::WriteAll(path, bytes);
        return files.LoadFromXml(path);
    }
    std::vector<CUpdateFile*> TakeAll() {
        std::vector<CUpdateFile*> out;
        while (CUpdateFile* f = files.PopHead()) out.push_back(f);
        return out;
    }
};

}  // namespace

TEST(ServerLine, SplitsAtTheFirstBarAndTrims) {
    struct Case {
        const wchar_t* line;
        bool valid;
        const wchar_t* name;
        const wchar_t* url;
    } cases[] = {
        {L"电信服务器 | http://a/list.xml", true, L"电信服务器", L"http://a/list.xml"},
        {L"\t main|http://b/l.xml \r", true, L"main", L"http://b/l.xml"},
        {L"a|http://c/x?y=1|z", true, L"a", L"http://c/x?y=1|z"},
        {L"|http://d/l.xml", false, L"", L""},
        {L"   |http://d/l.xml", false, L"", L""},
        {L"name|", false, L"", L""},
        {L"name |   ", false, L"", L""},
        {L"name http://e/l.xml", false, L"", L""},
        {L"", false, L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring name, url;
        EXPECT_EQ(ParseServerLine(c.line, name, url), c.valid) << testfiles::Narrow(c.line);
        if (c.valid) {
            EXPECT_EQ(name, c.name);
            EXPECT_EQ(url, c.url);
        }
    }
}

TEST(ServerList, ReadsAnsiLinesSkipsInvalidAndOverlongOnes) {
    std::wstring dir = testfiles::FreshDir(L"servers");
    std::string text = ToCodePage(L"电信服务器|http://a/1.xml\r\n\r\n|http://bad\r\n网通|http://a/2.xml\n", 936) +
                       "long|http://a/" + std::string(1100, 'x') + "\r\n" + "last|http://a/3.xml";
    testfiles::WriteAll(dir + L"\\s.txt", text);
    CServers servers;
    EXPECT_EQ(servers.AddFromFile(dir + L"\\s.txt"), 3);
    ASSERT_EQ(servers.GetCount(), 3u);
    EXPECT_EQ(servers.GetAt(0)->name, L"电信服务器");
    EXPECT_EQ(servers.GetAt(1)->name, L"网通");
    EXPECT_EQ(servers.GetAt(2)->url, L"http://a/3.xml");
    EXPECT_EQ(servers.AddFromFile(dir + L"\\missing.txt"), -1);
}

TEST(ListNumbers, ReadLikeStrtolClampedTo32Bits) {
    struct Case {
        const wchar_t* text;
        long value;
    } cases[] = {{L"2500", 2500},       {L"  \t42", 42},          {L"-7", -7},
                 {L"+9", 9},            {L"12abc", 12},           {L"abc", 0},
                 {L"", 0},              {L"3000000000", 2147483647}, {L"-3000000000", -2147483647L - 1},
                 {L"99999999999999999999", 2147483647}};
    for (const Case& c : cases) EXPECT_EQ(ParseListNumber(c.text), c.value) << testfiles::Narrow(c.text);

    // The halves of a file date are written with "%u" and read back whole.
    struct UnsignedCase {
        const wchar_t* text;
        DWORD value;
    } halves[] = {{L"3000000000", 3000000000u}, {L"4294967295", 4294967295u}, {L"4294967296", 4294967295u},
                  {L" 17x", 17u},               {L"-1", 4294967295u},         {L"", 0u}};
    for (const UnsignedCase& c : halves) EXPECT_EQ(ParseListUnsigned(c.text), c.value) << testfiles::Narrow(c.text);
}

TEST(Versions, CompareAsDottedNumbers) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    } cases[] = {
        {L"1.0.0.9", L"1.0.0.10", -1}, {L"1.0.0.10", L"1.0.0.9", 1}, {L"1.0.0.9", L"1.0.0.9", 0},
        {L"1.0.1.0", L"1.0.0.99", 1},  {L"2", L"1.9.9.9", 1},        {L"1.0", L"1.0.0.0", 0},
        {L"", L"0.0.0.1", -1},         {L"", L"", 0},                {L"10.0.0.0", L"9.0.0.0", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareVersions(c.a, c.b), c.result) << testfiles::Narrow(c.a) << " vs " << testfiles::Narrow(c.b);
    }
}

TEST(Progress, WholePercentsWithoutOverflowForLargeFiles) {
    struct Case {
        uint32_t part;
        uint32_t whole;
        int percent;
    } cases[] = {
        {0, 0, 0},
        {0, 50000000, 0},
        {25000000, 50000000, 50},
        {49999999, 50000000, 99},
        {50000000, 50000000, 100},
        {60000000, 50000000, 100},  // more than listed: the bar stays full
        {4294967295u, 4294967295u, 100},
        {2147483648u, 4294967295u, 50},
    };
    for (const Case& c : cases) EXPECT_EQ(ProgressPercent(c.part, c.whole), c.percent) << c.part << "/" << c.whole;
}

TEST(TargetPaths, StayInsideTheirBaseFolder) {
    std::wstring dir = testfiles::FreshDir(L"targets");
    InstallFolders folders{dir + L"\\inst", dir + L"\\win", dir + L"\\sys"};
    struct Case {
        const wchar_t* installDir;
        const wchar_t* localPath;
        const wchar_t* fileName;
        const wchar_t* expected;  // below dir; null: refused
    } cases[] = {
        {L"CURRENTDIR", L"", L"a.dll", L"\\inst\\a.dll"},
        {L"anything", L"skin", L"b.zip", L"\\inst\\skin\\b.zip"},
        {L"systemdir", L"drivers", L"c.sys", L"\\sys\\drivers\\c.sys"},
        {L"WindowsDir", L"", L"d.ini", L"\\win\\d.ini"},
        {L"", L"a\\b", L"v1..2.txt", L"\\inst\\a\\b\\v1..2.txt"},
        {L"", L"", L"..\\evil.exe", nullptr},
        {L"", L"..", L"evil.exe", nullptr},
        {L"", L"sub\\..\\..", L"evil.exe", nullptr},
        {L"", L"sub/../..", L"evil.exe", nullptr},
        {L"", L"...", L"evil.exe", nullptr},
        {L"", L"", L"C:\\evil.exe", nullptr},
        {L"", L"C:\\windows", L"evil.exe", nullptr},
        {L"", L"", L"C:evil.exe", nullptr},
        {L"", L"", L"a.txt:stream", nullptr},
        {L"", L"", L"", nullptr},
        {L"", L"sub", L"sub\\", nullptr},
    };
    for (const Case& c : cases) {
        std::wstring got = ResolveTargetPath(folders, c.installDir, c.localPath, c.fileName);
        if (c.expected) {
            EXPECT_EQ(got, dir + c.expected) << testfiles::Narrow(c.fileName);
        } else {
            EXPECT_EQ(got, L"") << testfiles::Narrow(c.localPath) << " / " << testfiles::Narrow(c.fileName);
        }
    }
}

TEST_F(ListFixture, ReadsFileElementsAtAnyDepthByExactName) {
    ASSERT_TRUE(Load(FileList(
        L"<File><FileName>one.dll</FileName><URL>http://h/one</URL></File>"
        L"<Group><Deeper><File><filename>two.dll</filename><LENGTH>2500</LENGTH></File></Deeper></Group>"
        L"<file><FileName>ignored.dll</FileName></file>")));
    std::vector<CUpdateFile*> all = TakeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->FileName, L"one.dll");
    EXPECT_EQ(all[0]->URL, L"http://h/one");
    EXPECT_EQ(all[0]->fullLocalPath, dir + L"\\inst\\one.dll");
    EXPECT_EQ(all[1]->FileName, L"two.dll");
    EXPECT_EQ(all[1]->Length, 2500);
    for (CUpdateFile* f : all) delete f;
}

TEST_F(ListFixture, ReadsEveryFieldAndLaterDuplicatesWin) {
    ASSERT_TRUE(Load(FileList(
        L"<File><FileName>first.dll</FileName><FileName>x.dll</FileName><FileVersion>1.2.3.4</FileVersion>"
        L"<ProductVersion>5.6</ProductVersion><Length>3000000000</Length><FileDateLow>-1</FileDateLow>"
        L"<FileDateHigh>30000000</FileDateHigh><InstallDir>SystemDir</InstallDir><Register>yes</Register>"
        L"<ZipFile>YES</ZipFile><ForceOverwrite>NO</ForceOverwrite><Execute>Yes</Execute>"
        L"<ExecutePar>/quiet /x</ExecutePar><LocalPath>drivers</LocalPath><URL>http://h/x.dll</URL>"
        L"<UserName>u</UserName><Password>p</Password><Unknown>z</Unknown></File>")));
    std::vector<CUpdateFile*> all = TakeAll();
    ASSERT_EQ(all.size(), 1u);
    const CUpdateFile& f = *all[0];
    EXPECT_EQ(f.FileName, L"x.dll");
    EXPECT_EQ(f.FileVersion, L"1.2.3.4");
    EXPECT_EQ(f.ProductVersion, L"5.6");
    EXPECT_EQ(f.Length, 2147483647);
    EXPECT_EQ(f.FileDate.dwLowDateTime, 0xFFFFFFFFu);
    EXPECT_EQ(f.FileDate.dwHighDateTime, 30000000u);
    EXPECT_TRUE(f.Register);
    EXPECT_TRUE(f.ZipFile);
    EXPECT_FALSE(f.ForceOverwrite);
    EXPECT_TRUE(f.Execute);
    EXPECT_EQ(f.ExecutePar, L"/quiet /x");
    EXPECT_EQ(f.fullLocalPath, dir + L"\\sys\\drivers\\x.dll");
    EXPECT_EQ(f.UserName, L"u");
    EXPECT_EQ(f.Password, L"p");
    delete all[0];
}

TEST_F(ListFixture, LoadsUtf8GbkAndGb2312Declarations) {
    struct Case {
        const char* encoding;
        UINT codePage;
    } cases[] = {{"utf-8", CP_UTF8}, {"GBK", 936}, {"GB2312", 936}, {"gb2312", 936}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(FileList(L"<File><FileName>说明.txt</FileName></File>", c.encoding, c.codePage)))
            << c.encoding;
        std::vector<CUpdateFile*> all = TakeAll();
        ASSERT_EQ(all.size(), 1u) << c.encoding;
        EXPECT_EQ(all[0]->FileName, L"说明.txt") << c.encoding;
        delete all[0];
    }
}

TEST_F(ListFixture, RefusesBrokenListsAndUnsafeEntries) {
    EXPECT_FALSE(Load("<xmlRoot><File><FileName>a</FileName></xmlRoot>"));
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(files.LoadFromXml(dir + L"\\missing.xml"));

    ASSERT_TRUE(Load(FileList(L"<File><FileName>..\\..\\evil.exe</FileName></File>"
                              L"<File><FileName>good.dll</FileName></File>"
                              L"<File><FileName>evil2.exe</FileName><LocalPath>C:\\Windows</LocalPath></File>")));
    EXPECT_EQ(files.GetCount(), 1u);
    ASSERT_EQ(files.Refused().size(), 2u);
    EXPECT_EQ(files.Refused()[0], L"..\\..\\evil.exe");
}

TEST_F(ListFixture, UpdateDecisionByPresenceDateAndVersion) {
    CreateDirectoryW(folders.updater.c_str(), nullptr);
    // A plain file with a known write time, and a copy of a program with version 1.0.0.9.
    std::wstring plain = folders.updater + L"\\plain.txt";
    testfiles::WriteAll(plain, "data");
    FILETIME when;
    HANDLE h = CreateFileW(plain.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    GetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    std::wstring versioned = folders.updater + L"\\versioned.exe";
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"\\vela_update_recorder.exe").c_str(), versioned.c_str(), FALSE));

    struct Case {
        const wchar_t* file;
        const wchar_t* version;
        int dateOffset;  // list date relative to the local write time
        bool needed;
    } cases[] = {
        {L"absent.dll", L"0.0.0.1", -100, true},
        {L"absent.dll", L"", -100, true},
        {L"plain.txt", L"", 0, false},
        {L"plain.txt", L"", 1, true},
        {L"plain.txt", L"", -1, false},
        {L"plain.txt", L"1.0.0.0", -100, true},  // no version resource: lower than any version
        {L"versioned.exe", L"1.0.0.10", 0, true},
        {L"versioned.exe", L"1.0.0.9", 0, false},
        {L"versioned.exe", L"1.0.0.8", 0, false},
        {L"versioned.exe", L"1.0.1.0", 0, true},
    };
    for (const Case& c : cases) {
        CUpdateFile entry(folders.updater + L"\\" + c.file);
        entry.FileVersion = c.version;
        entry.FileDate = AddSeconds(when, c.dateOffset);
        EXPECT_EQ(entry.CheckNeedUpdate(), c.needed)
            << testfiles::Narrow(c.file) << " " << testfiles::Narrow(c.version) << " " << c.dateOffset;
    }
}

TEST_F(ListFixture, FileDatesWithALowHalfAbove2To31CompareExactly) {
    // Local files written at a time whose low half has its top bit set, as half of all times do.
    CreateDirectoryW(folders.updater.c_str(), nullptr);
    const FILETIME local = {0xC0000000u, 30000000u};
    for (const wchar_t* name : {L"same.txt", L"older.txt"}) {
        std::wstring path = folders.updater + L"\\" + name;
        testfiles::WriteAll(path, "x");
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &local));
        CloseHandle(h);
    }
    auto entry = [](const wchar_t* name, FILETIME date) {
        return L"<File><FileName>" + std::wstring(name) + L"</FileName><FileVersion></FileVersion><FileDateLow>" +
               std::to_wstring(date.dwLowDateTime) + L"</FileDateLow><FileDateHigh>" +
               std::to_wstring(date.dwHighDateTime) + L"</FileDateHigh></File>";
    };
    ASSERT_TRUE(Load(FileList(entry(L"same.txt", local) + entry(L"older.txt", AddSeconds(local, 1)))));
    EXPECT_EQ(files.RemoveUpToDate(), 1u);
    std::vector<CUpdateFile*> all = TakeAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->FileName, L"older.txt");
    for (CUpdateFile* f : all) delete f;
}

TEST_F(ListFixture, RemoveUpToDateKeepsNeededFilesAndSumsTheirLengths) {
    CreateDirectoryW(folders.updater.c_str(), nullptr);
    testfiles::WriteAll(folders.updater + L"\\current.txt", "x");
    ASSERT_TRUE(Load(FileList(L"<File><FileName>new1.dll</FileName><Length>3000000000</Length></File>"
                              L"<File><FileName>current.txt</FileName><Length>5</Length></File>"
                              L"<File><FileName>new2.dll</FileName><Length>2048</Length></File>")));
    EXPECT_EQ(files.RemoveUpToDate(), 2u);
    EXPECT_EQ(files.GetTotalLength(), 2147483647u + 2048u);
    std::vector<CUpdateFile*> all = TakeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->FileName, L"new1.dll");
    EXPECT_EQ(all[1]->FileName, L"new2.dll");
    for (CUpdateFile* f : all) delete f;
}

TEST(AppPath, ReadsTheLastAppPathNodeAsUtf8WhenMarkedElseAnsi) {
    std::wstring data = testfiles::PlayerDataFolder();
    CreateDirectoryW(data.c_str(), nullptr);
    const std::wstring name = L"app-test-" + std::to_wstring(GetCurrentProcessId()) + L".xml";
    const std::wstring player = L"C:\\音乐 盒\\VelaMusic.exe";
    // "目录" in the ANSI code page is C4 BF C2 BC, which is also valid UTF-8 (two other letters).
    const std::wstring folder = L"C:\\目录\\VelaMusic.exe";
    const std::string mark = "\xEF\xBB\xBF";
    const std::string declared = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    ASSERT_EQ(ToCodePage(L"目录", 936), "\xC4\xBF\xC2\xBC");
    struct Case {
        std::string bytes;
        int loaded;
        std::wstring path;
    } cases[] = {
        {mark + declared + "<AppPath>" + ToCodePage(player, CP_UTF8) + "</AppPath>\n", 1, player},
        {mark + declared + "<AppPath>" + ToCodePage(folder, CP_UTF8) + "</AppPath>\n", 1, folder},
        // Unmarked: the ANSI code page, whatever the declaration says and whether or not the
        // bytes would also read as UTF-8.
        {declared + "<AppPath>" + ToCodePage(folder, 936) + "</AppPath>\n", 1, folder},
        {declared + "<AppPath>" + ToCodePage(player, 936) + "</AppPath>\n", 1, player},
        {"<?xml version=\"1.0\" ?>\n<AppPath>C:\\a.exe</AppPath>\n<AppPath>C:\\b&amp;c.exe</AppPath>\n", 1,
         L"C:\\b&c.exe"},
        {mark + "<AppPath>C:\\a.exe</AppPath>", 1, L"C:\\a.exe"},
        {"<?xml version=\"1.0\" ?>\n<Other>C:\\a.exe</Other>\n", 1, L""},
        // A marked file whose text ends inside a character is refused, never read past its end.
        {mark + "<AppPath>C:\\\xE7\x9B", 0, L""},
        {"", 0, L""},
    };
    for (const Case& c : cases) {
        testfiles::WriteAll(data + L"\\" + name, c.bytes);
        std::wstring path = L"stale";
        EXPECT_EQ(LoadAppPath(name, path), c.loaded) << c.bytes;
        EXPECT_EQ(path, c.path) << c.bytes;
    }
    DeleteFileW((data + L"\\" + name).c_str());
    std::wstring path;
    EXPECT_EQ(LoadAppPath(name, path), 0);
    EXPECT_FALSE(StartPlayer(L"", L"Update_IDOK"));
}
