// The rich edit control over the system's windowless rich-edit engine, and its text host.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "rich_edit.h"
#include "text_host.h"
#include "uiedit_test_support.h"

namespace {

using namespace UIToolkit;
using edittest::FormFixture;

const RECT kRichRect = {10, 10, 210, 110};

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        form.reset(new FormFixture);
        rich = new CRichEditUI;
        rich->SetName(L"rich");
    }

    void TearDown() override { form.reset(); }

    void PlaceRich(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes = {},
                   const RECT& rc = kRichRect) {
        for (const auto& attribute : attributes) rich->SetAttribute(attribute.first, attribute.second);
        form->Place(rich, rc);
        ASSERT_NE(rich->GetTextHost(), nullptr) << "the rich-edit engine could not be created";
    }

    std::wstring Text() const { return std::wstring(rich->GetText()); }

    // Holds or releases Ctrl in this thread's keyboard state, as the engine and the control read it.
    static void HoldCtrl(bool down) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }

    // A Return key press as the message loop delivers it: the key, then its character.
    void PressReturn(bool ctrl) {
        HoldCtrl(ctrl);
        form->Deliver(WM_KEYDOWN, VK_RETURN, 1);
        form->Deliver(WM_CHAR, ctrl ? L'\n' : L'\r', 1);
        HoldCtrl(false);
    }

    std::unique_ptr<FormFixture> form;
    CRichEditUI* rich = nullptr;
};

TEST_F(RichEditTest, InitialTextSetTextAndReadBack) {
    rich->SetText(L"before init");
    EXPECT_EQ(Text(), L"");   // no engine yet: the text reads empty
    PlaceRich();
    EXPECT_EQ(Text(), L"before init");
    EXPECT_EQ(rich->GetTextLength(), 11);

    rich->SetText(L"second text");
    EXPECT_EQ(Text(), L"second text");
    const std::wstring longText(5000, L'w');
    rich->SetText(longText.c_str());
    EXPECT_EQ(Text(), longText.substr(0, static_cast<size_t>(rich->GetLimitText())));
    rich->SetText(L"");
    EXPECT_EQ(Text(), L"");
    EXPECT_EQ(rich->GetTextLength(), 0);
}

TEST_F(RichEditTest, SelectionIsReplacedWithOrWithoutUndo) {
    PlaceRich({{L"text", L"hello world"}});
    LRESULT canUndo = 1;
    rich->TxSendMessage(EM_CANUNDO, 0, 0, &canUndo);
    EXPECT_EQ(canUndo, 0);   // the initial text is no edit

    rich->SetSel(6, 11);
    rich->ReplaceSel(L"there", true);
    EXPECT_EQ(Text(), L"hello there");
    rich->TxSendMessage(EM_CANUNDO, 0, 0, &canUndo);
    EXPECT_NE(canUndo, 0);
    LRESULT undone = 0;
    rich->TxSendMessage(EM_UNDO, 0, 0, &undone);
    EXPECT_EQ(Text(), L"hello world");

    rich->SetSel(0, 5);
    rich->ReplaceSel(L"goodbye", false);
    EXPECT_EQ(Text(), L"goodbye world");
    EXPECT_EQ(rich->GetTextLength(), 13);
}

TEST_F(RichEditTest, TabIsWantedOrMovesTheFocusAsTheAttributeSays) {
    for (const wchar_t* wantTab : {L"true", L"false"}) {
        SCOPED_TRACE(testing::Message() << "wanttab " << (wantTab[0] == L't' ? "true" : "false"));
        form.reset(new FormFixture);
        rich = new CRichEditUI;
        rich->SetName(L"rich");
        CControlUI* other = new CRichEditUI;
        other->SetName(L"other");
        PlaceRich({{L"wanttab", wantTab}});
        form->Place(other, RECT{220, 10, 300, 40});
        rich->SetFocus();
        ASSERT_EQ(form->pm().GetFocus(), rich);
        IWantTabUI* asked = static_cast<IWantTabUI*>(rich->GetInterface(L"WantTab"));
        ASSERT_NE(asked, nullptr);
        const bool wanted = wantTab[0] == L't';
        EXPECT_EQ(asked->IsWantTab(), wanted);

        const bool consumed = form->Deliver(WM_KEYDOWN, VK_TAB, 1);
        EXPECT_EQ(consumed, !wanted);
        if (wanted) {
            form->Deliver(WM_CHAR, L'\t', 1);
            EXPECT_EQ(form->pm().GetFocus(), rich);
            EXPECT_EQ(Text(), L"\t");
        } else {
            EXPECT_EQ(form->pm().GetFocus(), other);
            EXPECT_EQ(Text(), L"");
        }
    }
}

