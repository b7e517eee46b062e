// The real VelaMusic.exe against the stand-in, driven from outside: one instance, the start-up
// report, the update check and hand-over, the tray menu, the close button and its dialog, and the
// playlist files across a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "download_list_file.h"
#include "local_helpers.h"
#include "login_credentials.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "standin_tracks.h"
#include "stat_report.h"
#include "test_files.h"
#include "win_owners.h"

using namespace e2e;

namespace {

const WORD kInfoTipsLayout = 203;
const WORD kMainLayout = 205;
const WORD kTrayMenuLayout = 210;
const WORD kOptionsLayout = 213;
const DWORD kExitMs = 30000;

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

std::wstring ResultFile(const wchar_t* name) { return testfiles::FromUnixPath(VELA_RESULTS_DIR) + L"\\" + name; }

std::wstring Setting(const wchar_t* section, const wchar_t* key) {
    wchar_t value[300] = {};
    ::GetPrivateProfileStringW(section, key, L"<missing>", value, 300, DataFile(L"Set.ini").c_str());
    return value;
}

std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// The request lines that the stand-in logged, one a line (for failure messages).
std::string RequestLines() {
    std::string lines;
    for (const std::string& request : standin::Requests()) lines += RequestLine(request) + "\n";
    return lines;
}

// The TrackIDs of a playlist file, in order.
std::vector<std::wstring> TrackIdsOf(const std::wstring& path) {
    std::vector<std::wstring> ids;
    TiXmlDocument document;
    if (!LoadXmlFile(document, path)) return ids;
    for (const TiXmlElement* track = document.FirstChildElement(); track != nullptr;
         track = track->NextSiblingElement()) {
        const TiXmlElement* id = track->FirstChildElement("TrackID");
        std::wstring text;
        if (id != nullptr && id->GetText() != nullptr) Utf8Fixed3ToWide(text, id->GetText());
        ids.push_back(text);
    }
    return ids;
}

bool IsTopmost(HWND hWnd) { return (::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

int WindowWidth(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc.right - rc.left;
}

class PlayerE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
        for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike", L"Dmanage", L"app.xml", L"update.ini"}) {
            ::DeleteFileW(DataFile(name).c_str());
        }
        folder = PrepareProgramFolder(L"player");
        program = folder + L"VelaMusic.exe";
    }

    // Starts the player with no command line and waits for its main window.
    // Its current folder is another one, as when a shortcut starts it.
    HWND StartPlayer(PlayerProcess& player) {
        EXPECT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
        HWND main = player.WaitForMainWindow();
        EXPECT_NE(main, nullptr);
        ::Sleep(300);  // painted, playlists built
        return main;
    }

    // Opens the tray menu as a right click on the tray icon does and chooses item k.
    void ChooseTrayItem(PlayerProcess& player, const wchar_t* item, const wchar_t* screenshot = nullptr) {
        SCOPED_TRACE(testfiles::Narrow(item));
        ::PostMessageW(player.MainWindow(), VelaUI::WM_TRAYICON, 0, WM_RBUTTONDOWN);
        HWND menu = player.WaitForWindow(L"MenuRightKey_Tray");
        ASSERT_NE(menu, nullptr);
        ::Sleep(200);
        if (screenshot != nullptr) SaveScreenshot(ResultFile(screenshot));
        ASSERT_TRUE(ClickControl(program, kTrayMenuLayout, menu, item));
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(menu); }, 5000));
    }

    // Chooses in the close-behaviour dialog and confirms.
    void AnswerCloseDialog(HWND dialog, const std::vector<const wchar_t*>& clicks) {
        ASSERT_TRUE(e2e::AnswerCloseDialog(program, dialog, clicks));
    }

    void EndPlayer(PlayerProcess& player) {
        ::PostMessageW(player.MainWindow(), VelaUI::WM_TRAYMENU_EXIT, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
        EXPECT_EQ(code, 0u);
    }

    std::wstring folder;
    std::wstring program;
};

