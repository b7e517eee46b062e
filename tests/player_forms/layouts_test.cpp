// The player's layout resources: every layout builds, has its window settings, and holds every
// control the forms bind, of the class they expect; every picture the layouts name loads.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "player_forms_util.h"
#include "ui_controls.h"
#include "uicore_test_util.h"

using namespace UIToolkit;

namespace {

// The builder's callback for the player's own tags; plain containers stand in for them here.
class PlainCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* tag) override {
        const std::wstring name = tag;
        if (name == L"PlayList" || name == L"Menu" || name == L"MenuElement") return new CContainerUI;
        return nullptr;
    }
};

struct Bound {
    const wchar_t* name;
    const wchar_t* cls;
};

struct LayoutCase {
    UINT id;
    SIZE size;           // 0 by 0: the layout gives none (the menu sizes itself)
    int captionBottom;   // height of the caption band
    SIZE roundCorner;
    bool transparent;    // "bktrans"
    int fontCount;
    int defaultFontSize; // 0: the layout sets no default font
    std::vector<Bound> controls;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << "layout " << c.id; }

const wchar_t* const B = L"ButtonUI";
const wchar_t* const O = L"OptionUI";
const wchar_t* const L_ = L"LabelUI";
const wchar_t* const E = L"EditUI";
const wchar_t* const C = L"ContainerUI";

std::vector<Bound> MenuItems(const std::vector<int>& items) {
    static const wchar_t* const names[] = {L"MenuElement_0", L"MenuElement_1", L"MenuElement_2",
                                           L"MenuElement_3", L"MenuElement_4", L"MenuElement_5",
                                           L"MenuElement_6", L"MenuElement_7"};
    std::vector<Bound> bound;
    for (int k : items) bound.push_back({names[k], L"ListContainerElementUI"});
    return bound;
}

std::vector<LayoutCase> Cases() {
    std::vector<Bound> tray = MenuItems({2, 3, 4, 5, 6, 7});
    tray.push_back({L"LableMenuElement_3", L_});
    return {
        {201, {367, 191}, 36, {4, 4}, true, 0, 0,
         {{L"LablePic", L_}, {L"LableCurVer", L_}, {L"LableLatestVer", L_}, {L"LableReleaseDate", L_},
          {L"BtnClose", B}, {L"BtnOK", B}}},
        {202, {368, 220}, 36, {4, 4}, false, 1, 14,
         {{L"RadioTray", O}, {L"RadioExit", O}, {L"CheckNotDisplay", O}, {L"BtnOK", B}, {L"BtnCancel", B},
          {L"BtnClose", B}}},
        {203, {367, 149}, 36, {4, 4}, false, 0, 0,
         {{L"LablePic", L_}, {L"Lable1", L_}, {L"Lable2", L_}, {L"Lable3", L_}, {L"Lable4", L_},
          {L"BtnClose", B}, {L"BtnOK", B}, {L"BtnCancel", B}}},
        {204, {368, 220}, 36, {4, 4}, false, 1, 14,
         {{L"EditAccount", E}, {L"EditPWD", E}, {L"CheckBoxPWD", O}, {L"CheckBoxAuto", O}, {L"BtnOK", B},
          {L"BtnCancel", B}, {L"BtnClose", B}, {L"BtnRegAccount", B}, {L"BtnForgetPWD", B}}},
        {205, {900, 600}, 34, {5, 5}, false, 1, 13,
         {{L"TextUserName", L_}, {L"BtnLogin", B}, {L"BtnRegAccount", B}, {L"BtnLogout", B},
          {L"BtnFeedback", B}, {L"BtnSystemSet", B}, {L"BtnMin", B}, {L"BtnClose", B},
          {L"TextArtist_Sing", L_}, {L"BtnLRC", B}, {L"TextInfoDynamicShare", L_},
          {L"BtnToDown", B}, {L"BtnILike", B}, {L"BtnWantShare", B}, {L"BtnPush", B}, {L"BtnPlayStop", B},
          {L"BtnPlayPre", B}, {L"BtnPlay", B}, {L"BtnPlayNext", B}, {L"BtnSound", B},
          {L"SliderVol", L"SliderUI"}, {L"SliderPlayProgress", L"SliderUI"}, {L"BtnPlaySerial", B},
          {L"BtnPlayCircular", B}, {L"BtnPlayCircularSingle", B}, {L"BtnPlayRandom", B}, {L"BtnAudition", B},
          {L"BtnTabPlayList", B}, {L"BtnTabDownManage", B}, {L"LablePlayTime", L_},
          {L"Container_PlayList", C}, {L"Container_DownManage", C}, {L"BtnTabMyMusic", B},
          {L"BtnTabMusicRecommend", B}, {L"VLMyMusic", L"VerticalLayoutUI"}, {L"BtnSearch", B},
          {L"EditSearch", E}, {L"ListDownloadManage", L"ListUI"}, {L"ListPlayList", L"ListUI"},
          {L"ListPlayListManage", C}, {L"VLayoutPlayListManage", L"VerticalLayoutUI"}}},
        {206, {155, 172}, 0, {3, 3}, true, 1, 0, MenuItems({1, 2, 3, 4, 5, 6})},
        {207, {0, 0}, 0, {0, 0}, false, 2, 12, {}},
        {208, {155, 114}, 0, {3, 3}, true, 1, 0, MenuItems({2, 3, 4})},
        {209, {155, 118}, 0, {3, 3}, true, 1, 0, MenuItems({1, 2, 3, 4})},
        {210, {155, 172}, 0, {3, 3}, true, 1, 0, tray},
        {211, {368, 191}, 36, {4, 4}, false, 0, 0,
         {{L"EditTelNum", E}, {L"BtnClose", B}, {L"BtnCancel", B}, {L"BtnOK", B}}},
        {212, {367, 191}, 36, {4, 4}, false, 0, 0,
         {{L"LablePic", L_}, {L"LableSinger_Song", L_}, {L"BtnClose", B}, {L"BtnShareSina", B},
          {L"BtnShareRenren", B}, {L"BtnShareMsg", B}}},
        {213, {368, 500}, 36, {4, 4}, false, 0, 0,
         {{L"EditSavePath", E}, {L"ComboNum", L"ComboUI"}, {L"CheckPowerAutoRun", O},
          {L"CheckPowerAutoplay", O}, {L"CheckPowerAutoLogin", O}, {L"BtnBrowse", B},
          {L"RadioSong_Singer", O}, {L"RadioSinger_Song", O}, {L"RadioTray", O}, {L"RadioExit", O},
          {L"BtnClose", B}, {L"BtnOK", B}, {L"BtnCancel", B}}},
        {214, {368, 200}, 36, {5, 5}, false, 2, 0,
         {{L"TabSwitch", L"TabLayoutUI"}, {L"OptionDevice", O}, {L"ComboDevice", L"ComboUI"},
          {L"OptionFriend", O}, {L"ComboFriend", L"ComboUI"}, {L"BtnClose", B}, {L"BtnCancel", B},
          {L"BtnOK", B}}},
    };
}