TEST_F(RichEditTest, TypedKeysReachTheEngineOnlyWithTheFocus) {
    PlaceRich();
    form->Deliver(WM_CHAR, L'x', 1);
    EXPECT_EQ(Text(), L"");
    rich->SetFocus();
    form->Deliver(WM_CHAR, L'x', 1);
    form->Deliver(WM_CHAR, L'y', 1);
    EXPECT_EQ(Text(), L"xy");
}

TEST_F(RichEditTest, UnwantedReturnSendsReturnAndInsertsNoLine) {
    PlaceRich({{L"wantreturn", L"false"}});
    rich->SetFocus();
    form->Deliver(WM_CHAR, L'a', 1);
    // With or without Ctrl: the notification, and no line.
    PressReturn(false);
    EXPECT_EQ(form->CountNotes(L"return:rich"), 1);
    PressReturn(true);
    EXPECT_EQ(form->CountNotes(L"return:rich"), 2);
    EXPECT_EQ(Text(), L"a");

    // Return wanted: a line, no notification.
    rich->SetWantReturn(true);
    PressReturn(false);
    form->Deliver(WM_CHAR, L'b', 1);
    EXPECT_EQ(form->CountNotes(L"return:rich"), 2);
    EXPECT_EQ(Text(), L"a\rb");
}

TEST_F(RichEditTest, CtrlReturnIsReportedWhenOnlyItIsUnwanted) {
    PlaceRich({{L"wantctrlreturn", L"false"}});
    rich->SetFocus();
    PressReturn(true);
    EXPECT_EQ(form->CountNotes(L"return:rich"), 1);
    EXPECT_EQ(Text(), L"");

    // A plain Return inserts the line.
    PressReturn(false);
    EXPECT_EQ(form->CountNotes(L"return:rich"), 1);
    EXPECT_EQ(Text(), L"\r");
}

TEST_F(RichEditTest, ClicksGiveTheFocusUnlessAnotherControlLiesOnTop) {
    PlaceRich({{L"text", L"click"}});
    CControlUI* cover = new CControlUI;
    form->Place(cover, RECT{150, 60, 200, 100});
    const LPARAM onCover = MAKELPARAM(160, 70);
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, onCover);
    form->Deliver(WM_LBUTTONUP, 0, onCover);
    EXPECT_NE(form->pm().GetFocus(), rich);
    EXPECT_FALSE(rich->GetTextHost()->IsCaptured());

    const LPARAM onText = MAKELPARAM(30, 20);
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, onText);
    EXPECT_EQ(form->pm().GetFocus(), rich);
    form->Deliver(WM_LBUTTONUP, 0, onText);
    EXPECT_FALSE(rich->GetTextHost()->IsCaptured());
    form->Deliver(WM_CHAR, L'!', 1);
    EXPECT_EQ(Text().size(), 6u);
}

TEST_F(RichEditTest, ButtonReleasedOverAnotherControlEndsTheDrag) {
    PlaceRich({{L"text", L"drag across this text"}});
    CControlUI* beside = new CControlUI;
    form->Place(beside, RECT{220, 10, 300, 40});
    CTxtWinHost* host = rich->GetTextHost();
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
    ASSERT_TRUE(host->IsCaptured());
    form->Deliver(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 20));
    form->Deliver(WM_LBUTTONUP, 0, MAKELPARAM(250, 20));
    EXPECT_FALSE(host->IsCaptured());
    EXPECT_FALSE(form->pm().IsCaptured());

    // Moving back over the text without a button selects nothing more.
    CHARRANGE before = {};
    LRESULT result = 0;
    rich->TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&before), &result);
    form->Deliver(WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
    CHARRANGE after = {};
    rich->TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after), &result);
    EXPECT_EQ(after.cpMin, before.cpMin);
    EXPECT_EQ(after.cpMax, before.cpMax);
}

