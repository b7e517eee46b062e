// The player's dialogs: the info tip, ShowInfoTip, the about box and the frame they share.
#include <gtest/gtest.h>

#include <string>

#include "about_form.h"
#include "info_tips_form.h"
#include "player_forms_util.h"

using namespace VelaUI;
using UIToolkit::CControlUI;

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        formtest::UseOwnResources();
        formtest::ParkPointer();
        owner = formtest::MakeOwnerWindow();
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override {
        if (timer != 0) ::KillTimer(nullptr, timer);
        formtest::DestroyDialogWindows();
        if (::IsWindow(owner)) ::DestroyWindow(owner);
    }

    // Creates a tip's window and paints it once, so its controls are laid out.
    VelaInfoTipsForm* MakeTip(bool twoButtons) {
        auto* tip = new VelaInfoTipsForm(twoButtons);
        if (tip->CreateDialogWindow(owner) == nullptr) return nullptr;
        ::UpdateWindow(*tip);
        return tip;
    }

    static CControlUI* Find(VelaDialogForm* form, const wchar_t* name) {
        return form->GetManager().FindControlByName(name);
    }

    HWND owner = nullptr;
    UINT_PTR timer = 0;  // a thread timer that watches a modal dialog
};

// How a test ends a dialog: a click on a control, or a key, posted before the modal loop runs.
struct Ending {
    const char* what;
    bool twoButtons;
    const wchar_t* click;  // control to click, or null
    WPARAM key;            // key to press when click is null (0: the system's close command)
    int result;
};

void PrintTo(const Ending& e, std::ostream* os) { *os << e.what; }

class InfoTipResultTest : public DialogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(InfoTipResultTest, ModalResult) {
    const Ending& e = GetParam();
    VelaInfoTipsForm* tip = MakeTip(e.twoButtons);
    ASSERT_NE(tip, nullptr);
    const HWND hWnd = *tip;
    if (e.click != nullptr) {
        CControlUI* control = Find(tip, e.click);
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(control->IsVisible());
        formtest::PostClick(hWnd, control);
    } else if (e.key != 0) {
        formtest::PostKey(hWnd, e.key);
    } else {
        ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_EQ(tip->RunModal(), e.result);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, InfoTipResultTest,
    ::testing::Values(Ending{"one button: OK", false, L"BtnOK", 0, 1},
                      Ending{"one button: close", false, L"BtnClose", 0, 2},
                      Ending{"one button: Esc", false, nullptr, VK_ESCAPE, 2},
                      Ending{"two buttons: OK", true, L"BtnOK", 0, 1},
                      Ending{"two buttons: Cancel", true, L"BtnCancel", 0, 2},
                      Ending{"two buttons: close", true, L"BtnClose", 0, 2},
                      Ending{"two buttons: Esc", true, nullptr, VK_ESCAPE, 2},
                      Ending{"two buttons: system close", true, nullptr, 0, 2}));

TEST_F(DialogTest, ReturnInATipDoesNothing) {
    VelaInfoTipsForm* tip = MakeTip(true);
    ASSERT_NE(tip, nullptr);
    formtest::PostKey(*tip, VK_RETURN);
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);  // Return neither answered OK nor closed the tip
}