// Also: messages of the player's numbers that another program posts with made-up pointers are
// harmless, and the exit is prompt while the statistics host takes the heartbeat's connection
// and never answers.
TEST_F(PlayerE2ETest, StartsWithItsReportShowsTheMainWindowAndEndsPromptly) {
    ASSERT_EQ(standin::Control("behave", "prefix=" + standin::Escape("/datasta/?TypeID=01&ModId=07") + "&b=stall%3D0"),
              "ok");
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(::IsWindowVisible(main));
    RECT rc = {};
    ::GetWindowRect(main, &rc);
    EXPECT_EQ(rc.right - rc.left, 900);
    EXPECT_EQ(rc.bottom - rc.top, 600);
    std::string mac;
    GetMacAddress(mac);
    const std::vector<std::string> reports = standin::RequestsMatching("/datasta/");
    ASSERT_GE(reports.size(), 1u);
    EXPECT_EQ(RequestLine(reports[0]), "GET /datasta/?" + StatReportQuery("01", "05", "005", mac, "", "") + " HTTP/1.1");
    EXPECT_TRUE(WaitFor([] { return standin::RequestsMatching("ModId=07").size() == 1; }, 5000));  // the heartbeat
    EXPECT_TRUE(standin::RequestsMatching("update.ini").empty());
    SaveScreenshot(ResultFile(L"player-main.bmp"));

    // The engine's time text, the page's "add all" and a control's notification as any program
    // can post them, with addresses that are nothing in the player: no question, no crash.
    const LPARAM nowhere = 0x1234;
    ::PostMessageW(main, WM_NOTIFY, 0, nowhere);
    ::PostMessageW(main, VelaUI::WM_PLAYER_PROGRESS, 0, 5000);
    ::PostMessageW(main, VelaUI::WM_PLAYER_PROGRESS, 1, nowhere);
    ::PostMessageW(main, VelaUI::WM_WEB_ADD_ALL, static_cast<WPARAM>(nowhere), 2);
    ::PostMessageW(main, VelaUI::WM_WEB_ADD_ALL, static_cast<WPARAM>(-1), -1);
    // Handled in order: once the window has hidden, the messages before it have been handled.
    ::PostMessageW(main, VelaUI::WM_CLOSESET_OK, 1, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
    EXPECT_TRUE(player.IsRunning());
    EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaCloseSetForm"), nullptr);

    // The heartbeat's report still waits for its answer: the exit does not wait for it.
    const DWORD exitAt = ::GetTickCount();
    EndPlayer(player);
    EXPECT_LT(::GetTickCount() - exitAt, 8000u) << "the exit waited for the statistics host";
    EXPECT_TRUE(PlayerWindows().empty());
}

TEST_F(PlayerE2ETest, ASecondStartBringsTheFirstWindowBackAndShowsNothing) {
    PlayerProcess first;
    HWND main = StartPlayer(first);
    ASSERT_NE(main, nullptr);
    ::PostMessageW(main, VelaUI::WM_CLOSESET_OK, 1, 0);  // hidden to the tray
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
    PlayerProcess second;
    ASSERT_TRUE(second.Start(program, L""));
    DWORD code = 1;
    EXPECT_TRUE(second.WaitForExit(kExitMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5000));
    EXPECT_EQ(PlayerWindows().size(), 1u);
    // The second instance sent no report of its own.
    EXPECT_EQ(standin::RequestsMatching("ModId=05").size(), 1u);
    EndPlayer(first);
}

// Started by the updater, the player compares the offered version with its own (1.0.0.1).
struct UpdateCase {
    const char* what;
    const wchar_t* commandLine;  // "<program>" stands for the program's quoted path
    const char* offered;
    bool checks;                 // update.ini is fetched
    bool prompts;
    bool agree;                  // OK, else Esc
};

void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.what; }