TEST_F(RichEditTest, ControlDeletedInTheMiddleOfADragLeavesTheMouseFree) {
    PlaceRich({{L"text", L"drag"}});
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
    ASSERT_TRUE(rich->GetTextHost()->IsCaptured());
    ASSERT_TRUE(form->pm().IsCaptured());
    form->root()->SetDelayedDestroy(false);
    form->root()->Remove(rich);
    EXPECT_FALSE(form->pm().IsCaptured());
    EXPECT_NE(::GetCapture(), form->hwnd());
}

TEST_F(RichEditTest, PaintingDrawsTheTextInTheTextColour) {
    PlaceRich({{L"textcolor", L"  #FFFF0000"}, {L"bkcolor", L"#FFFFFFFF"}});
    EXPECT_EQ(rich->GetTextColor(), 0xFFFF0000u);
    rich->SetText(L"WWWWWWWW MMMMMMMM");
    uitest::Canvas canvas(230, 130, 0x00FFFFFF);
    rich->Paint(canvas.dc(), RECT{0, 0, 230, 130});
    EXPECT_GT(edittest::CountNear(canvas, kRichRect, 0xFF0000, 60), 10);
    // Nothing is drawn outside the control.
    EXPECT_EQ(edittest::CountNear(canvas, RECT{0, 112, 230, 130}, 0xFFFFFF, 0), 230 * 18);

    // Without text only the background.
    rich->SetText(L"");
    uitest::Canvas blank(230, 130, 0x00FFFFFF);
    rich->Paint(blank.dc(), RECT{0, 0, 230, 130});
    EXPECT_EQ(edittest::CountNear(blank, kRichRect, 0xFF0000, 60), 0);
}

TEST_F(RichEditTest, VerticalScrollRangeFollowsTheTextLength) {
    PlaceRich({{L"vscrollbar", L"true"}, {L"autovscroll", L"true"}}, RECT{10, 10, 210, 70});
    std::wstring lines;
    for (int i = 0; i < 40; ++i) lines += L"line\r";
    rich->SetText(lines.c_str());
    form->Settle();
    CScrollBarUI* bar = rich->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsVisible());
    const int longRange = bar->GetScrollRange();
    EXPECT_GT(longRange, 200);
    // The text area leaves room for the bar, which lies right of it.
    EXPECT_EQ(rich->GetTextHost()->GetControlRect().right, 210 - bar->GetFixedWidth());
    EXPECT_EQ(bar->GetPos().left, 210 - bar->GetFixedWidth());

    // Scrolling moves the engine's view and the bar with it.
    rich->ScrollToBottom();
    EXPECT_GT(bar->GetScrollPos(), 0);
    rich->ScrollToTop();
    EXPECT_EQ(bar->GetScrollPos(), 0);
    rich->SetScrollPos(SIZE{0, 40});   // as a dragged thumb does
    EXPECT_GT(bar->GetScrollPos(), 0);

    lines.clear();
    for (int i = 0; i < 20; ++i) lines += L"line\r";
    rich->SetText(lines.c_str());
    form->Settle();
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_LT(bar->GetScrollRange(), longRange);

    // The wheel without Ctrl scrolls by lines through the control.
    rich->ScrollToTop();
    POINT screen = {60, 30};
    ::ClientToScreen(form->hwnd(), &screen);
    form->Deliver(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(screen.x, screen.y));
    EXPECT_GT(bar->GetScrollPos(), 0);

    rich->SetText(L"short");
    form->Settle();
    EXPECT_FALSE(bar->IsVisible() && bar->GetScrollRange() > 0);
}

