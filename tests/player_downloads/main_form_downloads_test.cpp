// The download manager in the main window, in-process against the stand-in: "BtnToDown" on the
// current track, the limit of parallel downloads and the start of waiting items whenever a place
// frees, the rows' columns at the window's default size, the row icons (pause, resume, wait,
// delete), a download that fails, tracks of one name, the web page's download request through
// window.external, and "Dmanage" across a close and a new start, also when it cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download_list_file.h"
#include "download_row.h"
#include "main_form_fixture.h"
#include "main_messages.h"
#include "player_forms_util.h"
#include "standin_client.h"
#include "standin_tracks.h"
#include "test_files.h"
#include "web_browser.h"
#include "web_test_support.h"

using namespace mainform;
using UIToolkit::CControlUI;
using VelaUI::DownloadItem;

namespace {

const wchar_t kDone[] = L"\u5DF2\u5B8C\u6210";  // "已完成"
const wchar_t kIconRunning[] = L"file='xz_zt.png' source='0,0,18,25'";
const wchar_t kIconPaused[] = L"file='xz_ks.png' source='0,0,18,25'";
const wchar_t kIconWaiting[] = L"file='xz_dd.png' source='0,0,18,25'";
// One monitor period and a little.
const DWORD kPeriodMs = 2600;

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TrackFields Track(const char* id, const char* name, const char* artist) {
    TrackFields track;
    track.texts[0] = id;
    track.texts[1] = name;
    track.texts[3] = artist;
    return track;
}

DownloadItem Waiting(const wchar_t* id, const wchar_t* name, const wchar_t* progress) {
    DownloadItem item;
    item.TrackID = id;
    item.TrackName = name;
    item.ArtistName = L"Miles Davis";
    item.Status = L"waiting";
    item.Progress = progress;
    item.FileSize = L"12KB";
    item.Speed = L"3KB/s";
    return item;
}

class MainDownloadsTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        standin::Reset();
        folder_ = testfiles::FreshDir(L"maindownloads");
        WriteSettings("[Option]\r\nf=" + testfiles::Narrow(folder_) + "\r\ng=1\r\n[CloseSet]\r\nb=1\r\n");
    }
    void TearDown() override {
        MainFormTest::TearDown();
        standin::Reset();  // ends a slowed reply at once
        testfiles::RemoveTree(folder_);
    }

    void SeedPlayList(const std::vector<TrackFields>& tracks) {
        ASSERT_TRUE(testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile(tracks)));
    }
    void SetCurrent(int index) {
        VelaUI::VelaMainForm::SharedGuard guard(form->SharedLock());
        form->GetCurrentPlayList()->currentIndex = index;
    }
    // "BtnToDown" for the playlist's track at index, as when that track plays.
    void DownloadPlaying(int index) {
        SetCurrent(index);
        Control(L"BtnToDown")->SetEnabled(true);  // playback enables it for each track
        Click(L"BtnToDown");
    }

    std::vector<DownloadItem> Items() { return form->GetDownloadItems(); }
    std::wstring Status(size_t i) {
        const std::vector<DownloadItem> items = Items();
        return i < items.size() ? items[i].Status : L"<none>";
    }
    bool WaitStatus(size_t i, const wchar_t* status, DWORD timeoutMs) {
        return PumpUntil([&] { return Status(i) == status; }, timeoutMs);
    }

    CControlUI* RowChild(int row, int child) {
        auto* list = List(L"ListDownloadManage");
        auto* element = list != nullptr ? dynamic_cast<UIToolkit::CContainerUI*>(list->GetItemAt(row)) : nullptr;
        return element != nullptr ? element->GetItemAt(child) : nullptr;
    }
    std::wstring RowText(int row, int child) {
        CControlUI* c = RowChild(row, child);
        return c != nullptr ? std::wstring(c->GetText().GetData()) : L"<none>";
    }
    std::wstring RowIcon(int row) {
        CControlUI* c = RowChild(row, VelaUI::kRowStatusIcon);
        return c != nullptr && c->GetBkImage() != nullptr ? c->GetBkImage() : L"<none>";
    }

    // The downloads view as the tab shows it, not scrolled.
    void ShowDownloads() {
        Click(L"BtnTabMyMusic");
        Click(L"BtnTabDownManage");
        ASSERT_NE(List(L"ListDownloadManage"), nullptr);
        Pump(50);
    }
    // The window opened at the downloads view with four places, and the first track of the seeded
    // playlist, "A" (1002), downloading slowly until a part of its file is on disk.
    void StartASlowDownloadOfA() {
        WriteSettings("[Option]\r\nf=" + testfiles::Narrow(folder_) + "\r\ng=4\r\n[CloseSet]\r\nb=1\r\n");
        standin::SetTrackFile("1002", 300000, {}, "slow=40000");
        Open();
        ShowDownloads();
        DownloadPlaying(0);
        ASSERT_TRUE(PumpUntil([&] { return testfiles::ReadAll(Target(L"A") + L"_0").size() > 20000; }, 3 * kPeriodMs));
    }
    // Where the list shows its rows: the body without room for the vertical bar, which a longer
    // list shows.
    RECT RowsView() {
        auto* list = List(L"ListDownloadManage");
        RECT view = list->GetBody()->GetPos();
        if (UIToolkit::CScrollBarUI* bar = list->GetVerticalScrollBar()) view.right -= bar->GetFixedWidth();
        return view;
    }
    // A real click on a row's icon, which must be inside the list's visible part.
    void ClickIcon(int row, int child) {
        Pump(30);
        CControlUI* icon = RowChild(row, child);
        ASSERT_NE(icon, nullptr);
        const RECT at = icon->GetPos();
        const RECT view = RowsView();
        ASSERT_TRUE(at.left >= view.left && at.right <= view.right) << "icon outside the list";
        formtest::PostClick(hWnd, icon);
        Pump(150);
    }

    std::wstring Target(const wchar_t* name) const { return folder_ + L"\\" + name + L".mp3"; }

    std::wstring folder_;
};