class PlayerLayoutTest : public ::testing::TestWithParam<LayoutCase> {
protected:
    void SetUp() override {
        formtest::UseOwnResources();
        ASSERT_NE(window.CreateHidden(), nullptr);
    }

    // Builds the layout into the window's manager and attaches it.
    CControlUI* Build(UINT id) {
        CDialogBuilder builder;
        CControlUI* root = builder.Create(LayoutSource::Resource(static_cast<WORD>(id)), L"xml", &callback,
                                          &window.pm);
        if (root != nullptr) window.pm.AttachRoot(root);
        return root;
    }

    uitest::TestWindow window;
    PlainCallback callback;
};

TEST_P(PlayerLayoutTest, BuildsWithItsWindowSettingsAndEveryBoundControl) {
    const LayoutCase& c = GetParam();
    CControlUI* root = Build(c.id);
    ASSERT_NE(root, nullptr);
    CWindowManagerUI& pm = window.pm;

    EXPECT_EQ(pm.GetInitSize().cx, c.size.cx);
    EXPECT_EQ(pm.GetInitSize().cy, c.size.cy);
    EXPECT_EQ(pm.GetCaptionRect().bottom, c.captionBottom);
    EXPECT_EQ(pm.GetRoundCorner().cx, c.roundCorner.cx);
    EXPECT_EQ(pm.GetRoundCorner().cy, c.roundCorner.cy);
    EXPECT_EQ(pm.IsBackgroundTransparent(), c.transparent);
    EXPECT_EQ(pm.GetFontCount(), c.fontCount);
    if (c.defaultFontSize != 0) {
        EXPECT_EQ(pm.GetDefaultFontInfo()->size, c.defaultFontSize);
    }
    for (const Bound& bound : c.controls) {
        CControlUI* control = pm.FindControlByName(bound.name);
        ASSERT_NE(control, nullptr) << std::string(bound.name, bound.name + wcslen(bound.name));
        EXPECT_STREQ(control->GetClassName(), bound.cls);
    }
}