TEST_F(DialogTest, TipShowsItsTextAndPictureAndButtons) {
    VelaInfoTipsForm* tip = MakeTip(false);
    ASSERT_NE(tip, nullptr);
    tip->SetPicture(331);
    tip->SetText(L"密码不能为空", L"", L"", L"");
    EXPECT_STREQ(Find(tip, L"Lable1")->GetText().GetData(), L"密码不能为空");
    EXPECT_TRUE(Find(tip, L"Lable1")->IsVisible());
    for (const wchar_t* name : {L"Lable2", L"Lable3", L"Lable4"}) EXPECT_FALSE(Find(tip, name)->IsVisible());
    EXPECT_STREQ(Find(tip, L"LablePic")->GetBkImage(), L"res='331' restype='png'");
    EXPECT_TRUE(Find(tip, L"BtnOK")->IsVisible());
    EXPECT_FALSE(Find(tip, L"BtnCancel")->IsVisible());
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

TEST_F(DialogTest, TextAndPictureSetBeforeTheWindowExistsAreShown) {
    auto* tip = new VelaInfoTipsForm(false);
    tip->SetPicture(331);
    tip->SetText(L"先设置的文字", L"", L"", L"");
    ASSERT_NE(tip->CreateDialogWindow(owner), nullptr);
    EXPECT_STREQ(Find(tip, L"Lable1")->GetText().GetData(), L"先设置的文字");
    EXPECT_FALSE(Find(tip, L"Lable2")->IsVisible());
    EXPECT_STREQ(Find(tip, L"LablePic")->GetBkImage(), L"res='331' restype='png'");
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

TEST_F(DialogTest, TwoButtonTipPlacesBothButtons) {
    VelaInfoTipsForm* tip = MakeTip(true);
    ASSERT_NE(tip, nullptr);
    tip->SetPicture(330);
    tip->SetText(L"一", L"二", L"", L"四");
    EXPECT_STREQ(Find(tip, L"LablePic")->GetBkImage(), L"res='330' restype='png'");
    EXPECT_TRUE(Find(tip, L"Lable2")->IsVisible());
    EXPECT_FALSE(Find(tip, L"Lable3")->IsVisible());
    EXPECT_STREQ(Find(tip, L"Lable4")->GetText().GetData(), L"四");
    ::UpdateWindow(*tip);
    CControlUI* ok = Find(tip, L"BtnOK");
    CControlUI* cancel = Find(tip, L"BtnCancel");
    ASSERT_TRUE(cancel->IsVisible());
    // The buttons sit 79 and 189 pixels into the tip's body, side by side, 90 by 27 each.
    EXPECT_EQ(cancel->GetPos().left - ok->GetPos().left, 110);
    EXPECT_EQ(ok->GetPos().right - ok->GetPos().left, 90);
    EXPECT_EQ(cancel->GetPos().bottom - cancel->GetPos().top, 27);
    EXPECT_EQ(ok->GetPos().top, cancel->GetPos().top);
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

TEST_F(DialogTest, TextLinesFillTheFourLabelsAndOnlyNonEmptyOnesShow) {
    struct Case {
        const wchar_t* lines[4];
    };
    const Case cases[] = {
        {{L"分享成功", L"", L"", L""}},
        {{L"a", L"b", L"c", L"d"}},
        {{L"", L"second", L"", L"fourth"}},
    };
    VelaInfoTipsForm* tip = MakeTip(false);
    ASSERT_NE(tip, nullptr);
    const wchar_t* const names[] = {L"Lable1", L"Lable2", L"Lable3", L"Lable4"};
    for (const Case& c : cases) {
        tip->SetText(c.lines[0], c.lines[1], c.lines[2], c.lines[3]);
        for (int i = 0; i < 4; ++i) {
            EXPECT_STREQ(Find(tip, names[i])->GetText().GetData(), c.lines[i]) << i;
            EXPECT_EQ(Find(tip, names[i])->IsVisible(), c.lines[i][0] != L'\0') << i;
        }
    }
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

// A long message is not cut on the first line: it goes on in the empty lines below, each
// line within its label, and the lines together give the whole message.
TEST_F(DialogTest, InfoTipWrapsALongMessageOntoTheEmptyLinesBelow) {
    VelaInfoTipsForm* tip = MakeTip(false);
    ASSERT_NE(tip, nullptr);
    const wchar_t* const names[] = {L"Lable1", L"Lable2", L"Lable3", L"Lable4"};
    CControlUI* first = Find(tip, names[0]);
    const int room = first->GetFixedWidth();  // the label's own width (it has no text padding)
    HDC dc = tip->GetManager().GetPaintDC();
    HGDIOBJ oldFont = ::SelectObject(dc, tip->GetManager().GetFont(-1));
    auto width = [dc](const UIToolkit::CUIString& text) {
        SIZE size = {0, 0};
        ::GetTextExtentPoint32W(dc, text.GetData(), text.GetLength(), &size);
        return static_cast<int>(size.cx);
    };
    struct Case { const wchar_t* text; const wchar_t* joiner; int lines; };
    const Case cases[] = {
        {L"下载列表文件无法写入，请检查下载目录是否存在、是否有足够的磁盘空间以及是否有写入权限，然后重试一次", L"", 3},
        {L"The download list could not be written: check that the folder exists and that there is room on the disk",
         L" ", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        tip->SetText(c.text, L"", L"", L"");
        std::wstring joined;
        int shown = 0;
        for (const wchar_t* name : names) {
            CControlUI* line = Find(tip, name);
            if (!line->IsVisible()) continue;
            ++shown;
            EXPECT_LE(width(line->GetText()), room) << testing::PrintToString(std::wstring(line->GetText().GetData()));
            if (!joined.empty()) joined += c.joiner;
            joined += line->GetText().GetData();
        }
        EXPECT_GE(shown, c.lines);
        EXPECT_EQ(joined, std::wstring(c.text));
    }
    // Lines of their own are kept as they are, however long.
    const wchar_t* const own = L"一行自己的文字，一行自己的文字，一行自己的文字，一行自己的文字，一行自己的文字";
    tip->SetText(own, L"二", L"", L"");
    EXPECT_STREQ(Find(tip, names[0])->GetText().GetData(), own);
    EXPECT_STREQ(Find(tip, names[1])->GetText().GetData(), L"二");
    EXPECT_FALSE(Find(tip, names[2])->IsVisible());
    ::SelectObject(dc, oldFont);
    formtest::PostKey(*tip, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

// Finds the tip that ShowInfoTip shows, checks it while its modal loop runs, and presses Esc.
struct TipWatch {
    HWND owner = nullptr;
    HWND tip = nullptr;
    HWND tipOwner = nullptr;
    bool ownerDisabled = false;
    std::wstring firstLine;
    int ticks = 0;
};
TipWatch g_watch;

BOOL CALLBACK FindTip(HWND hWnd, LPARAM) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hWnd, cls, 64);
    if (std::wstring(cls) != L"VelaUI::VelaCloseSetForm" || !::IsWindowVisible(hWnd)) return TRUE;
    g_watch.tip = hWnd;
    return FALSE;
}

void CALLBACK WatchTip(HWND, UINT, UINT_PTR id, DWORD) {
    ++g_watch.ticks;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindTip, 0);
    if (g_watch.tip == nullptr) return;
    ::KillTimer(nullptr, id);
    g_watch.tipOwner = ::GetWindow(g_watch.tip, GW_OWNER);
    g_watch.ownerDisabled = g_watch.owner != nullptr && !::IsWindowEnabled(g_watch.owner);
    auto* form = dynamic_cast<VelaDialogForm*>(
        reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(g_watch.tip, GWLP_USERDATA)));
    CControlUI* line = form != nullptr ? form->GetManager().FindControlByName(L"Lable1") : nullptr;
    if (line != nullptr) g_watch.firstLine = line->GetText().GetData();
    formtest::PostKey(g_watch.tip, VK_ESCAPE);
}

TEST_F(DialogTest, ShowInfoTipRunsModallyOverItsOwner) {
    g_watch = TipWatch();
    g_watch.owner = owner;
    timer = ::SetTimer(nullptr, 0, 10, WatchTip);
    ShowInfoTip(331, L"密码不能为空", owner);
    ASSERT_NE(g_watch.tip, nullptr);
    EXPECT_FALSE(::IsWindow(g_watch.tip));
    EXPECT_EQ(g_watch.tipOwner, owner);
    EXPECT_TRUE(g_watch.ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(g_watch.firstLine, L"密码不能为空");
}

TEST_F(DialogTest, ShowInfoTipWithAnEmptyTextSaysThatSomethingWentWrong) {
    for (const wchar_t* text : {L"", static_cast<const wchar_t*>(nullptr)}) {
        g_watch = TipWatch();
        g_watch.owner = owner;
        timer = ::SetTimer(nullptr, 0, 10, WatchTip);
        ShowInfoTip(331, text, owner);
        ASSERT_NE(g_watch.tip, nullptr);
        EXPECT_EQ(g_watch.firstLine, L"发生未知错误,请稍后重试");
    }
}

TEST_F(DialogTest, ShowInfoTipWithAnOwnerThatIsGoneStillShows) {
    ::DestroyWindow(owner);
    g_watch = TipWatch();
    timer = ::SetTimer(nullptr, 0, 10, WatchTip);
    ShowInfoTip(331, L"网络连接超时, 请重试", owner);
    ASSERT_NE(g_watch.tip, nullptr);
    EXPECT_EQ(g_watch.tipOwner, nullptr);
    EXPECT_FALSE(::IsWindow(g_watch.tip));
}

TEST_F(DialogTest, AboutBoxEndsWithOne) {
    struct Case {
        const wchar_t* click;
        WPARAM key;
    };
    for (const Case& c : {Case{L"BtnOK", 0}, Case{L"BtnClose", 0}, Case{nullptr, VK_ESCAPE}}) {
        auto* about = new VelaAboutForm(L"About.xml");
        ASSERT_NE(about->CreateDialogWindow(owner), nullptr);
        ::UpdateWindow(*about);
        EXPECT_STREQ(Find(about, L"LableCurVer")->GetText().GetData(), L"当前版本：1.0.0.1");
        EXPECT_STREQ(about->GetLayoutFileName().GetData(), L"About.xml");
        if (c.click != nullptr) {
            formtest::PostClick(*about, Find(about, c.click));
        } else {
            formtest::PostKey(*about, c.key);
        }
        EXPECT_EQ(about->RunModal(), 1);
    }
}

TEST_F(DialogTest, ShowDialogRunsTheAboutBox) {
    struct Closer {
        static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
            g_watch.tip = nullptr;
            ::EnumThreadWindows(::GetCurrentThreadId(), FindTip, 0);
            if (g_watch.tip == nullptr) return;
            ::KillTimer(nullptr, id);
            formtest::PostKey(g_watch.tip, VK_ESCAPE);
        }
    };
    g_watch = TipWatch();
    timer = ::SetTimer(nullptr, 0, 10, Closer::Tick);
    EXPECT_EQ(VelaDialogForm::ShowDialog(new VelaAboutForm(L"About.xml"), owner), 1);
    EXPECT_EQ(VelaDialogForm::ShowDialog(nullptr, owner), -1);
}

// A dialog whose layout resource does not exist.
class MissingLayoutForm : public VelaDialogForm {
public:
    explicit MissingLayoutForm(int* destroyed) : VelaDialogForm(299, L"Missing.xml"), m_destroyed(destroyed) {}
    ~MissingLayoutForm() override { ++*m_destroyed; }
    void Notify(UINotify&) override {}

protected:
    void InitControls() override {}

private:
    int* m_destroyed;
};

TEST_F(DialogTest, ADialogWithoutItsLayoutIsNotShown) {
    int destroyed = 0;
    EXPECT_EQ(VelaDialogForm::ShowDialog(new MissingLayoutForm(&destroyed), owner), -1);
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(DialogTest, CaptionBandDragsExceptOverButtons) {
    VelaInfoTipsForm* tip = MakeTip(false);
    ASSERT_NE(tip, nullptr);
    const HWND hWnd = *tip;
    const RECT close = Find(tip, L"BtnClose")->GetPos();
    struct Case {
        const char* where;
        int x, y;
        LRESULT hit;
    };
    const Case cases[] = {
        {"title text", 40, 18, HTCAPTION},
        {"top-left corner", 0, 0, HTCAPTION},
        {"last row of the band", 200, 35, HTCAPTION},
        {"close button", (close.left + close.right) / 2, (close.top + close.bottom) / 2, HTCLIENT},
        {"first row under the band", 200, 36, HTCLIENT},
        {"text area", 200, 60, HTCLIENT},
        {"OK button", 180, 36 + 88, HTCLIENT},
        {"outside, right of the window", 400, 18, HTCLIENT},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(::SendMessageW(hWnd, WM_NCHITTEST, 0, formtest::ScreenPoint(hWnd, c.x, c.y)), c.hit) << c.where;
    }
    formtest::PostKey(hWnd, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

TEST_F(DialogTest, DialogsShareOneClassAndHaveNoFrame) {
    VelaInfoTipsForm* tip = MakeTip(false);
    ASSERT_NE(tip, nullptr);
    const HWND hWnd = *tip;
    wchar_t cls[64] = {};
    ::GetClassNameW(hWnd, cls, 64);
    EXPECT_STREQ(cls, L"VelaUI::VelaCloseSetForm");
    EXPECT_EQ(::GetClassLongW(hWnd, GCL_STYLE) & CS_DBLCLKS, static_cast<DWORD>(CS_DBLCLKS));
    const LONG_PTR style = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_CLIPCHILDREN, 0);
    RECT window = {}, client = {};
    ::GetWindowRect(hWnd, &window);
    ::GetClientRect(hWnd, &client);
    EXPECT_EQ(window.right - window.left, 367);
    EXPECT_EQ(window.bottom - window.top, 149);
    EXPECT_EQ(client.right, 367);  // no non-client area
    // The region rounds the corners: the very corner pixel is outside, the centre inside.
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(hWnd, region), ERROR);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_TRUE(::PtInRegion(region, 183, 74));
    ::DeleteObject(region);
    formtest::PostKey(hWnd, VK_ESCAPE);
    EXPECT_EQ(tip->RunModal(), 2);
}

}  // namespace
