// The local playlists: files, tree, rows, cell texts and favourites.
#include <gtest/gtest.h>

#include "main_form_fixture.h"
#include "player_forms_util.h"
#include "test_files.h"

using namespace mainform;
using namespace VelaUI;

namespace {

TrackFields Track(const std::string& id, const std::string& name, const std::string& artist,
                  const std::string& album = "", const std::string& played = "") {
    TrackFields t;
    t.texts[0] = id;
    t.texts[1] = name;
    t.texts[3] = artist;
    t.texts[5] = album;
    t.texts[6] = played;
    return t;
}

std::vector<std::wstring> TreeRows(UIToolkit::CListUI* tree) {
    std::vector<std::wstring> rows;
    for (int i = 0; tree != nullptr && i < tree->GetCount(); ++i) {
        auto* row = tree->GetItemAt(i);
        auto* node = reinterpret_cast<UIToolkit::PlayListNode*>(row->GetTag());
        rows.push_back(node != nullptr ? node->GetData().text.GetData() : L"?");
    }
    return rows;
}

DWORD RowColour(UIToolkit::CListUI* list, int row) { return list->GetItemAt(row)->GetBkColor(); }

TEST_F(MainFormTest, FirstStartHasTwoEmptyPlayLists) {
    Open();
    EXPECT_EQ(TreeRows(List(L"ListPlayListManage")), (std::vector<std::wstring>{L"默认列表", L"我喜欢的"}));
    EXPECT_EQ(form->GetPlayList(0)->id, L"PLDefault");
    EXPECT_EQ(form->GetPlayList(1)->id, L"PLILike");
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    EXPECT_EQ(form->GetShownPlayListIndex(), -1);
    EXPECT_EQ(List(L"ListPlayList")->GetCount(), 0);
    CloseWith(WM_CLOSE);
    // Empty playlists write nothing.
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLDefault")));
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLILike")));
}

TEST_F(MainFormTest, ASeededPlayListShowsItsRowsAndIsWrittenBackByteForByte) {
    const std::string file = PlayListFile({Track("1001", "晴天", "周杰伦", "叶惠美", "2012-05-01"),
                                           Track("A", "", "", "", ""),  // empty fields
                                           Track("1003", "Tom & \"Jerry\" <3>", "Band", "Best", "2012-05-03")});
    testfiles::WriteAll(DataFile(L"PLDefault"), file);
    Open();
    Click(L"BtnTabMyMusic");
    UIToolkit::CListUI* list = List(L"ListPlayList");
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ(RowColour(list, 0), 0xFF636464u);
    EXPECT_EQ(RowColour(list, 1), 0xFF858687u);
    EXPECT_EQ(RowColour(list, 2), 0xFF636464u);
    EXPECT_EQ(Cell(0, 0), L"1.晴天");
    EXPECT_EQ(Cell(0, 1), L"周杰伦");
    EXPECT_EQ(Cell(0, 2), L"叶惠美");
    EXPECT_EQ(Cell(0, 3), L"2012-05-01");
    EXPECT_EQ(Cell(1, 0), L"2.");
    EXPECT_EQ(Cell(1, 1), L"");
    EXPECT_EQ(Cell(2, 0), L"3.Tom & \"Jerry\" <3>");
    // A row past the tracks has no text.
    EXPECT_EQ(std::wstring(form->GetTrackCellText(form->GetPlayList(0), list->GetItemAt(0), 3, 0)), L"");
    CloseWith(WM_CLOSE);
    const std::string written = testfiles::ReadAll(DataFile(L"PLDefault"));
    EXPECT_EQ(written, file);
    // ASCII is stored in the three-byte form too.
    EXPECT_NE(written.find("<TrackID>\xE0\x81\x81</TrackID>"), std::string::npos);
}

TEST_F(MainFormTest, ReadingSkipsWhatComesBeforeTheTrackIdAndReadsFlagsAsNotFalse) {
    const std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
                             "<Track><Unknown>x</Unknown><TrackName>" + Fixed3("skipped") + "</TrackName>"
                             "<TrackID>" + Fixed3("7") + "</TrackID><TrackName>" + Fixed3("kept") +
                             "</TrackName><IsLocalFile>False</IsLocalFile><IsDownloading>false</IsDownloading>"
                             "<TrackName>" + Fixed3("later wins") + "</TrackName></Track>\n"
                             "<Other><TrackName>" + Fixed3("no id") + "</TrackName></Other>\n";
    testfiles::WriteAll(DataFile(L"PLDefault"), file);
    Open();
    PlayListInfo* playlist = form->GetPlayList(0);
    ASSERT_EQ(playlist->tracks.size(), 2u);
    EXPECT_EQ(playlist->tracks[0].TrackID, L"7");
    EXPECT_EQ(playlist->tracks[0].TrackName, L"later wins");
    EXPECT_TRUE(playlist->tracks[0].IsLocalFile);
    EXPECT_FALSE(playlist->tracks[0].IsDownloading);
    EXPECT_EQ(playlist->tracks[1].TrackID, L"");
    EXPECT_EQ(playlist->tracks[1].TrackName, L"");
}

TEST_F(MainFormTest, AnUnreadableFileLeavesThePlayListEmptyAndTheFileAsItIs) {
    const std::string broken = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Track><TrackID>";
    testfiles::WriteAll(DataFile(L"PLILike"), broken);
    Open();
    EXPECT_TRUE(form->GetPlayList(1)->tracks.empty());
    CloseWith(WM_CLOSE);
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"PLILike")), broken);
}