class UpdateCheckTest : public PlayerE2ETest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateCheckTest, PromptsOnlyForANewerVersion) {
    const UpdateCase& c = GetParam();
    ASSERT_EQ(standin::Control("appversion", std::string("ver=") + c.offered), c.offered);
    // The updater's place is taken by a program that records its start.
    ASSERT_TRUE(::CopyFileW(BuiltTestProgram(L"vela_update_recorder.exe").c_str(), (folder + L"Update.exe").c_str(), FALSE));
    std::wstring commandLine = c.commandLine;
    if (commandLine.find(L"<program>") == 0) commandLine = L"\"" + program + L"\"" + commandLine.substr(9);
    PlayerProcess player;
    // Another current folder: the updater is found beside the player, not in the current folder.
    ASSERT_TRUE(player.Start(program, commandLine, testfiles::FreshDir(L"elsewhere")));
    HWND prompt = nullptr;
    if (c.prompts) {
        prompt = player.WaitForWindow(L"VelaUI::VelaCloseSetForm", 20000);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(WindowWidth(prompt), 367);  // the info tip
        EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaMainForm"), nullptr);
        if (c.agree) {
            // OK, where the two-button tip puts it.
            ASSERT_TRUE(ClickControl(program, kInfoTipsLayout, prompt, L"BtnOK", {{L"BtnOK", L"pos", L"79,75,169,102"}}));
        } else {
            ::PostMessageW(prompt, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    }
    const std::wstring updaterLog = folder + L"Update.exe.log";
    if (c.prompts && c.agree) {
        DWORD code = 1;
        EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(WaitForFile(updaterLog, 10000));
        EXPECT_TRUE(PlayerWindows().empty());
    } else {
        HWND main = player.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaCloseSetForm"), nullptr);
        EndPlayer(player);
        EXPECT_FALSE(testfiles::Exists(updaterLog));
    }
    EXPECT_EQ(standin::RequestsMatching("GET /clientupdate/app/update.ini").size(), c.checks ? 1u : 0u);
    if (c.checks) {
        std::string appXml;
        ASSERT_TRUE(WaitForFile(DataFile(L"app.xml"), 5000, &appXml));
        EXPECT_NE(appXml.find(testfiles::Narrow(program)), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Player, UpdateCheckTest,
    ::testing::Values(UpdateCase{"newer, OK starts the updater", L"Update_IDOK", "1.0.10.0", true, true, true},
                      UpdateCase{"newer in the last part, cancelled", L"Update_IDCANCEL", "1.0.0.2", true, true, false},
                      UpdateCase{"equal", L"Update_IDOK", "1.0.0.1", true, false, false},
                      UpdateCase{"older", L"Update_IDOK", "0.9.99.99", true, false, false},
                      UpdateCase{"keyword after the program path", L"<program> Update_IDOK", "2.0.0.0", false, false,
                                 false},
                      UpdateCase{"other letter case", L"update_idok", "2.0.0.0", false, false, false}));

TEST_F(PlayerE2ETest, TrayMenuOptionsTopmostAndExit) {
    testfiles::WriteAll(DataFile(L"Set.ini"), "[Option]\r\na=0\r\nb=1\r\nd=0\r\ne=0\r\ng=1\r\n[CloseSet]\r\na=0\r\nb=0\r\n");
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);

    ChooseTrayItem(player, L"MenuElement_2", L"player-tray-menu.bmp");
    HWND options = player.WaitForWindow(L"VelaUI::VelaOptionForm");
    ASSERT_NE(options, nullptr);
    ::Sleep(300);
    SaveScreenshot(ResultFile(L"player-options.bmp"));

    // While the dialog runs, the tray icon opens no menu and the menu's items no second dialog.
    ::PostMessageW(main, VelaUI::WM_TRAYICON, 0, WM_RBUTTONDOWN);
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_OPTIONS, 0, 0);
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_ABOUT, 0, 0);
    ::PostMessageW(main, VelaUI::WM_CLOSESET_OK, 1, 0);  // hides the window after the others
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
    EXPECT_EQ(FindProcessWindow(player.Id(), L"MenuRightKey_Tray"), nullptr);
    EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaCloseSetForm"), nullptr);  // the about dialog's class
    EXPECT_FALSE(::IsWindowEnabled(main));
    // A left click on the icon shows the window again, under the dialog that still runs.
    ::PostMessageW(main, VelaUI::WM_TRAYICON, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5000));
    EXPECT_EQ(player.WaitForWindow(L"VelaUI::VelaOptionForm"), options);
    EXPECT_FALSE(::IsWindowEnabled(main));
    ::Sleep(300);
    SaveScreenshot(ResultFile(L"player-options-after-tray.bmp"));
    ASSERT_TRUE(ClickControl(program, kOptionsLayout, options, L"RadioTray"));
    ::Sleep(100);
    ASSERT_TRUE(ClickControl(program, kOptionsLayout, options, L"BtnOK"));
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(options); }, 5000));
    EXPECT_TRUE(WaitFor([] { return Setting(L"Option", L"b") == L"0"; }, 5000));
    EXPECT_EQ(Setting(L"Option", L"e"), L"1");
    EXPECT_EQ(Setting(L"CloseSet", L"a"), L"1");
    EXPECT_EQ(Setting(L"Option", L"g"), L"1");

    {
        // A "Set.ini" that cannot be written (held by another program): the options say so and
        // stay open with what the user chose.
        CScopedHandle hold(::CreateFileW(DataFile(L"Set.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold.IsValid());
        ChooseTrayItem(player, L"MenuElement_2");
        options = player.WaitForWindow(L"VelaUI::VelaOptionForm");
        ASSERT_NE(options, nullptr);
        ::Sleep(300);
        ASSERT_TRUE(ClickControl(program, kOptionsLayout, options, L"RadioSong_Singer"));
        ASSERT_TRUE(ClickControl(program, kOptionsLayout, options, L"BtnOK"));
        HWND tip = player.WaitForWindow(L"VelaUI::VelaCloseSetForm");
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(WindowWidth(tip), 367);
        ::Sleep(300);
        SaveScreenshot(ResultFile(L"player-options-not-saved.bmp"));
        ::PostMessageW(tip, WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(tip); }, 5000));
        EXPECT_TRUE(::IsWindowVisible(options));
        ASSERT_TRUE(ClickControl(program, kOptionsLayout, options, L"BtnCancel"));
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(options); }, 5000));
    }
    EXPECT_EQ(Setting(L"Option", L"d"), L"0");

    ChooseTrayItem(player, L"MenuElement_3");
    EXPECT_TRUE(WaitFor([&] { return IsTopmost(main); }, 5000));
    ChooseTrayItem(player, L"MenuElement_3");
    EXPECT_TRUE(WaitFor([&] { return !IsTopmost(main); }, 5000));

    // Online update: the updater starts from the player's folder. It keeps running while its hold
    // file is there; meanwhile the window answers, a second choice starts no second updater, and
    // exit ends the player at once, the updater running on by itself.
    ASSERT_TRUE(::CopyFileW(BuiltTestProgram(L"vela_update_recorder.exe").c_str(), (folder + L"Update.exe").c_str(), FALSE));
    const std::wstring hold = folder + L"Update.exe.hold";
    testfiles::WriteAll(hold, "");
    struct Release {
        std::wstring path;
        ~Release() { ::DeleteFileW(path.c_str()); }
    } release{hold};
    ChooseTrayItem(player, L"MenuElement_4");
    EXPECT_TRUE(WaitForFile(folder + L"Update.exe.log", 10000));
    DWORD_PTR answer = 0;
    EXPECT_NE(::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    ChooseTrayItem(player, L"MenuElement_4");
    ChooseTrayItem(player, L"MenuElement_3");  // handled after the second choice of the updater
    EXPECT_TRUE(WaitFor([&] { return IsTopmost(main); }, 5000));
    EXPECT_EQ(RunningProcesses(L"Update.exe"), 1);

    ChooseTrayItem(player, L"MenuElement_7");
    DWORD code = 1;
    EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(RunningProcesses(L"Update.exe"), 1);
    ::DeleteFileW(hold.c_str());
    EXPECT_TRUE(WaitFor([] { return RunningProcesses(L"Update.exe") == 0; }, 10000));
}