TEST_F(RichEditTest, PlainTextScrollsByLinesAndStopsAtTheEnd) {
    PlaceRich({{L"vscrollbar", L"true"}, {L"autovscroll", L"true"}, {L"rich", L"false"}}, RECT{10, 10, 210, 70});
    std::wstring lines;
    for (int i = 0; i < 40; ++i) lines += L"line\r";
    rich->SetText(lines.c_str());
    form->Settle();
    CScrollBarUI* bar = rich->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->IsVisible());
    const int range = bar->GetScrollRange();
    ASSERT_GT(range, 100);

    rich->ScrollToTop();
    EXPECT_EQ(bar->GetScrollPos(), 0);
    rich->LineDown();
    const int line = bar->GetScrollPos();
    EXPECT_GT(line, 0);
    rich->LineDown();
    EXPECT_EQ(bar->GetScrollPos(), 2 * line);
    rich->LineUp();
    EXPECT_EQ(bar->GetScrollPos(), line);

    // At the end a further line keeps the bar at the end of its range.
    rich->ScrollToBottom();
    EXPECT_EQ(bar->GetScrollPos(), range);
    rich->LineDown();
    EXPECT_EQ(bar->GetScrollPos(), range);
    rich->SetScrollPos(SIZE{0, 10});
    EXPECT_EQ(bar->GetScrollPos(), 10);

    // Text that fits needs no bar, also after a resize.
    rich->SetText(L"short");
    form->Settle();
    EXPECT_FALSE(bar->IsVisible());
    rich->SetAttribute(L"pos", L"10,10,210,40");
    form->Settle();
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(RichEditTest, WheelWithCtrlGoesToTheEngineAndScrollsNoLine) {
    PlaceRich({{L"vscrollbar", L"true"}, {L"autovscroll", L"true"}}, RECT{10, 10, 210, 70});
    std::wstring lines;
    for (int i = 0; i < 40; ++i) lines += L"line\r";
    rich->SetText(lines.c_str());
    form->Settle();
    rich->ScrollToTop();
    CScrollBarUI* bar = rich->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetScrollPos(), 0);
    POINT screen = {60, 30};
    ::ClientToScreen(form->hwnd(), &screen);
    HoldCtrl(true);
    form->Deliver(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)),
                  MAKELPARAM(screen.x, screen.y));
    HoldCtrl(false);
    // The engine zoomed out; the control's own line scrolling stayed out of it.
    WPARAM numerator = 0;
    LPARAM denominator = 0;
    LRESULT result = 0;
    rich->TxSendMessage(EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator), reinterpret_cast<LPARAM>(&denominator),
                        &result);
    ASSERT_NE(denominator, 0);
    EXPECT_LT(static_cast<double>(numerator) / static_cast<double>(denominator), 1.0);
    EXPECT_EQ(bar->GetScrollPos(), 0);
}

TEST_F(RichEditTest, ControlWithoutEngineIsInertAndSafe) {
    // Never attached: no engine, which is also the state a failed engine leaves.
    std::unique_ptr<CRichEditUI> loose(new CRichEditUI);
    loose->SetText(L"stored");
    loose->SetAttribute(L"bkcolor", L"#FF00FF00");
    loose->SetPos(RECT{0, 0, 50, 20});
    LRESULT result = 7;
    EXPECT_EQ(loose->TxSendMessage(WM_CHAR, L'a', 0, &result), S_FALSE);
    EXPECT_EQ(std::wstring(loose->GetText()), L"");
    EXPECT_EQ(loose->GetTextLength(), 0);
    uitest::Canvas canvas(60, 30, 0x00FFFFFF);
    loose->Paint(canvas.dc(), RECT{0, 0, 60, 30});
    EXPECT_EQ(edittest::CountNear(canvas, RECT{0, 0, 50, 20}, 0x00FF00, 0), 50 * 20);
    bool handled = false;
    loose->FilterMessage(WM_KEYDOWN, 'A', 0, handled);
    EXPECT_FALSE(handled);
    loose->LineDown();
    loose->SetScrollPos(SIZE{0, 10});
}

