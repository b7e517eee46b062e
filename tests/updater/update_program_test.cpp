// The whole updater: Update.exe runs against the stand-in with an installation folder (whose
// name has a blank) and an "app.xml" naming a recorder program; the test drives its dialog and
// checks the files it installs, its log, and how it starts the "player" when it closes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "message_pump.h"
#include "standin_client.h"
#include "test_files.h"
#include "test_windows.h"

namespace {

const int kLogList = 1008;
const int kServerCombo = 1003;
const int kUpdateNow = 1005;

std::wstring TestProgramFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\'));
}

std::string ReadFixture(const wchar_t* name) { return testfiles::ReadAll(TestProgramFolder() + L"\\" + name); }

using testpump::PumpUntil;

void PutUpdateDocument(const std::string& path, const std::string& bytes, const char* encoding = nullptr) {
    std::string target = "/_ctl/update/" + path + (encoding ? std::string("?encoding=") + encoding : "");
    ASSERT_EQ(standin::Request("PUT", target, bytes).status, 200);
}

// The downloaded lists that are lying in the temporary folder.
size_t TemporaryListFiles() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(folder) + L"Xml*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    size_t count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

std::string UpdateUrl(const std::string& path) { return standin::BaseUrl() + "/clientupdate/" + path; }

// One "File" element of a file list (UTF-8 text).
struct ListEntry {
    std::string name;
    std::string url;
    size_t length = 0;
    bool newer = true;  // the list's date lies far ahead of any local file
    std::string localPath;
    bool execute = false;
    std::string executePar;
    bool registerIt = false;

    std::string Xml() const {
        return "<File><FileName>" + name + "</FileName><FileVersion></FileVersion><Length>" + std::to_string(length) +
               "</Length><FileDateLow>0</FileDateLow><FileDateHigh>" + (newer ? "2147483647" : "0") +
               "</FileDateHigh><InstallDir>CURRENTDIR</InstallDir><Register>" + (registerIt ? "YES" : "NO") +
               "</Register><Execute>" + (execute ? "YES" : "NO") + "</Execute><ExecutePar>" + executePar +
               "</ExecutePar><LocalPath>" + localPath + "</LocalPath><URL>" + url + "</URL></File>";
    }
};

std::string FileListXml(const std::vector<ListEntry>& entries, const char* declared) {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + declared +
                      "\"?>\r\n<xmlRoot keyname=\"KeyValue\"><Product productname=\"VelaMusic\">";
    for (const ListEntry& e : entries) xml += e.Xml();
    return xml + "</Product></xmlRoot>\r\n";
}

// Serves a file under /clientupdate/files/ and returns its entry.
ListEntry Served(const std::string& name, const std::string& bytes, const std::string& query = "") {
    PutUpdateDocument("files/" + name, bytes);
    ListEntry e;
    e.name = name;
    e.url = UpdateUrl("files/" + name) + query;
    e.length = bytes.size();
    return e;
}

// A running Update.exe and its dialog.
class Updater {
public:
    ~Updater() {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
            CloseHandle(process_);
        }
    }

    bool Start(const std::wstring& exe, const std::wstring& commandLine) {
        std::wstring line = L"\"" + exe + L"\" " + commandLine;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(0);
        std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
            return false;
        }
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        return PumpUntil([this] { return (dialog_ = FindDialog()) != nullptr; }, 30000);
    }

    HWND Dialog() const { return dialog_; }

    std::vector<std::wstring> Log() const {
        std::vector<std::wstring> lines;
        HWND list = GetDlgItem(dialog_, kLogList);
        DWORD_PTR count = 0;
        if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count)) return lines;
        for (DWORD_PTR i = 0; i < count; ++i) {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, 5000, &length);
            std::vector<wchar_t> text(length + 1);
            DWORD_PTR got = 0;
            SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 5000, &got);
            // Each line begins with the time "hh:mm:ss ".
            std::wstring line(text.data());
            lines.push_back(line.size() > 9 ? line.substr(9) : line);
        }
        return lines;
    }

    std::string LogText() const {
        std::string all;
        for (const std::wstring& line : Log()) all += testfiles::Narrow(line) + "\n";
        return all;
    }

    bool HasLine(const std::wstring& line) const {
        for (const std::wstring& l : Log()) {
            if (l == line) return true;
        }
        return false;
    }

    bool WaitForLine(const std::wstring& line, DWORD timeoutMs = 60000) const {
        return PumpUntil([&] { return HasLine(line); }, timeoutMs);
    }

    bool WaitForIdle(DWORD timeoutMs = 60000) const {
        return PumpUntil([&] { return IsWindowEnabled(GetDlgItem(dialog_, kUpdateNow)) != FALSE; }, timeoutMs);
    }

    bool WaitForExit(DWORD timeoutMs = 30000) const { return WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0; }