TEST_F(MainDownloadsTest, TheDownloadButtonDownloadsThePlayingTrackToTheByte) {
    SeedPlayList({Track("1001", "\xE6\x99\xB4\xE5\xA4\xA9", "Jay"), Track("1002", "Blue in Green", "Miles")});
    standin::SetTrackFile("1001", 300000, {}, "slow=80000");
    Open();
    // Nothing played yet: nothing to download.
    Click(L"BtnToDown");
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(standin::RequestsMatching("GetTrackDownUrl").empty());

    DownloadPlaying(0);
    ASSERT_EQ(Items().size(), 1u);
    EXPECT_EQ(Items()[0].TrackName, L"\u6674\u5929");
    EXPECT_EQ(Items()[0].ArtistName, L"Jay");
    EXPECT_EQ(Status(0), L"downloading");
    EXPECT_EQ(form->GetRunningDownloads(), 1);
    EXPECT_FALSE(Control(L"BtnToDown")->IsEnabled());
    ASSERT_EQ(standin::RequestsMatching("GetTrackDownUrl").size(), 1u);
    EXPECT_NE(standin::RequestsMatching("GetTrackDownUrl")[0].find("ProductID=1001"), std::string::npos);

    ShowDownloads();
    EXPECT_EQ(std::wstring(List(L"ListDownloadManage")->GetItemAt(0)->GetName().GetData()), L"MenuElement_0");
    EXPECT_EQ(RowIcon(0), kIconRunning);
    // While it runs the row shows a percentage, the speed and the size.
    ASSERT_TRUE(PumpUntil([&] { return EndsWith(RowText(0, 3), L"%") && RowText(0, 3) != L"0%"; }, 2 * kPeriodMs));
    EXPECT_TRUE(EndsWith(RowText(0, 5), L"KB/s"));
    EXPECT_EQ(RowText(0, 4), L"292KB");

    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    ASSERT_TRUE(PumpUntil([&] { return RowText(0, 3) == kDone; }, kPeriodMs));
    EXPECT_EQ(RowText(0, 4), L"292KB");
    EXPECT_EQ(RowText(0, 5), L"");
    EXPECT_EQ(RowIcon(0), kIconRunning);  // a complete row keeps its icon
    EXPECT_EQ(form->GetRunningDownloads(), 0);
    EXPECT_TRUE(testfiles::ReadAll(Target(L"\u6674\u5929")) == standin::TrackFileBytes("1001"));
}