INSTANTIATE_TEST_SUITE_P(Player, PlayerLayoutTest, ::testing::ValuesIn(Cases()));

TEST_F(PlayerLayoutTest, MainWindowHasItsFrameAndListColumns) {
    ASSERT_NE(Build(205), nullptr);
    const RECT sizeBox = window.pm.GetSizeBox();
    EXPECT_EQ(sizeBox.left, 4);
    EXPECT_EQ(sizeBox.top, 4);
    EXPECT_EQ(sizeBox.right, 6);
    EXPECT_EQ(sizeBox.bottom, 6);
    EXPECT_EQ(window.pm.GetMinInfo().cx, 900);
    EXPECT_EQ(window.pm.GetMinInfo().cy, 600);
    EXPECT_FALSE(window.pm.FindControlByName(L"TextUserName")->IsVisible());
    EXPECT_FALSE(window.pm.FindControlByName(L"BtnLogout")->IsVisible());
    EXPECT_NE(window.pm.GetDefaultAttributeList(L"VScrollBar"), nullptr);
    EXPECT_NE(window.pm.GetDefaultAttributeList(L"HScrollBar"), nullptr);
    // The tree sits in the container the list menus test for.
    EXPECT_EQ(window.pm.FindControlByName(L"ListPlayListManage")->GetParent(),
              window.pm.FindControlByName(L"VLayoutPlayListManage"));

    struct Columns {
        const wchar_t* list;
        std::vector<std::wstring> texts;
    };
    const Columns lists[] = {
        {L"ListPlayList", {L"歌名", L"歌手", L"专辑", L"收藏时间"}},
        {L"ListDownloadManage", {L"歌名", L"歌手", L"完成进度", L"大小", L"速度/码率", L"操", L"作"}},
    };
    for (const Columns& columns : lists) {
        auto* list = static_cast<CListUI*>(window.pm.FindControlByName(columns.list));
        ASSERT_NE(list, nullptr);
        CListHeaderUI* header = list->GetHeader();
        ASSERT_NE(header, nullptr);
        ASSERT_EQ(header->GetCount(), static_cast<int>(columns.texts.size()));
        for (int i = 0; i < header->GetCount(); ++i) {
            EXPECT_EQ(std::wstring(header->GetItemAt(i)->GetText().GetData()), columns.texts[i]);
        }
    }
}

TEST_F(PlayerLayoutTest, MenuTexts) {
    ASSERT_NE(Build(210), nullptr);
    EXPECT_STREQ(window.pm.FindControlByName(L"LableMenuElement_3")->GetText().GetData(), L"总在最前");
    EXPECT_EQ(window.pm.GetMinInfo().cx, 155);
    EXPECT_EQ(window.pm.GetMinInfo().cy, 172);
}

TEST_F(PlayerLayoutTest, OptionsNameTheTwoNamingsOfSavedSongs) {
    ASSERT_NE(Build(213), nullptr);
    EXPECT_STREQ(window.pm.FindControlByName(L"RadioSong_Singer")->GetText().GetData(), L"歌名--歌手名");
    EXPECT_STREQ(window.pm.FindControlByName(L"RadioSinger_Song")->GetText().GetData(), L"歌手名--歌名");
}

// Every item of every menu window lies inside the window, the last one included.
TEST(PlayerMenuLayouts, EveryItemFitsItsWindow) {
    formtest::UseOwnResources();
    for (UINT id : {206u, 208u, 209u, 210u}) {
        uitest::TestWindow window;
        ASSERT_NE(window.CreateHidden(), nullptr);
        CDialogBuilder builder;
        CControlUI* root = builder.Create(LayoutSource::Resource(static_cast<WORD>(id)), L"xml", nullptr,
                                          &window.pm);
        ASSERT_NE(root, nullptr);
        window.pm.AttachRoot(root);
        const SIZE size = window.pm.GetInitSize();
        root->SetPos(RECT{0, 0, size.cx, size.cy});
        int items = 0;
        for (int k = 1; k <= 7; ++k) {
            const std::wstring name = L"MenuElement_" + std::to_wstring(k);
            CControlUI* item = window.pm.FindControlByName(name.c_str());
            if (item == nullptr) continue;
            ++items;
            EXPECT_LE(item->GetPos().bottom, size.cy) << "layout " << id << " item " << k;
            EXPECT_EQ(item->GetPos().bottom - item->GetPos().top, 26) << "layout " << id << " item " << k;
        }
        EXPECT_GE(items, 3) << "layout " << id;
    }
}