TEST_F(PlayerE2ETest, TheCloseButtonAsksAndTheChoiceHoldsAtTheNextStart) {
    {
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        HWND dialog = OpenCloseDialog(player);
        ASSERT_NE(dialog, nullptr);
        ::Sleep(300);
        SaveScreenshot(ResultFile(L"player-close.bmp"));
        AnswerCloseDialog(dialog, {L"RadioTray", L"CheckNotDisplay"});
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
        EXPECT_TRUE(player.IsRunning());
        EXPECT_EQ(Setting(L"CloseSet", L"a"), L"1");
        EXPECT_EQ(Setting(L"CloseSet", L"b"), L"1");
        EXPECT_EQ(Setting(L"Option", L"e"), L"1");
        EndPlayer(player);
    }
    {
        // Not asked again: the close button hides the window at once.
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnClose"));
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
        EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaCloseSetForm"), nullptr);
        // The tray icon brings it back.
        ::PostMessageW(main, VelaUI::WM_TRAYICON, 0, WM_LBUTTONDOWN);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5000));
        EndPlayer(player);
    }
    {
        // Asked again, and "exit" ends the player.
        testfiles::WriteAll(DataFile(L"Set.ini"), "[CloseSet]\r\na=1\r\nb=0\r\n");
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        HWND dialog = OpenCloseDialog(player);
        ASSERT_NE(dialog, nullptr);
        AnswerCloseDialog(dialog, {L"RadioExit"});
        DWORD code = 1;
        EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(Setting(L"CloseSet", L"a"), L"0");
    }
}

TEST_F(PlayerE2ETest, PlayListFilesSurviveARunByteForByteAlsoThroughAltF4) {
    // "晴天" by "周杰伦" with empty fields, and an ASCII id: every unit in three bytes.
    std::string fields;
    const char* const names[14] = {"TrackID", "TrackName", "TrackUrl", "ArtistNameList", "ArtistIDList", "AlbumName",
                                   "Time_Play", "Time_Collection", "FileSize", "Middleimage", "AlbumID", "FilePath",
                                   "FileName", "FileURL"};
    const std::wstring values[14] = {L"A", L"晴天", L"", L"周杰伦", L"", L"叶惠美", L"2012-05-01"};
    for (int i = 0; i < 14; ++i) {
        std::string encoded;
        for (wchar_t unit : values[i]) {
            encoded += static_cast<char>(0xE0 | ((unit >> 12) & 0x0F));
            encoded += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            encoded += static_cast<char>(0x80 | (unit & 0x3F));
        }
        fields += std::string("    <") + names[i] + ">" + encoded + "</" + names[i] + ">\n";
    }
    const std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Track>\n" + fields +
                             "    <IsDownloading>false</IsDownloading>\n    <IsLocalFile>false</IsLocalFile>\n</Track>\n";
    ASSERT_NE(file.find("<TrackID>\xE0\x81\x81</TrackID>"), std::string::npos);
    testfiles::WriteAll(DataFile(L"PLDefault"), file);
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
    ::Sleep(500);
    SaveScreenshot(ResultFile(L"player-playlist.bmp"));
    ::DeleteFileW(DataFile(L"PLDefault").c_str());  // written again at close
    ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1;
    EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"PLDefault")), file);
}