// Limit 1: the second track waits ("readying") and starts within one period after the first
// completes. Reading the options again while a download runs keeps its place counted.
TEST_F(MainDownloadsTest, AtTheLimitTheNextItemStartsWhenThePlaceIsFree) {
    SeedPlayList({Track("1002", "Blue in Green", "Miles"), Track("1003", "So What", "Miles")});
    standin::SetTrackFile("1002", 240000, {}, "slow=80000");
    Open();
    DownloadPlaying(0);
    ASSERT_EQ(Status(0), L"downloading");
    ::SendMessageW(hWnd, VelaUI::WM_OPTION_SAVED, 0, 0);
    EXPECT_EQ(form->GetRunningDownloads(), 1);
    DownloadPlaying(1);
    ASSERT_EQ(Items().size(), 2u);
    EXPECT_EQ(Status(1), L"readying");
    EXPECT_TRUE(Control(L"BtnToDown")->IsEnabled());  // it did not start
    EXPECT_EQ(form->GetRunningDownloads(), 1);

    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    EXPECT_TRUE(PumpUntil([&] { return Status(1) != L"readying"; }, kPeriodMs));
    ASSERT_TRUE(WaitStatus(1, L"complete", 15000));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"Blue in Green")) == standin::TrackFileBytes("1002"));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"So What")) == standin::TrackFileBytes("1003"));
}

// Items read back from "Dmanage" wait for their status icon. Pause keeps the progress and frees
// the place; at the limit a paused item turns "waiting"; delete frees the place and keeps the
// file; a resume continues from the part file.
TEST_F(MainDownloadsTest, RowIconsPauseResumeWaitAndDelete) {
    ASSERT_TRUE(VelaUI::SaveDownloadItems(
        DataFile(L"Dmanage"), {Waiting(L"1002", L"Blue in Green", L"12%"), Waiting(L"1003", L"So What", L"3%")}));
    standin::SetTrackFile("1002", 400000, {}, "slow=50000");
    standin::SetTrackFile("1003", 400000, {}, "slow=50000");
    Open();
    ASSERT_EQ(Items().size(), 2u);
    ShowDownloads();
    EXPECT_EQ(RowIcon(0), kIconWaiting);
    EXPECT_EQ(RowIcon(1), kIconWaiting);
    EXPECT_EQ(RowText(0, 3), L"12%");
    EXPECT_TRUE(standin::RequestsMatching("GetTrackDownUrl").empty());  // nothing starts by itself

    ClickIcon(0, VelaUI::kRowStatusIcon);
    EXPECT_EQ(Status(0), L"downloading");
    EXPECT_EQ(RowIcon(0), kIconRunning);
    ClickIcon(1, VelaUI::kRowStatusIcon);  // no place
    EXPECT_EQ(Status(1), L"waiting");
    EXPECT_EQ(RowIcon(1), kIconWaiting);
    EXPECT_EQ(form->GetRunningDownloads(), 1);

    ASSERT_TRUE(PumpUntil([&] { return _wtoi(RowText(0, 3).c_str()) > 5; }, 3 * kPeriodMs));
    ClickIcon(0, VelaUI::kRowStatusIcon);  // pause
    EXPECT_EQ(Status(0), L"pause");
    EXPECT_EQ(RowIcon(0), kIconPaused);
    EXPECT_EQ(form->GetRunningDownloads(), 0);
    const std::wstring shown = RowText(0, 3);
    Pump(kPeriodMs);
    EXPECT_EQ(RowText(0, 3), shown);
    const std::wstring part = Target(L"Blue in Green") + L"_0";
    const size_t partSize = testfiles::ReadAll(part).size();
    EXPECT_GT(partSize, 0u);

    ClickIcon(1, VelaUI::kRowStatusIcon);  // the freed place
    EXPECT_EQ(Status(1), L"downloading");
    ClickIcon(0, VelaUI::kRowStatusIcon);  // at the limit
    EXPECT_EQ(Status(0), L"waiting");
    EXPECT_EQ(RowIcon(0), kIconWaiting);
    Pump(kPeriodMs);
    EXPECT_EQ(Status(0), L"waiting");  // the monitor does not start it

    ASSERT_TRUE(PumpUntil([&] { return testfiles::Exists(Target(L"So What") + L"_0"); }, kPeriodMs));
    ClickIcon(1, VelaUI::kRowDeleteIcon);
    ASSERT_EQ(Items().size(), 1u);
    EXPECT_EQ(List(L"ListDownloadManage")->GetCount(), 1);
    EXPECT_EQ(form->GetRunningDownloads(), 0);
    EXPECT_TRUE(testfiles::Exists(Target(L"So What") + L"_0"));  // the file stays

    standin::SetTrackFile("1002", 0, {}, "");
    ClickIcon(0, VelaUI::kRowStatusIcon);  // resume
    EXPECT_EQ(Status(0), L"downloading");
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"Blue in Green")) == standin::TrackFileBytes("1002"));
    const std::vector<std::string> ranged = standin::RequestsMatching("/trackfile/1002.mp3");
    ASSERT_FALSE(ranged.empty());
    EXPECT_NE(ranged.back().find("Range: bytes=" + std::to_string(partSize)), std::string::npos);
}