private:
    HWND FindDialog() const {
        return testwindows::FindTopLevel([this](HWND hwnd) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            return pid == pid_ && lstrcmpW(cls, L"#32770") == 0 && GetDlgItem(hwnd, kLogList) != nullptr;
        });
    }

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND dialog_ = nullptr;
};

class UpdateProgram : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        // Folder names with blanks and Chinese characters, as installations have them.
        install = testfiles::FreshDir(L"更新 inst");
        updateExe = install + L"\\Update.exe";
        ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"\\..\\..\\bin\\Update.exe").c_str(), updateExe.c_str(), FALSE));
        std::wstring playerDir = testfiles::FreshDir(L"播放器 player");
        player = playerDir + L"\\VelaMusic.exe";
        ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"\\vela_update_recorder.exe").c_str(), player.c_str(), FALSE));
        WriteAppXml("<AppPath>" + testfiles::Narrow(player) + "</AppPath>");
        PutServerList();
    }

    static void PutServerList() {
        PutUpdateDocument("config/serverlist.txt",
                          "Alpha|" + UpdateUrl("lists/a.xml") + "\r\nZulu|" + UpdateUrl("lists/z.xml") +
                              "\r\n  Beta 服务器 | " + UpdateUrl("lists/b.xml") +
                              "\r\nnot a server line\r\n",
                          "gbk");
    }

    void TearDown() override { DeleteFileW((testfiles::PlayerDataFolder() + L"\\app.xml").c_str()); }

    // As the player writes it: UTF-8 behind its byte-order mark.
    static void WriteAppXml(const std::string& body) {
        std::wstring data = testfiles::PlayerDataFolder();
        CreateDirectoryW(data.c_str(), nullptr);
        testfiles::WriteAll(data + L"\\app.xml",
                            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n" + body + "\n");
    }

    // An installed file with old content and an old date.
    void OldFile(const std::wstring& relative, const std::string& content) {
        ASSERT_TRUE(testfiles::WriteAll(install + L"\\" + relative, content));
    }

    std::string Installed(const std::wstring& relative) const { return testfiles::ReadAll(install + L"\\" + relative); }

    std::string PlayerStarts(DWORD waitMs = 30000) const {
        std::wstring log = player + L".log";
        PumpUntil([&] { return testfiles::Exists(log); }, waitMs);
        Sleep(200);
        return testfiles::ReadAll(log);
    }

    std::wstring install, updateExe, player;
};

}  // namespace