// The embedded page's host window: the child window that the browser puts into the main window.
HWND PageWindow(HWND main) { return ::FindWindowExW(main, nullptr, L"Shell Embedding", nullptr); }

// Where a window's child lies, in the window's client coordinates.
RECT ChildRect(HWND main, HWND child) {
    RECT rc = {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

// Whether the page lies in its place: the client area less 42 on the left, 138 at the top, 9 on
// the right and 33 at the bottom. The client area is read again after the page, so that a size
// change between the two reads is seen and both are read anew; what was read goes to client and
// placed.
bool PageFillsItsInset(HWND main, HWND page, RECT* client = nullptr, RECT* placed = nullptr) {
    RECT area = {}, rc = {};
    for (int i = 0; i < 10; ++i) {
        RECT after = {};
        ::GetClientRect(main, &area);
        rc = ChildRect(main, page);
        ::GetClientRect(main, &after);
        if (::EqualRect(&area, &after)) break;
    }
    if (client != nullptr) *client = area;
    if (placed != nullptr) *placed = rc;
    return rc.left == 42 && rc.top == 138 && rc.right == area.right - 9 && rc.bottom == area.bottom - 33;
}

TEST_F(PlayerE2ETest, TheEmbeddedPageFollowsTheWindowWhenMaximisedAndResized) {
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    HWND page = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (page = PageWindow(main)) != nullptr && PageFillsItsInset(main, page); }, 10000));

    // Maximised, the window covers the screen. (Without a window manager Wine gives the window its
    // old size back soon after, and the page follows that too.)
    ::ShowWindow(main, SW_MAXIMIZE);
    RECT client = {}, placed = {};
    EXPECT_TRUE(PageFillsItsInset(main, page, &client, &placed)) << Describe(placed) << " in " << Describe(client);
    EXPECT_EQ(client.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_TRUE(WaitFor([&] { return PageFillsItsInset(main, page); }, 5000)) << Describe(ChildRect(main, page));

    ::ShowWindow(main, SW_RESTORE);
    ASSERT_TRUE(WaitFor([&] { return WindowWidth(main) == 900; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return PageFillsItsInset(main, page); }, 5000)) << Describe(ChildRect(main, page));

    ::SetWindowPos(main, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowWidth(main) == 1000; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return PageFillsItsInset(main, page); }, 5000)) << Describe(ChildRect(main, page));
    SaveScreenshot(ResultFile(L"player-resized.bmp"));
    EndPlayer(player);
}

// A default playlist of 100 tracks ("5000" to "5099") in a list that shows about 16 rows: the
// wheel, Page Down and a click on the bar below its thumb each bring later rows into view.
TEST_F(PlayerE2ETest, ALongPlayListScrollsWithTheWheelPageDownAndItsBar) {
    const int kTracks = 100;
    std::vector<std::string> ids;
    for (int i = 0; i < kTracks; ++i) ids.push_back(std::to_string(5000 + i));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), ids));
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
    ::Sleep(300);  // shown and laid out

    // Where the rows lie while the list is at its top: the body starts at the first row's top and
    // ends with the list; a wheel notch moves the list by one line, which is one row here, and a
    // page is the body's height.
    const std::vector<LayoutChange> shown = {{L"VLMyMusic", L"visible", L"true"}};
    RECT list = {}, first = {};
    ASSERT_TRUE(ControlRect(program, kMainLayout, main, L"ListPlayList", list, shown));
    ASSERT_TRUE(ListRowRect(program, kMainLayout, main, L"ListPlayList", kTracks, 0, first, shown));
    const int rowHeight = first.bottom - first.top;
    const int page = list.bottom - first.top;
    ASSERT_GT(rowHeight, 0);
    ASSERT_LT(page, kTracks * rowHeight);
    // A point in the middle of the body, so that the row under it is always wholly shown.
    const POINT at = {(first.left + first.right) / 2, (first.top + list.bottom) / 2};
    const int maxScroll = kTracks * rowHeight - page;
    auto rowAt = [&](int scroll) { return (at.y - first.top + std::min(scroll, maxScroll)) / rowHeight; };

    // The track of the row under the point: a double click plays it, and the play-URL request
    // names it; Stop then keeps a track that cannot play from handing on to the next.
    auto trackAtPoint = [&]() -> std::string {
        const size_t before = PlayUrlRequests().size();
        DoubleClickAt(main, at.x, at.y);
        if (!WaitFor([&] { return PlayUrlRequests().size() > before; }, 10000)) return "none";
        const std::string id = PlayUrlRequests()[before];
        EXPECT_TRUE(ClickControl(program, kMainLayout, main, L"BtnPlayStop", shown));
        size_t seen = 0;
        DWORD since = ::GetTickCount();
        WaitFor(
            [&] {
                const size_t now = PlayUrlRequests().size();
                if (now != seen) {
                    seen = now;
                    since = ::GetTickCount();
                }
                return ::GetTickCount() - since > 500;
            },
            10000);
        return id;
    };

    // The bar's thumb, in the strip between the rows and the list's right edge.
    const RECT bar = {first.right, first.top, list.right, list.bottom};
    auto thumb = [&] { return DrawnRows(main, bar, 0, bar.right - bar.left, ScrollBarThumb); };
    const std::vector<int> topThumb = thumb();
    ASSERT_EQ(topThumb.size(), 1u) << "the bar shows its thumb";

    int scroll = 0;
    EXPECT_EQ(trackAtPoint(), ids[rowAt(scroll)]);

    WheelAt(main, at.x, at.y, -3);
    scroll += 3 * rowHeight;
    EXPECT_EQ(trackAtPoint(), ids[rowAt(scroll)]) << "after three wheel notches down";

    ClickAt(main, at.x, at.y);  // the list takes the focus back from the Stop button
    PressKey(main, VK_NEXT);
    scroll += page;
    EXPECT_EQ(trackAtPoint(), ids[rowAt(scroll)]) << "after Page Down";

    // The bar fills the strip between the rows and the list's right edge; its thumb lies near
    // its top, so a click just above its lower end is on the rail below the thumb.
    ClickAt(main, (first.right + list.right) / 2, list.bottom - rowHeight / 2);
    scroll += page;
    EXPECT_EQ(trackAtPoint(), ids[rowAt(scroll)]) << "after a click on the bar below its thumb";
    const std::vector<int> scrolledThumb = thumb();
    ASSERT_EQ(scrolledThumb.size(), 1u);
    EXPECT_GT(scrolledThumb[0], topThumb[0] + (list.bottom - first.top) / 4) << "the thumb went down with the rows";
    SaveScreenshot(ResultFile(L"player-long-list-scrolled.bmp"));

    WheelAt(main, at.x, at.y, 2);
    scroll -= 2 * rowHeight;
    EXPECT_EQ(trackAtPoint(), ids[rowAt(scroll)]) << "after two wheel notches up";
    EndPlayer(player);
}