// A download that breaks off is noticed: it frees its place, shows the resume icon and can be
// started again.
TEST_F(MainDownloadsTest, AFailedDownloadFreesItsPlaceAndCanBeResumed) {
    SeedPlayList({Track("1003", "So What", "Miles"), Track("1002", "Blue in Green", "Miles")});
    standin::SetTrackFile("1003", 200000, {""}, "status=500");
    Open();
    ShowDownloads();
    DownloadPlaying(0);
    ASSERT_EQ(Status(0), L"downloading");
    DownloadPlaying(1);
    EXPECT_EQ(Status(1), L"readying");
    ASSERT_TRUE(WaitStatus(0, L"pause", 3 * kPeriodMs));
    EXPECT_TRUE(PumpUntil([&] { return RowIcon(0) == kIconPaused; }, kPeriodMs));
    // Its place went to the waiting item.
    EXPECT_TRUE(PumpUntil([&] { return Status(1) != L"readying"; }, kPeriodMs));
    ASSERT_TRUE(WaitStatus(1, L"complete", 15000));

    standin::SetTrackFile("1003", 0, {}, "");
    ClickIcon(0, VelaUI::kRowStatusIcon);
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"So What")) == standin::TrackFileBytes("1003"));
}

// At the window's default size every column of a row shows side by side under its header, and
// its icons inside the list, also with room kept for the vertical bar of a long list: nothing
// needs scrolling sideways.
TEST_F(MainDownloadsTest, AtTheDefaultSizeEveryColumnOfARowIsInView) {
    std::vector<DownloadItem> items;
    for (int i = 0; i < 30; ++i) {
        items.push_back(Waiting(std::to_wstring(2000 + i).c_str(), L"\u6674\u5929 Blue in Green and a long name",
                                L"12%"));
    }
    ASSERT_TRUE(VelaUI::SaveDownloadItems(DataFile(L"Dmanage"), items));
    Open();
    ShowDownloads();
    auto* list = List(L"ListDownloadManage");
    EXPECT_EQ(list->GetScrollRange().cx, 0);
    const RECT view = RowsView();
    UIToolkit::CListHeaderUI* header = list->GetHeader();
    ASSERT_EQ(header->GetCount(), 7);
    auto column = [&](int k) { return header->GetItemAt(k)->GetPos(); };
    for (int row : {0, 1}) {
        SCOPED_TRACE(row);
        std::vector<RECT> shown;
        for (int child = 0; child < VelaUI::kRowChildCount; ++child) {
            SCOPED_TRACE(child);
            const RECT at = RowChild(row, child)->GetPos();
            EXPECT_TRUE(at.left >= view.left && at.right <= view.right) << at.left << ".." << at.right;
            for (const RECT& other : shown) {
                RECT both = {};
                EXPECT_FALSE(::IntersectRect(&both, &at, &other)) << "overlaps " << other.left << ".." << other.right;
            }
            shown.push_back(at);
        }
        // The texts under their own headers; both icons under "操" and "作".
        for (int child = VelaUI::kRowTrackName; child <= VelaUI::kRowSpeed; ++child) {
            SCOPED_TRACE(child);
            const RECT at = RowChild(row, child)->GetPos();
            EXPECT_GE(at.left, column(child - 1).left);
            EXPECT_LE(at.right, column(child - 1).right);
        }
        for (int child : {VelaUI::kRowStatusIcon, VelaUI::kRowDeleteIcon}) {
            const RECT at = RowChild(row, child)->GetPos();
            EXPECT_GE(at.left, column(5).left);
            EXPECT_LE(at.right, column(6).right);
        }
    }
}