TEST_F(PlayerLayoutTest, DownloadMenuHasItsItemsAndDefaultList) {
    CControlUI* root = Build(207);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(window.pm.GetDefaultAttributeList(L"Menu"), nullptr);
    EXPECT_TRUE(window.pm.GetFontInfo(1)->bold);
    EXPECT_FALSE(window.pm.GetFontInfo(0)->bold);
    auto* menu = static_cast<CContainerUI*>(root);
    ASSERT_EQ(menu->GetCount(), 5);
    const wchar_t* const texts[] = {L"开始/暂停下载", L"删除任务", L"删除所有任务", L"播放", L"添加到"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(menu->GetItemAt(i)->GetText().GetData(), texts[i]);
    // "添加到" holds its arrow row and, as its own child, the sub-menu's one item.
    auto* addTo = static_cast<CContainerUI*>(menu->GetItemAt(4));
    ASSERT_EQ(addTo->GetCount(), 2);
    auto* row = static_cast<CContainerUI*>(addTo->GetItemAt(0));
    ASSERT_EQ(row->GetCount(), 2);
    EXPECT_STREQ(row->GetItemAt(1)->GetBkImage(), L"res='378' restype='png'");
    EXPECT_STREQ(addTo->GetItemAt(1)->GetText().GetData(), L"播放列表");
}

// The layouts also build with the real creators of the player's own tags.
TEST_F(PlayerLayoutTest, DownloadMenuBuildsAsARealMenu) {
    CMenuBuilderCallback menus;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LayoutSource::Resource(207), L"xml", &menus, &window.pm);
    ASSERT_NE(root, nullptr);
    window.pm.AttachRoot(root);
    EXPECT_STREQ(root->GetClassName(), L"MenuUI");
    auto* menu = static_cast<CContainerUI*>(root);
    ASSERT_EQ(menu->GetCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(menu->GetItemAt(i)->GetClassName(), L"MenuElementUI");
    // "添加到" (505) has the sub-menu item "播放列表" (506), hidden inside it until the sub-menu
    // opens, while its arrow shows.
    auto* addTo = static_cast<CMenuElementUI*>(menu->GetItemAt(4));
    EXPECT_EQ(addTo->GetItemId(), 505u);
    CControlUI* playlist = addTo->GetItemAt(1);
    ASSERT_NE(playlist, nullptr);
    ASSERT_NE(playlist->GetInterface(L"MenuElement"), nullptr);
    EXPECT_EQ(static_cast<CMenuElementUI*>(playlist)->GetItemId(), 506u);
    EXPECT_FALSE(playlist->IsVisible());
    EXPECT_TRUE(addTo->GetItemAt(0)->IsVisible());
}

TEST_F(PlayerLayoutTest, MainWindowBuildsWithTheRealPlayListTree) {
    struct TreeCallback : IDialogBuilderCallback {
        CControlUI* CreateControl(const wchar_t* tag) override {
            return std::wstring(tag) == L"PlayList" ? new CPlayListUI : nullptr;
        }
    } trees;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LayoutSource::Resource(205), L"xml", &trees, &window.pm);
    ASSERT_NE(root, nullptr);
    window.pm.AttachRoot(root);
    CControlUI* tree = window.pm.FindControlByName(L"ListPlayListManage");
    ASSERT_NE(tree, nullptr);
    EXPECT_NE(tree->GetInterface(L"List"), nullptr);
}

TEST(PlayerPictures, EveryPictureTheLayoutsNameLoads) {
    formtest::UseOwnResources();
    std::set<UINT> pictures = {330, 331, 377, 378};
    const std::regex resource("res='([0-9]+)'[^\"]*restype='png'");
    for (UINT id = 201; id <= 214; ++id) {
        const std::string text = formtest::ResourceBytes(id, L"xml");
        ASSERT_FALSE(text.empty()) << "layout " << id;
        for (std::sregex_iterator it(text.begin(), text.end(), resource), end; it != end; ++it) {
            pictures.insert(static_cast<UINT>(std::stoul((*it)[1].str())));
        }
    }
    EXPECT_GT(pictures.size(), 10u);
    for (UINT id : pictures) {
        UIImageInfo* image = CUIRenderer::LoadImage(id, L"png");
        ASSERT_NE(image, nullptr) << "picture " << id;
        EXPECT_GT(image->width, 0);
        EXPECT_GT(image->height, 0);
        CUIRenderer::FreeImage(image);
    }
}

TEST(PlayerResources, IconAndVersion) {
    EXPECT_NE(::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(110), RT_GROUP_ICON), nullptr);
    EXPECT_NE(::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION),
              nullptr);
}

}  // namespace
