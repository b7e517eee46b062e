// The rows of the downloads view: the row table (name, attributes, eight children, icons,
// colours), what the monitor changes in a row, and the clicks on a row's icons as the main
// window receives them.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "download_row.h"
#include "label.h"
#include "list.h"
#include "list_test_util.h"

using namespace VelaUI;
using namespace UIToolkit;

namespace {

DownloadItem Item(const std::wstring& status) {
    DownloadItem item;
    item.TrackID = L"1001";
    item.TrackName = L"\u6674\u5929";
    item.ArtistName = L"\u5468\u6770\u4F26";
    item.Status = status;
    item.Progress = L"\u51C6\u5907\u4E2D";
    item.FileSize = L"";
    item.Speed = L"\u672A\u5F00\u59CB";
    return item;
}

CControlUI* Child(CListContainerElementUI* row, int index) { return row->GetItemAt(index); }

std::wstring Text(CControlUI* control) { return std::wstring(control->GetText().GetData()); }

struct ChildSpec {
    const wchar_t* className;
    int x, y, width, height;
};

const ChildSpec kChildren[8] = {
    {L"LabelUI", 10, 0, 10, 25},   {L"LabelUI", 22, 0, 210, 25},  {L"LabelUI", 232, 0, 120, 25},
    {L"LabelUI", 352, 0, 80, 25},  {L"LabelUI", 432, 0, 80, 25},  {L"LabelUI", 512, 0, 80, 25},
    {L"LabelUIEx", 596, 0, 18, 20}, {L"LabelUIEx", 620, 0, 18, 25},
};

TEST(DownloadRow, BuildsTheRowTable) {
    std::unique_ptr<CListUI> list(new CListUI);
    std::unique_ptr<CListContainerElementUI> row(MakeDownloadRow(Item(L"readying"), 1, list.get()));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(std::wstring(row->GetName().GetData()), L"MenuElement_0");
    EXPECT_EQ(row->GetOwner(), static_cast<IListOwnerUI*>(list.get()));
    EXPECT_EQ(row->GetFixedHeight(), 25);
    EXPECT_EQ(row->GetInset().left, 25);
    EXPECT_EQ(row->GetInset().top + row->GetInset().right + row->GetInset().bottom, 0);
    EXPECT_TRUE(row->IsMouseChildEnabled());
    ASSERT_EQ(row->GetCount(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        CControlUI* child = Child(row.get(), i);
        EXPECT_EQ(std::wstring(child->GetClassName()), kChildren[i].className);
        EXPECT_TRUE(child->IsFloat());
        EXPECT_EQ(child->GetFixedXY().cx, kChildren[i].x);
        EXPECT_EQ(child->GetFixedXY().cy, kChildren[i].y);
        EXPECT_EQ(child->GetFixedWidth(), kChildren[i].width);
        EXPECT_EQ(child->GetFixedHeight(), kChildren[i].height);
    }
    EXPECT_EQ(Text(Child(row.get(), 1)), L"\u6674\u5929");
    EXPECT_EQ(Text(Child(row.get(), 2)), L"\u5468\u6770\u4F26");
    EXPECT_EQ(Text(Child(row.get(), 3)), L"\u51C6\u5907\u4E2D");
    EXPECT_EQ(Text(Child(row.get(), 4)), L"");
    EXPECT_EQ(Text(Child(row.get(), 5)), L"\u672A\u5F00\u59CB");
    EXPECT_STREQ(Child(row.get(), 0)->GetBkImage(), L"file='xz.png' source='0,0,10,25'");
    EXPECT_STREQ(Child(row.get(), 6)->GetBkImage(), L"file='xz_zt.png' source='0,0,18,25'");
    EXPECT_STREQ(Child(row.get(), 7)->GetBkImage(), L"file='xz_gb.png' source='0,0,18,25'");
}

TEST(DownloadRow, NamesColoursAndIconsFollowTheItem) {
    const struct {
        size_t count;
        const wchar_t* status;
        const wchar_t* name;
        DWORD colour;
        const wchar_t* icon;
    } cases[] = {
        {1, L"readying", L"MenuElement_0", 0xFF858687, L"file='xz_zt.png' source='0,0,18,25'"},
        {2, L"downloading", L"MenuElement_1", 0xFF636464, L"file='xz_zt.png' source='0,0,18,25'"},
        {3, L"pause", L"MenuElement_2", 0xFF858687, L"file='xz_ks.png' source='0,0,18,25'"},
        {10, L"waiting", L"MenuElement_9", 0xFF636464, L"file='xz_dd.png' source='0,0,18,25'"},
        {11, L"complete", L"MenuElement_10", 0xFF858687, L""},
    };
    std::unique_ptr<CListUI> list(new CListUI);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        std::unique_ptr<CListContainerElementUI> row(MakeDownloadRow(Item(c.status), c.count, list.get()));
        EXPECT_EQ(std::wstring(row->GetName().GetData()), c.name);
        EXPECT_EQ(row->GetBkColor(), c.colour);
        EXPECT_STREQ(Child(row.get(), 6)->GetBkImage(), c.icon);
    }
}

TEST(DownloadRow, ShowsWhatTheMonitorLearns) {
    std::unique_ptr<CListContainerElementUI> row(MakeDownloadRow(Item(L"downloading"), 1, nullptr));
    DownloadItem item = Item(L"downloading");
    item.Progress = L"42%";
    item.FileSize = L"1024KB";
    item.Speed = L"88KB/s";
    ShowDownloadProgress(row.get(), item);
    EXPECT_EQ(Text(Child(row.get(), 3)), L"42%");
    EXPECT_EQ(Text(Child(row.get(), 4)), L"1024KB");
    EXPECT_EQ(Text(Child(row.get(), 5)), L"88KB/s");

    item.Status = L"complete";
    ShowDownloadProgress(row.get(), item);
    EXPECT_EQ(Text(Child(row.get(), 3)), L"\u5DF2\u5B8C\u6210");
    EXPECT_EQ(Text(Child(row.get(), 4)), L"1024KB");
    EXPECT_EQ(Text(Child(row.get(), 5)), L"");

    SetDownloadRowStatusIcon(row.get(), L"pause");
    EXPECT_STREQ(Child(row.get(), 6)->GetBkImage(), L"file='xz_ks.png' source='0,0,18,25'");
    SetDownloadRowStatusIcon(row.get(), L"waiting");
    EXPECT_STREQ(Child(row.get(), 6)->GetBkImage(), L"file='xz_dd.png' source='0,0,18,25'");
    SetDownloadRowStatusIcon(row.get(), L"complete");  // keeps the icon it had
    EXPECT_STREQ(Child(row.get(), 6)->GetBkImage(), L"file='xz_dd.png' source='0,0,18,25'");
    // Harmless on anything that is not a row.
    SetDownloadRowStatusIcon(nullptr, L"pause");
    ShowDownloadProgress(nullptr, item);
}

// In a list, a click on a row's status icon reaches the window as "itemclick" with wParam 6
// and the row's index, a click on its delete icon with wParam 7.
TEST(DownloadRow, IconClicksTellTheWindowWhichIconOfWhichRow) {
    listtest::ParkCursor();
    std::unique_ptr<listtest::ListWindow> window(new listtest::ListWindow);
    ASSERT_NE(window->CreateShown(800, 200), nullptr);
    CListUI* list = new CListUI;
    window->pm.AttachRoot(list);
    for (size_t count = 1; count <= 2; ++count) list->Add(MakeDownloadRow(Item(L"downloading"), count, list));
    ::InvalidateRect(window->GetHWND(), nullptr, FALSE);
    ::UpdateWindow(window->GetHWND());
    uitest::Pump();

    auto click = [&](CControlUI* control) {
        const POINT at = listtest::Center(control);
        listtest::Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, listtest::Point(at.x, at.y));
        listtest::Send(*window, WM_LBUTTONUP, 0, listtest::Point(at.x, at.y));
    };
    auto* row0 = static_cast<CListContainerElementUI*>(list->GetItemAt(0));
    auto* row1 = static_cast<CListContainerElementUI*>(list->GetItemAt(1));
    click(Child(row1, 6));
    click(Child(row0, 7));
    std::vector<std::wstring> clicks;
    for (const listtest::Note& note : window->log) {
        if (note.type == L"itemclick") clicks.push_back(std::to_wstring(note.wParam) + L":" + std::to_wstring(note.lParam));
    }
    EXPECT_EQ(clicks, (std::vector<std::wstring>{L"6:1", L"7:0"}));
}

}  // namespace