// Limit 1. A "readying" item starts as soon as a place goes free, by a pause or a delete as by a
// completion; a track the service gives no URL for stays "readying" and holds up nobody.
TEST_F(MainDownloadsTest, QueuedItemsStartWheneverAPlaceFrees) {
    SeedPlayList({Track("1002", "Blue in Green", "Miles"), Track("9999", "Nowhere", "Nobody"),
                  Track("1003", "So What", "Miles"), Track("1004", "Freddie", "Miles")});
    standin::SetTrackFile("1002", 400000, {}, "slow=40000");
    standin::SetTrackFile("1003", 400000, {}, "slow=40000");
    Open();
    ShowDownloads();
    for (int i = 0; i < 4; ++i) DownloadPlaying(i);
    ASSERT_EQ(Items().size(), 4u);
    ASSERT_EQ(Status(0), L"downloading");
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(Status(i), L"readying") << i;

    ClickIcon(0, VelaUI::kRowStatusIcon);  // pause: the place goes to the first item with a URL
    EXPECT_EQ(Status(0), L"pause");
    ASSERT_TRUE(WaitStatus(2, L"downloading", 2 * kPeriodMs));
    EXPECT_EQ(Status(1), L"readying");
    EXPECT_EQ(Status(3), L"readying");
    EXPECT_EQ(form->GetRunningDownloads(), 1);

    ClickIcon(2, VelaUI::kRowDeleteIcon);  // delete the running one: the next starts
    ASSERT_EQ(Items().size(), 3u);
    ASSERT_TRUE(WaitStatus(2, L"complete", 2 * kPeriodMs + 15000));
    EXPECT_EQ(Items()[2].TrackID, L"1004");
    EXPECT_EQ(Status(1), L"readying");
    EXPECT_EQ(Status(0), L"pause");
    EXPECT_TRUE(testfiles::ReadAll(Target(L"Freddie")) == standin::TrackFileBytes("1004"));
}

// Two tracks of one name, and two whose names are the same once made safe, each download to a
// file of their own: the later one gets "<name> (2).mp3". A paused one resumes into its own
// file, and "Dmanage" keeps each item's file.
TEST_F(MainDownloadsTest, TracksOfTheSameNameDownloadToFilesOfTheirOwn) {
    SeedPlayList({Track("1002", "A", "Miles"), Track("1003", "A", "Miles"), Track("1004", "AC/DC", "Band"),
                  Track("1005", "AC:DC", "Band")});
    ASSERT_NO_FATAL_FAILURE(StartASlowDownloadOfA());
    ClickIcon(0, VelaUI::kRowStatusIcon);
    ASSERT_EQ(Status(0), L"pause");
    for (int i = 1; i < 4; ++i) DownloadPlaying(i);
    for (size_t i = 1; i < 4; ++i) ASSERT_TRUE(WaitStatus(i, L"complete", 15000)) << i;
    standin::SetTrackFile("1002", 0, {}, "");
    ClickIcon(0, VelaUI::kRowStatusIcon);  // resume
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));

    const struct {
        const char* id;
        const wchar_t* file;
    } files[] = {{"1002", L"A"}, {"1003", L"A (2)"}, {"1004", L"AC_DC"}, {"1005", L"AC_DC (2)"}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.id);
        EXPECT_TRUE(testfiles::ReadAll(Target(f.file)) == standin::TrackFileBytes(f.id));
    }
    CloseWith(WM_CLOSE);
    std::vector<DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 4u);
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(saved[i].FileName, std::wstring(files[i].file) + L".mp3");
        EXPECT_EQ(saved[i].FilePath, folder_);
    }
}

// What the folder already holds is not taken over by a new download: the part that a deleted
// download left (the file stays on disk, to be resumed) and a file the user already has. Another
// track of that name gets a file of its own, whole, and leaves both as they were.
TEST_F(MainDownloadsTest, ANewDownloadLeavesWhatTheFolderHoldsAlone) {
    SeedPlayList({Track("1002", "A", "Miles"), Track("1003", "A", "Bill"), Track("1004", "B", "Band")});
    const std::string usersOwn = "the user's own B";
    ASSERT_TRUE(testfiles::WriteAll(Target(L"B"), usersOwn));
    ASSERT_NO_FATAL_FAILURE(StartASlowDownloadOfA());
    ClickIcon(0, VelaUI::kRowDeleteIcon);
    ASSERT_TRUE(Items().empty());
    const std::string leftPart = testfiles::ReadAll(Target(L"A") + L"_0");
    EXPECT_FALSE(leftPart.empty());  // the deleted download's part stays

    DownloadPlaying(1);
    DownloadPlaying(2);
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    ASSERT_TRUE(WaitStatus(1, L"complete", 15000));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"A (2)")) == standin::TrackFileBytes("1003"));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"B (2)")) == standin::TrackFileBytes("1004"));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"A") + L"_0") == leftPart) << "the deleted download's part changed";
    EXPECT_FALSE(testfiles::Exists(Target(L"A")));
    EXPECT_EQ(testfiles::ReadAll(Target(L"B")), usersOwn);
}