// Windows ends the session (log-off, shut-down): the player, hidden in the tray, gets
// WM_QUERYENDSESSION and WM_ENDSESSION and no WM_CLOSE, and is then ended. The favourite and the
// download of this run are in their files all the same, and the default list is as it was.
TEST_F(PlayerE2ETest, TheEndOfTheSessionKeepsThisRunsFavouritesAndDownloads) {
    const std::wstring downloads = testfiles::FreshDir(L"e2esession");
    ASSERT_TRUE(testfiles::WriteAll(
        DataFile(L"Set.ini"), "[Option]\r\nf=" + testfiles::ToAnsi(downloads) + "\r\ng=1\r\n[CloseSet]\r\nb=1\r\n"));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), {"1001", "1002"}));
    standin::SetTrackFile("1002", 300000, {}, "slow=60000");  // still downloading when the session ends
    // The window hides "BtnPush", so the buttons left of it sit further right than laid out.
    const std::vector<LayoutChange> playBar = {{L"VLMyMusic", L"visible", L"true"}, {L"BtnPush", L"visible", L"false"}};

    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
    RECT row = {};
    ASSERT_TRUE(
        ListRowRect(program, kMainLayout, main, L"ListPlayList", 2, 1, row, {{L"VLMyMusic", L"visible", L"true"}}));
    DoubleClickAt(main, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
    ASSERT_TRUE(WaitFor([] { return PlayUrlRequests() == std::vector<std::string>{"1002"}; }, 15000));
    // "BtnToDown" and "BtnILike" are enabled together when the track starts: the download's
    // request tells that it has.
    ASSERT_TRUE(WaitFor(
        [&] {
            ClickControl(program, kMainLayout, main, L"BtnToDown", playBar);
            return WaitFor([] { return !standin::RequestsMatching("GetTrackDownUrl").empty(); }, 300);
        },
        15000));
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnILike", playBar));
    // Hidden to the tray after the click was taken.
    ::PostMessageW(main, VelaUI::WM_CLOSESET_OK, 1, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));

    DWORD_PTR answer = 0;
    ASSERT_NE(::SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer), 0);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));  // the player does not hold the end up
    ASSERT_NE(::SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer), 0);
    player.Kill();
    EXPECT_FALSE(player.IsRunning());

    EXPECT_EQ(TrackIdsOf(DataFile(L"PLILike")), std::vector<std::wstring>{L"1002"});
    EXPECT_EQ(TrackIdsOf(DataFile(L"PLDefault")), (std::vector<std::wstring>{L"1001", L"1002"}));
    std::vector<VelaUI::DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].TrackID, L"1002");
    EXPECT_EQ(saved[0].Status, L"waiting");
    testfiles::RemoveTree(downloads);
}