TEST_F(MainFormTest, FavouritesTakeTheCurrentTrackOncePerTrackStart) {
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1", "一", "甲"), Track("2", "二", "乙")}));
    testfiles::WriteAll(DataFile(L"PLILike"), PlayListFile({Track("9", "九", "丙")}));
    Open();
    // Favourites shown; nothing played yet (the current index is -1): there is nothing to add.
    form->SelectPlayList(1, true);
    Click(L"BtnILike");
    ASSERT_EQ(form->GetPlayList(1)->tracks.size(), 1u);
    EXPECT_FALSE(Control(L"BtnILike")->IsEnabled());

    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        form->GetPlayList(0)->currentIndex = 1;
    }
    for (int round = 0; round < 2; ++round) {
        Control(L"BtnILike")->SetEnabled(true);  // as the start of the next track does
        Click(L"BtnILike");
    }
    PlayListInfo* favourites = form->GetPlayList(1);
    ASSERT_EQ(favourites->tracks.size(), 3u);  // the same track can be added twice
    EXPECT_EQ(favourites->tracks[1].TrackID, L"2");
    EXPECT_EQ(favourites->tracks[2].TrackID, L"2");
    UIToolkit::CListUI* list = List(L"ListPlayList");
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ(RowColour(list, 1), 0xFF636464u);  // appended at count 2: even
    EXPECT_EQ(RowColour(list, 2), 0xFF858687u);  // appended at count 3: odd

    CloseWith(WM_CLOSE);
    const std::string written = testfiles::ReadAll(DataFile(L"PLILike"));
    EXPECT_EQ(written, PlayListFile({Track("9", "九", "丙"), Track("2", "二", "乙"), Track("2", "二", "乙")}));
}

TEST_F(MainFormTest, TreeClicksChooseThePlayList) {
    testfiles::WriteAll(DataFile(L"PLILike"), PlayListFile({Track("9", "九", "丙")}));
    Open();
    Click(L"BtnTabMyMusic");
    UIToolkit::CListUI* tree = List(L"ListPlayListManage");
    ASSERT_EQ(tree->GetCount(), 2);
    Pump(50);
    formtest::PostClick(hWnd, tree->GetItemAt(1));
    EXPECT_TRUE(PumpUntil([&] { return form->GetShownPlayListIndex() == 1; }));
    EXPECT_EQ(List(L"ListPlayList")->GetCount(), 1);
    EXPECT_EQ(Cell(0, 0), L"1.九");
    formtest::PostClick(hWnd, tree->GetItemAt(0));
    EXPECT_TRUE(PumpUntil([&] { return form->GetShownPlayListIndex() == 0; }));
    EXPECT_EQ(List(L"ListPlayList")->GetCount(), 0);
}

}  // namespace