// A "Dmanage" that cannot be read when the window starts (an XML error; a file another program
// holds locked) leaves the list empty and is left as it is at the close. Once the user has added
// a download, the close writes the list.
TEST_F(MainDownloadsTest, AListThatCannotBeReadIsKeptUntilTheUserAddsToIt) {
    const std::string good = VelaUI::DownloadListText({Waiting(L"1002", L"Blue in Green", L"12%")});
    const std::string broken = good.substr(0, good.size() - 12);
    SeedPlayList({Track("1001", "One", "A")});
    for (bool locked : {false, true}) {
        SCOPED_TRACE(locked);
        const std::string& bytes = locked ? good : broken;
        ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), bytes));
        HANDLE lock = locked ? ::CreateFileW(DataFile(L"Dmanage").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                             nullptr)
                             : INVALID_HANDLE_VALUE;
        Open();
        if (lock != INVALID_HANDLE_VALUE) ::CloseHandle(lock);
        EXPECT_TRUE(Items().empty());
        CloseWith(WM_CLOSE);
        EXPECT_TRUE(testfiles::ReadAll(DataFile(L"Dmanage")) == bytes);
    }

    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), broken));
    Open();
    DownloadPlaying(0);
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    CloseWith(WM_CLOSE);
    std::vector<DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].TrackID, L"1001");
}

struct ChildSearch {
    HWND parent;
    std::vector<RECT> shown;  // in the parent's client coordinates
};

BOOL CALLBACK CollectShownChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    if (!::IsWindowVisible(child)) return TRUE;
    RECT rc = {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, search->parent, reinterpret_cast<POINT*>(&rc), 2);
    search->shown.push_back(rc);
    return TRUE;
}

std::vector<RECT> ShownChildWindows(HWND parent) {
    ChildSearch search = {parent, {}};
    ::EnumChildWindows(parent, CollectShownChild, reinterpret_cast<LPARAM>(&search));
    return search.shown;
}

// The client page sits in its inset of the window, on the recommend tab only: it never covers
// the window's own controls.
TEST_F(MainDownloadsTest, TheClientPageKeepsToItsPlaceAndTab) {
    Open();
    VelaUI::CWebBrowserBase* browser = form->GetWebBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return browser->IsInPlaceActive(); }));
    Pump(300);
    const RECT page = VelaUI::ClientPageRect(hWnd);
    EXPECT_EQ(browser->GetRect().left, page.left);
    EXPECT_EQ(browser->GetRect().bottom, page.bottom);
    for (const RECT& rc : ShownChildWindows(hWnd)) {
        EXPECT_TRUE(rc.left >= page.left && rc.top >= page.top && rc.right <= page.right && rc.bottom <= page.bottom)
            << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    }
    Click(L"BtnTabMyMusic");
    EXPECT_TRUE(ShownChildWindows(hWnd).empty());
    Click(L"BtnTabMusicRecommend");
    for (const RECT& rc : ShownChildWindows(hWnd)) {
        EXPECT_TRUE(rc.left >= page.left && rc.top >= page.top && rc.right <= page.right && rc.bottom <= page.bottom);
    }
}