// What the player is busy with when the user ends it.
enum class Busy {
    OpeningAStalledStream,  // the track's stream sends nothing
    WaitingForThePlayUrl,   // the service takes long to name the stream
    Downloading,            // a track plays; its download got a part of the file, then nothing more
    SigningIn,              // the login dialog waits for the service's answer
};
enum class ExitWay {
    TrayMenu,
    CloseDialog,
    AltF4,
    CloseMessage,  // another program asks the window to close (as "taskkill" does)
    EndOfSession,
};

struct BusyExitCase {
    const char* what;
    Busy busy;
    ExitWay way;
};

void PrintTo(const BusyExitCase& c, std::ostream* os) { *os << c.what; }

class ExitWhileBusyTest : public PlayerE2ETest, public ::testing::WithParamInterface<BusyExitCase> {};

// However the user ends the player while it waits for the service, the process ends within a few
// seconds with no crash, and the playlists, the download list and the settings are whole.
TEST_P(ExitWhileBusyTest, EndsPromptlyAndLeavesItsFilesWhole) {
    const BusyExitCase& c = GetParam();
    const std::wstring downloads = testfiles::FreshDir(L"e2ebusy");
    const std::string settings = "[Option]\r\nf=" + testfiles::ToAnsi(downloads) + "\r\ng=1\r\n[CloseSet]\r\na=0\r\nb=0\r\n";
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Set.ini"), settings));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), {"1001", "1002"}));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLILike"), {"1003"}));
    switch (c.busy) {
    case Busy::OpeningAStalledStream:
        ASSERT_EQ(standin::Control("behave", "prefix=/files/&b=stall%3D0"), "ok");
        break;
    case Busy::WaitingForThePlayUrl:
        ASSERT_EQ(standin::Control("behave", "prefix=" + standin::Escape("/api/rest/?method=Sylk42.Track.GetTrackPlayUrl") +
                                                 "&b=delay%3D30000"),
                  "ok");
        break;
    case Busy::Downloading:
        standin::SetTrackFile("1002", 3000000, {}, "stall=100000");
        break;
    case Busy::SigningIn: {
        // The dialog comes up with the remembered account and password.
        const std::wstring dataFolder = testfiles::PlayerDataFolder();
        VelaUI::LoginSettings login;
        login.rememberPassword = true;
        login.account = L"demo";
        ASSERT_TRUE(VelaUI::WriteLoginSettings(dataFolder, login, true));
        ASSERT_TRUE(VelaUI::SaveRememberedPassword(dataFolder, L"demo123"));
        ASSERT_EQ(standin::Control("behave", "prefix=" + standin::Escape("/api/rest/?method=Sylk42.User.Login") +
                                                 "&b=delay%3D30000"),
                  "ok");
        break;
    }
    }
    const std::vector<LayoutChange> playBar = {{L"VLMyMusic", L"visible", L"true"}, {L"BtnPush", L"visible", L"false"}};

    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    if (c.busy == Busy::SigningIn) {
        ::PostMessageW(main, VelaUI::WM_TRAYMENU_LOGIN, 0, 0);
        HWND dialog = player.WaitForWindow(L"VelaUI::VelaLoginForm");
        ASSERT_NE(dialog, nullptr);
        ::Sleep(300);
        PressKey(dialog, VK_RETURN);
        ASSERT_TRUE(WaitFor([] { return !standin::RequestsMatching("Sylk42.User.Login").empty(); }, 10000))
            << RequestLines();
    } else {
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
        RECT row = {};
        ASSERT_TRUE(
            ListRowRect(program, kMainLayout, main, L"ListPlayList", 2, 1, row, {{L"VLMyMusic", L"visible", L"true"}}));
        DoubleClickAt(main, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
        ASSERT_TRUE(WaitFor([] { return !standin::RequestsMatching("GetTrackPlayUrl").empty(); }, 15000));
    }
    if (c.busy == Busy::OpeningAStalledStream) {
        ASSERT_TRUE(WaitFor([] { return !standin::RequestsMatching("GET /files/").empty(); }, 15000));
    } else if (c.busy == Busy::Downloading) {
        ASSERT_TRUE(WaitFor(
            [&] {
                ClickControl(program, kMainLayout, main, L"BtnToDown", playBar);
                return WaitFor([] { return !standin::RequestsMatching("GetTrackDownUrl").empty(); }, 300);
            },
            15000));
        ASSERT_TRUE(WaitFor([] { return !standin::RequestsMatching("/trackfile/1002").empty(); }, 15000))
            << RequestLines();
    }
    ::Sleep(300);  // well into the wait

    const DWORD exitAt = ::GetTickCount();
    switch (c.way) {
    case ExitWay::TrayMenu:
        ChooseTrayItem(player, L"MenuElement_7");
        break;
    case ExitWay::CloseDialog: {
        HWND dialog = OpenCloseDialog(player);
        ASSERT_NE(dialog, nullptr);
        AnswerCloseDialog(dialog, {L"RadioExit"});
        break;
    }
    case ExitWay::AltF4:
        ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case ExitWay::CloseMessage:
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        break;
    case ExitWay::EndOfSession: {
        DWORD_PTR answer = 0;
        ASSERT_NE(::SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer), 0);
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
        ASSERT_NE(::SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer), 0);
        player.Kill();
        break;
    }
    }
    DWORD code = 1;
    EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
    // A sign-in holds the window's thread up to the request's time-out (5 s); then the dialog
    // closes, and Wine, with no window manager to answer, waits about 4 s on its hidden window.
    const DWORD promptMs = c.busy == Busy::SigningIn ? 15000 : 8000;
    EXPECT_LT(::GetTickCount() - exitAt, promptMs) << "the exit waited for the service";
    if (c.way != ExitWay::EndOfSession) {
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(RunningProcesses(L"winedbg.exe"), 0);
    EXPECT_TRUE(PlayerWindows().empty());

    EXPECT_EQ(TrackIdsOf(DataFile(L"PLDefault")), (std::vector<std::wstring>{L"1001", L"1002"}));
    EXPECT_EQ(TrackIdsOf(DataFile(L"PLILike")), std::vector<std::wstring>{L"1003"});
    EXPECT_EQ(Setting(L"Option", L"f"), downloads);
    EXPECT_EQ(Setting(L"CloseSet", L"b"), L"0");
    std::vector<VelaUI::DownloadItem> saved;
    if (c.busy == Busy::Downloading) {
        ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].TrackID, L"1002");
    } else if (testfiles::Exists(DataFile(L"Dmanage"))) {
        EXPECT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
        EXPECT_TRUE(saved.empty());
    }
    standin::Reset();  // lets a stalled reply go
    testfiles::RemoveTree(downloads);
}