TEST_F(RichEditTest, DeletedControlLeavesNoFilterAndItsHostNoOwner) {
    PlaceRich({{L"text", L"bye"}});
    CTxtWinHost* host = rich->GetTextHost();
    host->AddRef();   // someone else still holds the host
    rich->SetFocus();
    form->root()->SetDelayedDestroy(false);
    form->root()->Remove(rich);
    // The window's messages no longer reach the control, and the host answers without it.
    form->Deliver(WM_CHAR, L'z', 1);
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    form->Deliver(WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(host->GetOwner(), nullptr);
    EXPECT_EQ(host->GetTextServices(), nullptr);
    EXPECT_EQ(host->TxGetDC(), nullptr);
    EXPECT_TRUE(host->TxSetScrollRange(SB_VERT, 0, 1000, TRUE));
    host->TxViewChange(TRUE);
    host->TxInvalidateRect(nullptr, FALSE);
    EXPECT_FALSE(host->TxSetTimer(1, 10));
    host->Release();
}

TEST_F(RichEditTest, HostCountsReferencesAndAnswersOnlyItsInterfaces) {
    PlaceRich();
    CTxtWinHost* host = rich->GetTextHost();
    void* unknown = nullptr;
    ASSERT_EQ(host->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<ITextHost*>(host));
    void* asHost = nullptr;
    ASSERT_EQ(host->QueryInterface(kIID_ITextHost, &asHost), S_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(host->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(host->Release(), 2u);
    EXPECT_EQ(host->Release(), 1u);

    DWORD bits = 0;
    host->TxGetPropertyBits(0xFFFFFFFF, &bits);
    EXPECT_NE(bits & TXTBIT_RICHTEXT, 0u);
    EXPECT_NE(bits & TXTBIT_MULTILINE, 0u);
    EXPECT_NE(bits & TXTBIT_WORDWRAP, 0u);
    host->TxGetPropertyBits(TXTBIT_MULTILINE, &bits);
    EXPECT_EQ(bits, static_cast<DWORD>(TXTBIT_MULTILINE));
    TXTBACKSTYLE style = TXTBACK_OPAQUE;
    host->TxGetBackStyle(&style);
    EXPECT_EQ(style, TXTBACK_TRANSPARENT);
    const CHARFORMATW* format = nullptr;
    host->TxGetCharFormat(&format);
    ASSERT_NE(format, nullptr);
    EXPECT_GT(format->yHeight, 0);
    LONG accelerator = 0;
    host->TxGetAcceleratorPos(&accelerator);
    EXPECT_EQ(accelerator, -1);
    DWORD maxLength = 0;
    host->TxGetMaxLength(&maxLength);
    EXPECT_EQ(maxLength, 32767u);
}

TEST_F(RichEditTest, HostMapsScrollBarRequestsOntoTheControlsBars) {
    PlaceRich();
    CTxtWinHost* host = rich->GetTextHost();
    // No bars yet: requests for them are skipped and still succeed.
    EXPECT_TRUE(host->TxShowScrollBar(SB_BOTH, TRUE));
    EXPECT_TRUE(host->TxSetScrollRange(SB_VERT, 0, 5000, TRUE));
    EXPECT_TRUE(host->TxSetScrollPos(SB_HORZ, 10, TRUE));
    EXPECT_EQ(rich->GetVerticalScrollBar(), nullptr);
    EXPECT_EQ(rich->GetHorizontalScrollBar(), nullptr);

    // Enabling makes the bar; disabled arrows hide it, and the horizontal one is left alone.
    EXPECT_TRUE(host->TxEnableScrollBar(SB_VERT, ESB_ENABLE_BOTH));
    CScrollBarUI* bar = rich->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(rich->GetHorizontalScrollBar(), nullptr);
    host->TxEnableScrollBar(SB_VERT, ESB_DISABLE_BOTH);
    EXPECT_FALSE(bar->IsVisible());
    host->TxEnableScrollBar(SB_VERT, ESB_ENABLE_BOTH);
    EXPECT_EQ(rich->GetVerticalScrollBar(), bar);   // made once

    // The range is what does not fit into the text area.
    const RECT client = host->GetControlRect();
    const LONG height = client.bottom - client.top;
    struct Case {
        LONG min;
        INT max;
        bool shown;
        int range;
    };
    const Case cases[] = {{0, static_cast<INT>(height) + 50, true, 50}, {10, static_cast<INT>(height) + 10, false, -1},
                          {0, static_cast<INT>(height) + 1, true, 1}, {0, 0, false, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max);
        EXPECT_TRUE(host->TxSetScrollRange(SB_VERT, c.min, c.max, TRUE));
        EXPECT_EQ(bar->IsVisible(), c.shown);
        if (c.shown) {
            EXPECT_EQ(bar->GetScrollRange(), c.range);
        }
    }
    host->TxSetScrollRange(SB_VERT, 0, static_cast<INT>(height) + 50, TRUE);
    host->TxSetScrollPos(SB_VERT, 30, TRUE);
    EXPECT_EQ(bar->GetScrollPos(), 30);
    host->TxShowScrollBar(SB_VERT, FALSE);
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(RichEditTest, HostGeometryFormatsAndCursor) {
    PlaceRich();
    CTxtWinHost* host = rich->GetTextHost();
    const RECT client = host->GetControlRect();
    EXPECT_EQ(client.left, kRichRect.left);
    EXPECT_EQ(client.bottom, kRichRect.bottom);

    // The extent in HIMETRIC, from the paint DC's pixels per inch.
    SIZEL extent = {};
    host->TxGetExtent(&extent);
    HDC dc = form->pm().GetPaintDC();
    EXPECT_EQ(extent.cx, ::MulDiv(client.right - client.left, 2540, ::GetDeviceCaps(dc, LOGPIXELSX)));
    EXPECT_EQ(extent.cy, ::MulDiv(client.bottom - client.top, 2540, ::GetDeviceCaps(dc, LOGPIXELSY)));

    // A resize request keeps the corner and takes the requested size.
    REQRESIZE request = {};
    request.rc = RECT{500, 500, 560, 530};
    host->TxNotify(EN_REQUESTRESIZE, &request);
    RECT resized = {};
    host->TxGetClientRect(&resized);
    EXPECT_EQ(resized.left, client.left);
    EXPECT_EQ(resized.top, client.top);
    EXPECT_EQ(resized.right, client.left + 60);
    EXPECT_EQ(resized.bottom, client.top + 30);
    host->SetClientRect(client);

    // The cursor is the engine's inside the text area only.
    EXPECT_TRUE(host->DoSetCursor(nullptr, POINT{client.left + 5, client.top + 5}));
    EXPECT_FALSE(host->DoSetCursor(nullptr, POINT{client.left - 5, client.top + 5}));
    const RECT small = {client.left, client.top, client.left + 10, client.top + 10};
    EXPECT_FALSE(host->DoSetCursor(&small, POINT{client.left + 20, client.top + 5}));

    // The default character format follows the control's font and colour.
    const HFONT bold = form->pm().AddFont(L"Tahoma", 20, true, false, true);
    ASSERT_NE(bold, nullptr);
    const int boldIndex = form->pm().GetFontCount() - 1;
    ASSERT_EQ(form->pm().GetFont(boldIndex), bold);
    rich->SetFont(boldIndex);
    rich->SetTextColor(0xFF102030);
    const CHARFORMATW* format = nullptr;
    host->TxGetCharFormat(&format);
    ASSERT_NE(format, nullptr);
    LOGFONTW lf = {};
    ::GetObjectW(bold, sizeof(lf), &lf);
    EXPECT_EQ(format->yHeight, ::MulDiv(std::abs(lf.lfHeight), 1440, ::GetDeviceCaps(dc, LOGPIXELSY)));
    EXPECT_EQ(format->dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE), static_cast<DWORD>(CFE_BOLD | CFE_ITALIC));
    EXPECT_EQ(format->crTextColor, RGB(0x10, 0x20, 0x30));
    EXPECT_STREQ(format->szFaceName, lf.lfFaceName);

    // Plain text from now on.
    rich->SetRich(false);
    DWORD bits = TXTBIT_RICHTEXT;
    host->TxGetPropertyBits(TXTBIT_RICHTEXT, &bits);
    EXPECT_EQ(bits, 0u);
}

TEST_F(RichEditTest, HostTimersAreTheControlsManagerTimers) {
    PlaceRich();
    CTxtWinHost* host = rich->GetTextHost();
    EXPECT_TRUE(host->TxSetTimer(7, 60000));
    EXPECT_NE(host->GetFlags() & CTxtWinHost::kTimer, 0u);
    // The engine may ask again for a running timer, with another period.
    EXPECT_TRUE(host->TxSetTimer(7, 30000));
    host->TxKillTimer(7);
    EXPECT_EQ(host->GetFlags() & CTxtWinHost::kTimer, 0u);
    EXPECT_FALSE(form->pm().KillTimer(rich, 7));   // nothing left running
}

TEST_F(RichEditTest, CreationStyleSetsWrappingAlignmentAndScrollBits) {
    struct Case {
        const wchar_t* name;
        const wchar_t* value;
        bool wrap;
        WORD alignment;
        DWORD scrollBits;
    };
    const Case cases[] = {
        {L"align", L"left", true, PFA_LEFT, 0},
        {L"align", L"center", true, PFA_CENTER, 0},
        {L"align", L"right", true, PFA_RIGHT, 0},
        {L"autohscroll", L"true", false, PFA_LEFT, ES_AUTOHSCROLL},
        {L"hscrollbar", L"true", false, PFA_LEFT, WS_HSCROLL | ES_DISABLENOSCROLL},
        {L"vscrollbar", L"true", true, PFA_LEFT, WS_VSCROLL | ES_DISABLENOSCROLL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.name)) << "="
                                        << testing::PrintToString(std::wstring(c.value)));
        form.reset(new FormFixture);
        rich = new CRichEditUI;
        PlaceRich({{c.name, c.value}});
        CTxtWinHost* host = rich->GetTextHost();
        DWORD bits = 0;
        host->TxGetPropertyBits(TXTBIT_WORDWRAP, &bits);
        EXPECT_EQ(bits != 0, c.wrap);
        const PARAFORMAT* para = nullptr;
        host->TxGetParaFormat(&para);
        ASSERT_NE(para, nullptr);
        EXPECT_EQ(para->wAlignment, c.alignment);
        DWORD scroll = 0;
        host->TxGetScrollBars(&scroll);
        EXPECT_EQ(scroll, c.scrollBits);
    }
}

TEST_F(RichEditTest, PasswordRichEditKeepsItsTextAndShowsAVisibleCharacter) {
    PlaceRich({{L"password", L"true"}, {L"text", L"pw"}});
    CTxtWinHost* host = rich->GetTextHost();
    TCHAR ch = 0;
    host->TxGetPasswordChar(&ch);
    EXPECT_EQ(ch, L'*');
    DWORD bits = 0;
    host->TxGetPropertyBits(TXTBIT_USEPASSWORD, &bits);
    EXPECT_EQ(bits, static_cast<DWORD>(TXTBIT_USEPASSWORD));
    EXPECT_EQ(Text(), L"pw");
}

TEST_F(RichEditTest, AttributesSetStyleBitsAndSettings) {
    rich->SetAttribute(L"vscrollbar", L"true");
    rich->SetAttribute(L"autohscroll", L"true");
    rich->SetAttribute(L"readonly", L"true");
    rich->SetAttribute(L"password", L"true");
    rich->SetAttribute(L"numberonly", L"true");
    rich->SetAttribute(L"multiline", L"false");
    rich->SetAttribute(L"align", L"right");
    rich->SetAttribute(L"rich", L"false");
    rich->SetAttribute(L"wantctrlreturn", L"no");
    rich->SetAttribute(L"font", L"2");
    const DWORD expected = WS_VSCROLL | ES_DISABLENOSCROLL | ES_AUTOHSCROLL | ES_READONLY | ES_PASSWORD | ES_NUMBER |
                           ES_RIGHT;
    EXPECT_EQ(rich->GetStyle(), expected);
    rich->SetAttribute(L"align", L"center");
    EXPECT_EQ(rich->GetStyle() & (ES_CENTER | ES_RIGHT), static_cast<DWORD>(ES_CENTER));
    rich->SetAttribute(L"vscrollbar", L"false");   // does nothing
    EXPECT_NE(rich->GetStyle() & WS_VSCROLL, 0u);
    EXPECT_FALSE(rich->IsRich());
    EXPECT_FALSE(rich->IsWantCtrlReturn());
    EXPECT_TRUE(rich->IsWantReturn());
    EXPECT_EQ(rich->GetFont(), 2);
    EXPECT_EQ(rich->GetLimitText(), 32767);
    EXPECT_STREQ(rich->GetClassName(), L"RichEditUI");
    EXPECT_EQ(rich->GetInterface(L"RichEdit"), rich);
    EXPECT_NE(rich->GetInterface(L"Container"), nullptr);
    delete rich;
}

}  // namespace