// "TrackSelect" action 3 from the client page downloads that track.
TEST_F(MainDownloadsTest, ThePagesDownloadRequestDownloadsItsTrack) {
    Open();
    VelaUI::CWebBrowserBase* browser = form->GetWebBrowser();
    ASSERT_NE(browser, nullptr);
    // The browser announces the client page (the event's answer does not matter).
    webtest::AnnounceDocument(*browser, VelaUI::ClientPageUrl());
    webtest::Args args;
    args.Int(3).Text(L"1001").Text(L"\u6674\u5929").Text(L"Jay").Text(L"Album").Int(0).Int(0).Int(1);
    ASSERT_EQ(webtest::CallExternal(browser, L"TrackSelect", args), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !Items().empty(); }));
    EXPECT_EQ(Items()[0].TrackName, L"\u6674\u5929");
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    EXPECT_TRUE(testfiles::ReadAll(Target(L"\u6674\u5929")) == standin::TrackFileBytes("1001"));

    // A name of the page's choosing cannot put the file anywhere but in the download folder.
    const std::wstring name = L"..\\..\\up:and/out";
    webtest::Args second;
    second.Int(3).Text(L"1002").Text(name).Text(L"Jay").Text(L"Album").Int(0).Int(0).Int(1);
    ASSERT_EQ(webtest::CallExternal(browser, L"TrackSelect", second), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return Items().size() == 2; }));
    EXPECT_EQ(Items()[1].TrackName, name);
    ASSERT_TRUE(WaitStatus(1, L"complete", 15000));
    const std::wstring inside = folder_ + L"\\" + VelaUI::DownloadFileName(name);
    EXPECT_TRUE(testfiles::ReadAll(inside) == standin::TrackFileBytes("1002"));
}

// "TrackSelect" action 1 from the client page appends that track to the default list, whose
// rows show it at once when the list is shown; nothing plays or downloads.
TEST_F(MainDownloadsTest, ThePagesAddRequestAppendsItsTrackToTheDefaultList) {
    SeedPlayList({Track("1003", "So What", "Miles Davis")});
    Open();
    VelaUI::CWebBrowserBase* browser = form->GetWebBrowser();
    ASSERT_NE(browser, nullptr);
    webtest::AnnounceDocument(*browser, VelaUI::ClientPageUrl());
    Click(L"BtnTabMyMusic");
    Pump(50);
    formtest::PostClick(hWnd, List(L"ListPlayListManage")->GetItemAt(0));
    ASSERT_TRUE(PumpUntil([&] { return form->GetShownPlayListIndex() == 0; }));
    ASSERT_EQ(List(L"ListPlayList")->GetCount(), 1);

    webtest::Args args;
    args.Int(1).Text(L"1002").Text(L"Blue in Green").Text(L"Miles Davis").Text(L"Kind of Blue").Int(0).Int(0).Int(0);
    ASSERT_EQ(webtest::CallExternal(browser, L"TrackSelect", args), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return List(L"ListPlayList")->GetCount() == 2; }));
    EXPECT_EQ(Cell(0, 0), L"1.So What");
    EXPECT_EQ(Cell(1, 0), L"2.Blue in Green");
    EXPECT_EQ(Cell(1, 1), L"Miles Davis");
    EXPECT_EQ(Cell(1, 2), L"Kind of Blue");
    {
        VelaUI::VelaMainForm::SharedGuard guard(form->SharedLock());
        const PlayListInfo* list = form->GetPlayList(0);
        ASSERT_EQ(list->tracks.size(), 2u);
        EXPECT_EQ(list->tracks[1].TrackID, L"1002");
        EXPECT_FALSE(list->tracks[1].IsDownloading);
    }
    Pump(300);
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(standin::RequestsMatching("GetTrackPlayUrl").empty());
    EXPECT_NE(form->GetPlayState(), 3);
}