INSTANTIATE_TEST_SUITE_P(
    Player, ExitWhileBusyTest,
    ::testing::Values(BusyExitCase{"tray exit while a stream stalls", Busy::OpeningAStalledStream, ExitWay::TrayMenu},
                      BusyExitCase{"Alt+F4 while the play URL is slow", Busy::WaitingForThePlayUrl, ExitWay::AltF4},
                      BusyExitCase{"close dialog exit while downloading", Busy::Downloading, ExitWay::CloseDialog},
                      BusyExitCase{"end of session while the play URL is slow", Busy::WaitingForThePlayUrl,
                                   ExitWay::EndOfSession},
                      BusyExitCase{"a close message while signing in", Busy::SigningIn, ExitWay::CloseMessage}));

// Started and ended again and again, each start coming while the one before is still closing:
// never two players at once, and the files that each run saves are whole.
TEST_F(PlayerE2ETest, QuickStartsDuringTheLastExitKeepOneInstanceAndWholeFiles) {
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), {"1001", "1002", "1003"}));
    const std::vector<std::wstring> ids = {L"1001", L"1002", L"1003"};
    auto running = std::make_unique<PlayerProcess>();
    ASSERT_NE(StartPlayer(*running), nullptr);
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        ::PostMessageW(running->MainWindow(), VelaUI::WM_TRAYMENU_EXIT, 0, 0);
        auto next = std::make_unique<PlayerProcess>();
        ASSERT_TRUE(next->Start(program, L"", testfiles::FreshDir(L"cwd")));
        bool twoAtOnce = false;
        DWORD code = 1;
        ASSERT_TRUE(WaitFor(
            [&] {
                twoAtOnce = twoAtOnce || PlayerWindows().size() > 1;
                return running->WaitForExit(0, &code);
            },
            kExitMs));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(TrackIdsOf(DataFile(L"PLDefault")), ids);
        // The new start found the closing player and ended, or it runs on alone.
        code = 1;
        ASSERT_TRUE(WaitFor([&] { return next->WaitForExit(0, &code) || next->WaitForMainWindow(0) != nullptr; }, 20000));
        if (!next->IsRunning()) {
            EXPECT_EQ(code, 0u);
            next = std::make_unique<PlayerProcess>();
            ASSERT_TRUE(next->Start(program, L"", testfiles::FreshDir(L"cwd")));
        }
        running = std::move(next);
        ASSERT_NE(running->WaitForMainWindow(), nullptr);
        EXPECT_FALSE(twoAtOnce);
        EXPECT_EQ(PlayerWindows().size(), 1u);
        EXPECT_EQ(RunningProcesses(L"winedbg.exe"), 0);
    }
    EndPlayer(*running);
    EXPECT_EQ(TrackIdsOf(DataFile(L"PLDefault")), ids);
}

}  // namespace
