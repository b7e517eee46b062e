// The pictures of skin.zip and the texts of layout 205 as a user sees them.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "main_form_fixture.h"
#include "render_engine.h"
#include "test_files.h"
#include "uicore_test_util.h"

using namespace mainform;

namespace {

void CollectFiles(const std::wstring& folder, const std::wstring& pattern, std::vector<std::wstring>& out) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CollectFiles(folder + L"\\" + name, pattern, out);
        } else if (std::regex_match(name, std::wregex(pattern))) {
            out.push_back(folder + L"\\" + name);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// Every picture that a layout or the code names by file: "file='name'" in image strings and
// "<i name ...>" in tagged texts.
std::set<std::string> NamedPictures() {
    const std::wstring root = testfiles::FromUnixPath(VELA_SOURCE_DIR);
    std::vector<std::wstring> files;
    CollectFiles(root + L"\\resources\\player\\layouts", L".*\\.xml", files);
    CollectFiles(root + L"\\player", L".*\\.(cpp|h)", files);
    CollectFiles(root + L"\\ui", L".*\\.(cpp|h)", files);
    const std::regex imageString("file='([^'\\\\]+\\.png)'");
    const std::regex taggedImage("<i ([A-Za-z0-9_]+\\.png)[ >]");
    std::set<std::string> names;
    for (const std::wstring& file : files) {
        const std::string text = testfiles::ReadAll(file);
        for (const std::regex& pattern : {imageString, taggedImage}) {
            for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
                names.insert((*it)[1]);
            }
        }
    }
    return names;
}

TEST(Skin, EveryPictureThatIsNamedIsInTheArchiveAndDecodes) {
    std::set<std::string> names = NamedPictures();
    // The pictures of the play button, the download rows and the push dialog's devices, which
    // their code names as it comes.
    for (const char* later : {"bft_03_bf.png", "bft_03_zt.png", "xz.png", "xz_zt.png", "xz_ks.png", "xz_dd.png",
                              "xz_gb.png", "mobile.png", "mobile_online.png", "tv.png", "tv_online.png"}) {
        names.insert(later);
    }
    // The scan finds the layouts' and the tree's pictures.
    for (const char* known : {"Menu_RightKey_bk.png", "Menu_RightKey_Hot.png", "left.png", "tree_expand.png"}) {
        EXPECT_EQ(names.count(known), 1u) << known;
    }
    UIToolkit::CWindowManagerUI::SetResourcePath((testfiles::FromUnixPath(VELA_BIN_DIR) + L"\\").c_str());
    UIToolkit::CWindowManagerUI::SetResourceZip(L"skin.zip", false);
    uitest::TestWindow window;
    ASSERT_NE(window.CreateHidden(), nullptr);
    for (const std::string& name : names) {
        const UIToolkit::UIImageInfo* image = window.pm.AddImage(testfiles::Widen(name).c_str());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_GT(image->width, 0) << name;
    }
    UIToolkit::CWindowManagerUI::SetResourceZip(L"", false);
}

// The longest texts that the player puts into the main window's labels fit them.
TEST_F(MainFormTest, TheLongestTextsFitTheirPlaces) {
    Open();
    Pump(50);
    HDC dc = ::GetDC(hWnd);
    HGDIOBJ old = ::SelectObject(dc, form->GetManager().GetDefaultFontInfo()->hFont);
    auto textSize = [&](const wchar_t* text) {
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        return size;
    };
    struct Case {
        const wchar_t* control;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"LablePlayTime", L"10:00:00 / 10:00:00"},    // the longest position / duration text
        {L"TextUserName", L"用户信息加载中"},           // shown while signing in
        {L"TextArtist_Sing", L"正在连接服务器,请稍候..."},
        {L"TextArtist_Sing", L"未能获取歌曲列表,默认列表未改变"},
        {L"TextArtist_Sing", L"列表中的歌曲都无法播放"},
        {L"TextInfoDynamicShare", L"分享到微博、人人网或短信"},
    };
    for (const Case& c : cases) {
        UIToolkit::CControlUI* control = Control(c.control);
        ASSERT_NE(control, nullptr);
        control->SetVisible(true);
        Pump(30);
        const RECT pos = control->GetPos();
        const SIZE size = textSize(c.text);
        EXPECT_LE(size.cx, pos.right - pos.left - 6) << testfiles::Narrow(c.control);
        EXPECT_LE(size.cy, pos.bottom - pos.top) << testfiles::Narrow(c.control);  // no glyph cut at the foot
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(hWnd, dc);
    // The user name sits on the same line as the title bar's buttons.
    const RECT name = Control(L"TextUserName")->GetPos();
    const RECT login = Control(L"BtnLogin")->GetPos();
    EXPECT_EQ(name.top + name.bottom, login.top + login.bottom);
    // The play list's header fits its list, so no column hides behind the edge. (The download
    // list's rows are wider than the list; its header follows their columns and the list scrolls
    // sideways: see the download manager's tests.)
    for (const wchar_t* listName : {L"ListPlayList"}) {
        Click(listName == std::wstring(L"ListPlayList") ? L"BtnTabPlayList" : L"BtnTabDownManage");
        Click(L"BtnTabMyMusic");
        if (listName != std::wstring(L"ListPlayList")) Click(L"BtnTabDownManage");
        UIToolkit::CListUI* list = List(listName);
        UIToolkit::CListHeaderUI* header = list->GetHeader();
        int width = 0;
        for (int i = 0; i < header->GetCount(); ++i) width += header->GetItemAt(i)->GetFixedWidth();
        const RECT pos = list->GetPos();
        EXPECT_LE(width, pos.right - pos.left - 8) << testfiles::Narrow(listName);  // less the scroll bar
    }
}

}  // namespace