// "clientcall" kind 2 asks first. OK loads the artist's list from the service into the default
// list and plays its first track; Cancel changes nothing.
TEST_F(MainDownloadsTest, ThePagesAddAllAsksAndOnOkLoadsAndPlaysTheList) {
    SeedPlayList({Track("1001", "\xE6\x99\xB4\xE5\xA4\xA9", "Jay")});
    Open();
    VelaUI::CWebBrowserBase* browser = form->GetWebBrowser();
    ASSERT_NE(browser, nullptr);
    webtest::AnnounceDocument(*browser, VelaUI::ClientPageUrl());
    auto defaultIds = [&] {
        VelaUI::VelaMainForm::SharedGuard guard(form->SharedLock());
        std::vector<std::wstring> ids;
        for (const auto& track : form->GetPlayList(0)->tracks) ids.push_back(track.TrackID);
        return ids;
    };

    // OK: artist 12's tracks replace the default list, and its first one plays.
    formtest::DialogScript ok;
    ok.ThenDialog(formtest::DialogScript::Click(L"BtnOK"));
    ok.Start();
    webtest::Args all;
    all.Int(2).Int(2).Text(L"12");
    ASSERT_EQ(webtest::CallExternal(browser, L"clientcall", all), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return ok.Finished(); }, 15000));
    ASSERT_EQ(ok.Seen().size(), 1u);
    EXPECT_EQ(ok.Seen()[0].firstLine, L"\u786E\u5B9A\u8981\u6DFB\u52A0\u6240\u6709\u66F2\u76EE\u5417?");
    EXPECT_EQ(ok.Seen()[0].picture, L"res='330' restype='png'");
    EXPECT_EQ(ok.Seen()[0].owner, hWnd);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }, 15000));
    const std::vector<std::string> lists = standin::RequestsMatching("method=Sylk42.Track.GetByArtistID&");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].find("&artistID=12&"), std::string::npos) << lists[0];
    const std::vector<std::string> plays = standin::RequestsMatching("method=Sylk42.Track.GetTrackPlayUrl&");
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_NE(plays[0].find("ProductID=1002"), std::string::npos) << plays[0];
    EXPECT_EQ(defaultIds(), (std::vector<std::wstring>{L"1002", L"1003"}));
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    EXPECT_EQ(form->GetCurrentPlayList()->currentIndex, 0);

    // Cancel: no request, the list and the playing track stay.
    formtest::DialogScript cancel;
    cancel.ThenDialog(formtest::DialogScript::Click(L"BtnCancel"));
    cancel.Start();
    webtest::Args other;
    other.Int(2).Int(2).Text(L"11");
    ASSERT_EQ(webtest::CallExternal(browser, L"clientcall", other), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return cancel.Finished() && ::IsWindowEnabled(hWnd); }, 15000));
    Pump(1000);
    EXPECT_EQ(standin::RequestsMatching("method=Sylk42.Track.GetByArtistID&").size(), 1u);
    EXPECT_EQ(standin::RequestsMatching("method=Sylk42.Track.GetTrackPlayUrl&").size(), 1u);
    EXPECT_EQ(defaultIds(), (std::vector<std::wstring>{L"1002", L"1003"}));
    EXPECT_EQ(form->GetPlayState(), 3);
}

// Closing with a complete, a running and a paused item keeps all three, each "waiting"; they
// come back after a new start with their texts. With the last one deleted, closing removes the
// file.
TEST_F(MainDownloadsTest, DmanageKeepsTheListAcrossAClose) {
    SeedPlayList({Track("1001", "One", "A"), Track("1002", "Two", "B"), Track("1003", "Three", "C")});
    standin::SetTrackFile("1002", 400000, {}, "slow=30000");
    standin::SetTrackFile("1003", 400000, {}, "slow=30000");
    WriteSettings("[Option]\r\nf=" + testfiles::Narrow(folder_) + "\r\ng=3\r\n");
    Open();
    ShowDownloads();
    DownloadPlaying(0);
    DownloadPlaying(1);
    DownloadPlaying(2);
    ASSERT_TRUE(WaitStatus(0, L"complete", 15000));
    ASSERT_TRUE(PumpUntil([&] { return EndsWith(RowText(2, 3), L"%"); }, 2 * kPeriodMs));
    ClickIcon(2, VelaUI::kRowStatusIcon);
    ASSERT_EQ(Status(2), L"pause");
    const std::vector<DownloadItem> before = Items();
    CloseWith(WM_CLOSE);

    std::vector<DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 3u);
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(saved[i].Status, L"waiting");
        EXPECT_EQ(saved[i].TrackID, before[i].TrackID);
        // The running one may have moved on since.
        if (i != 1) {
            EXPECT_EQ(saved[i].Progress, before[i].Progress);
        }
    }
    EXPECT_TRUE(EndsWith(saved[1].Progress, L"%"));
    EXPECT_EQ(saved[0].Progress, kDone);

    Open();
    ShowDownloads();
    ASSERT_EQ(Items().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(RowIcon(i), kIconWaiting);
        EXPECT_EQ(RowText(i, 3), saved[static_cast<size_t>(i)].Progress);
        EXPECT_EQ(RowText(i, 1), saved[static_cast<size_t>(i)].TrackName);
    }
    for (int i = 2; i >= 0; --i) ClickIcon(i, VelaUI::kRowDeleteIcon);
    EXPECT_TRUE(Items().empty());
    CloseWith(WM_CLOSE);
    EXPECT_FALSE(testfiles::Exists(DataFile(L"Dmanage")));
    EXPECT_TRUE(testfiles::Exists(Target(L"One")));
}

}  // namespace