TEST_F(UpdateProgram, InstallsWhatIsMissingOrOlderRunsAndRegistersThenClosesWithIdok) {
    CreateDirectoryW((install + L"\\sub dir").c_str(), nullptr);
    OldFile(L"old.txt", "old content");
    OldFile(L"same.txt", "current content");

    std::vector<ListEntry> entries;
    entries.push_back(Served("new.txt", "brand new file"));
    entries.push_back(Served("old.txt", "replacement content"));
    ListEntry same = Served("same.txt", "must not be fetched");
    same.newer = false;
    entries.push_back(same);
    ListEntry tool = Served("tool.exe", ReadFixture(L"vela_update_recorder.exe"));
    tool.localPath = "sub dir";
    tool.execute = true;
    tool.executePar = "alpha beta";
    entries.push_back(tool);
    ListEntry reg = Served("reg.dll", ReadFixture(L"regfixture.dll"));
    reg.localPath = "sub dir";
    reg.registerIt = true;
    entries.push_back(reg);
    CreateDirectoryW((install + L"\\皮肤").c_str(), nullptr);
    ListEntry chinese = Served("readme-cn.txt", "说明文字");
    chinese.name = "说明.txt";
    chinese.localPath = "皮肤";
    entries.push_back(chinese);
    // Beta sorts between Alpha and Zulu but was added last: it is the server chosen automatically.
    PutUpdateDocument("lists/b.xml", FileListXml(entries, "GB2312"), "gb2312");

    Updater updater;
    ASSERT_TRUE(updater.Start(updateExe, L""));
    ASSERT_TRUE(updater.WaitForLine(L"更新完毕")) << updater.LogText();
    // Hidden for the tray icon at first, the dialog is shown by its modal loop.
    EXPECT_TRUE(IsWindowVisible(updater.Dialog()));

    std::vector<std::wstring> expected = {
        L"正在连接获取服务器列表",
        L"获取服务器列表成功,共取得 3 个可选服务器",
        L"正在连接：Beta 服务器",
        L"获取更新文件列表成功：Beta 服务器",
        L"需更新文件总数: 5, 文件总长度: " +
            std::to_wstring((entries[0].length + entries[1].length + tool.length + reg.length + chinese.length) / 1024) +
            L" KB",
        L"正在更新文件：new.txt",
        L"下载文件成功 [new.txt]",
        L"正在更新文件：old.txt",
        L"下载文件成功 [old.txt]",
        L"正在更新文件：tool.exe",
        L"下载文件成功 [tool.exe]",
        L"正在更新文件：reg.dll",
        L"下载文件成功 [reg.dll]",
        L"正在更新文件：说明.txt",
        L"下载文件成功 [说明.txt]",
        L"更新完毕",
    };
    EXPECT_EQ(updater.Log(), expected) << updater.LogText();

    EXPECT_EQ(Installed(L"new.txt"), "brand new file");
    EXPECT_EQ(Installed(L"old.txt"), "replacement content");
    EXPECT_EQ(Installed(L"same.txt"), "current content");
    EXPECT_EQ(Installed(L"皮肤\\说明.txt"), "说明文字");
    EXPECT_TRUE(standin::RequestsMatching("/clientupdate/files/same.txt").empty());
    EXPECT_FALSE(testfiles::Exists(install + L"\\old.txt.update"));

    std::wstring toolLog = install + L"\\sub dir\\tool.exe.log";
    ASSERT_TRUE(PumpUntil([&] { return testfiles::Exists(toolLog); }, 15000));
    EXPECT_NE(testfiles::ReadAll(toolLog).find("alpha beta"), std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return testfiles::Exists(install + L"\\sub dir\\reg.dll.registered"); }, 15000));

    // Both bars end full: the last file's bytes, and all bytes of the update.
    EXPECT_EQ(SendMessageW(GetDlgItem(updater.Dialog(), 1000), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(SendMessageW(GetDlgItem(updater.Dialog(), 1001), PBM_GETPOS, 0, 0), 100);

    // The combo box holds the servers, sorted, with the one added last selected.
    HWND combo = GetDlgItem(updater.Dialog(), kServerCombo);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    wchar_t selected[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(selected));
    EXPECT_STREQ(selected, L"Beta 服务器");

    // Minimising is refused; then the dialog's own button closes it.
    SendMessageW(updater.Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsIconic(updater.Dialog()));
    SendMessageW(GetDlgItem(updater.Dialog(), IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(updater.WaitForExit());
    EXPECT_EQ(PlayerStarts(), "Update_IDOK\n");
}

TEST_F(UpdateProgram, AFailedFileLeavesTheOldOneAndTheNextStillInstallsThenCancel) {
    const std::wstring names[] = {L"f404.txt", L"fhttps.txt", L"nofolder.txt", L"fcut.txt", L"held.txt", L"ok.txt"};
    for (const std::wstring& name : names) OldFile(name, "old " + testfiles::Narrow(name));

    std::vector<ListEntry> entries;
    ListEntry missing = Served("f404.txt", "x");
    missing.url = UpdateUrl("files/not-there.txt");
    entries.push_back(missing);
    ListEntry https = Served("fhttps.txt", "secure");
    https.url = "https://127.0.0.1:" + std::to_string(standin::Port()) + "/clientupdate/files/fhttps.txt";
    entries.push_back(https);
    ListEntry nofolder = Served("nofolder.txt", "somewhere");
    nofolder.localPath = "missing folder";
    entries.push_back(nofolder);
    entries.push_back(Served("fcut.txt", std::string(4000, 'c'), "?_b=cut=1500"));
    entries.push_back(Served("held.txt", "cannot replace"));
    ListEntry escape = Served("escape.txt", "outside");
    escape.name = "..\\escape.txt";
    entries.push_back(escape);
    entries.push_back(Served("ok.txt", "new ok"));
    PutUpdateDocument("lists/b.xml", FileListXml(entries, "GBK"), "gbk");

    // The target is held open by another program, so it cannot be replaced.
    HANDLE held = CreateFileW((install + L"\\held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Updater updater;
    ASSERT_TRUE(updater.Start(updateExe, L"http://elsewhere/list.txt manual"));
    ASSERT_TRUE(updater.WaitForLine(L"更新完毕")) << updater.LogText();
    CloseHandle(held);

    std::string log = updater.LogText();
    for (const char* line : {"拒绝安装到程序目录以外的文件 [..\\escape.txt]", "需更新文件总数: 6,",
                             "下载文件失败 [f404.txt], 错误代码 [6]", "下载文件失败 [fhttps.txt], 错误代码 [1]",
                             "下载文件失败 [nofolder.txt], 错误代码 [7]", "下载文件失败 [fcut.txt], 错误代码 [11]",
                             "删除文件失败 [held.txt]", "下载文件成功 [ok.txt]"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    for (const std::wstring& name : names) {
        // A failed download leaves no cut-short body; a complete one that could not take the
        // place of a file in use waits beside it.
        if (name != L"held.txt") {
            EXPECT_FALSE(testfiles::Exists(install + L"\\" + name + L".update")) << testfiles::Narrow(name);
        }
        if (name == L"ok.txt") continue;
        EXPECT_EQ(Installed(name), "old " + testfiles::Narrow(name)) << testfiles::Narrow(name);
    }
    EXPECT_EQ(Installed(L"ok.txt"), "new ok");
    EXPECT_EQ(Installed(L"held.txt.update"), "cannot replace");
    EXPECT_FALSE(testfiles::Exists(install + L"\\..\\escape.txt"));
    EXPECT_TRUE(standin::RequestsMatching("escape.txt").empty());
    // Whatever command line it was given, the built-in server list was fetched.
    EXPECT_EQ(standin::RequestsMatching("/clientupdate/config/serverlist.txt").size(), 1u);

    PostMessageW(updater.Dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(updater.WaitForExit());
    EXPECT_EQ(PlayerStarts(), "Update_IDCANCEL\n");
}

TEST_F(UpdateProgram, AnUnparseableListIsAFailureAnotherServerCanBeChosenAndWmCloseCancels) {
    OldFile(L"keep.txt", "old keep");
    PutUpdateDocument("lists/b.xml", "<?xml version=\"1.0\"?><xmlRoot><File><FileName>keep.txt</FileName></xmlRoot>");
    std::vector<ListEntry> entries = {Served("keep.txt", "from alpha")};
    PutUpdateDocument("lists/a.xml", FileListXml(entries, "utf-8"));

    Updater updater;
    ASSERT_TRUE(updater.Start(updateExe, L""));
    ASSERT_TRUE(updater.WaitForLine(L"解析更新文件列表失败：Beta 服务器")) << updater.LogText();
    ASSERT_TRUE(updater.WaitForIdle());
    EXPECT_FALSE(updater.HasLine(L"更新完毕"));
    EXPECT_EQ(Installed(L"keep.txt"), "old keep");

    // The user picks the other server and asks again.
    HWND combo = GetDlgItem(updater.Dialog(), kServerCombo);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    PostMessageW(updater.Dialog(), WM_COMMAND, MAKEWPARAM(kUpdateNow, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(updater.Dialog(), kUpdateNow)));
    ASSERT_TRUE(updater.WaitForLine(L"更新完毕")) << updater.LogText();
    EXPECT_TRUE(updater.HasLine(L"正在连接：Alpha"));
    EXPECT_EQ(Installed(L"keep.txt"), "from alpha");

    PostMessageW(updater.Dialog(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(updater.WaitForExit());
    EXPECT_EQ(PlayerStarts(), "Update_IDCANCEL\n");
}

TEST_F(UpdateProgram, UpToDateInstallationAndNoPlayerPathStartsNothing) {
    OldFile(L"same.txt", "current");
    ListEntry same = Served("same.txt", "server copy");
    same.newer = false;
    PutUpdateDocument("lists/b.xml", FileListXml({same}, "utf-8"));
    WriteAppXml("<Other>nothing</Other>");

    Updater updater;
    ASSERT_TRUE(updater.Start(updateExe, L""));
    ASSERT_TRUE(updater.WaitForLine(L"你当前的版本是最新的")) << updater.LogText();
    ASSERT_TRUE(updater.WaitForIdle());
    EXPECT_FALSE(updater.HasLine(L"更新完毕"));
    EXPECT_EQ(Installed(L"same.txt"), "current");

    SendMessageW(GetDlgItem(updater.Dialog(), IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(updater.WaitForExit());
    EXPECT_EQ(PlayerStarts(2000), "");
}

TEST_F(UpdateProgram, AFailedServerListIsLoggedAndLeavesTheControlsUsable) {
    // A refused list, and one cut off inside its first line ("Alpha|http://127.0.0"), which must
    // not turn into a server with a broken address.
    for (const char* behaviour : {"status=404", "cut=20"}) {
        standin::Reset();
        PutServerList();
        DeleteFileW((player + L".log").c_str());
        ASSERT_EQ(standin::Control("behave", std::string("prefix=/clientupdate/config/&b=") + behaviour), "ok");

        Updater updater;
        ASSERT_TRUE(updater.Start(updateExe, L"")) << behaviour;
        ASSERT_TRUE(updater.WaitForLine(L"获得服务器列表失败")) << behaviour << "\n" << updater.LogText();
        ASSERT_TRUE(updater.WaitForIdle()) << behaviour;
        EXPECT_EQ(SendMessageW(GetDlgItem(updater.Dialog(), kServerCombo), CB_GETCOUNT, 0, 0), 0) << behaviour;
        EXPECT_TRUE(standin::RequestsMatching("/clientupdate/lists/").empty()) << behaviour;

        PostMessageW(updater.Dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(updater.WaitForExit()) << behaviour;
        EXPECT_EQ(PlayerStarts(), "Update_IDCANCEL\n") << behaviour;
    }
}

TEST_F(UpdateProgram, AFailedFileListIsLoggedWithItsServerAndLeavesNoTemporaryFile) {
    // The list of the server chosen automatically (Beta) is not there.
    size_t before = TemporaryListFiles();

    Updater updater;
    ASSERT_TRUE(updater.Start(updateExe, L""));
    ASSERT_TRUE(updater.WaitForLine(L"取得服务器文件失败, 请选择其他服务器进行尝试：Beta 服务器")) << updater.LogText();
    ASSERT_TRUE(updater.WaitForIdle());
    EXPECT_FALSE(updater.HasLine(L"获取更新文件列表成功：Beta 服务器"));
    EXPECT_FALSE(updater.HasLine(L"更新完毕"));
    EXPECT_EQ(TemporaryListFiles(), before);

    SendMessageW(GetDlgItem(updater.Dialog(), IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(updater.WaitForExit());
    EXPECT_EQ(PlayerStarts(), "Update_IDOK\n");
}
