// The edit control on a shown framework window: its native edit window, the text that flows
// back from it, the notifications, the limits and modes, painting, and its lifetime.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "edit.h"
#include "render_test_support.h"
#include "test_files.h"
#include "uiedit_test_support.h"

namespace {

using namespace UIToolkit;
using edittest::FormFixture;

const RECT kEditRect = {10, 10, 210, 40};

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        form.reset(new FormFixture);
        edit = new CEditUI;
        edit->SetName(L"edit");
    }

    void TearDown() override { form.reset(); }

    // Places the edit with the given attributes ("name", "value" pairs).
    void PlaceEdit(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes = {}) {
        for (const auto& attribute : attributes) edit->SetAttribute(attribute.first, attribute.second);
        form->Place(edit, kEditRect);
    }

    HWND Native() const { return edit->GetNativeWindow(); }

    void Type(const std::wstring& text) {
        for (wchar_t ch : text) ::SendMessageW(Native(), WM_CHAR, ch, 1);
    }

    std::wstring NativeText() const {
        wchar_t buffer[512] = {};
        ::GetWindowTextW(Native(), buffer, 512);
        return buffer;
    }

    std::unique_ptr<FormFixture> form;
    CEditUI* edit = nullptr;
};

TEST_F(EditTest, FocusOpensTheNativeWindowOverTheTextAreaWithTheText) {
    PlaceEdit({{L"text", L"hello"}});
    EXPECT_EQ(Native(), nullptr);
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(Native()));
    EXPECT_EQ(::GetFocus(), Native());
    EXPECT_EQ(::GetParent(Native()), form->hwnd());
    EXPECT_EQ(NativeText(), L"hello");
    wchar_t className[64] = {};
    ::GetClassNameW(Native(), className, 64);
    EXPECT_STREQ(className, L"EditWnd");

    // Text area inside the padding 4,3,4,3, cut to the font height and centred vertically.
    RECT rc = {};
    ::GetWindowRect(Native(), &rc);
    ::MapWindowPoints(HWND_DESKTOP, form->hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    const LONG fontHeight = form->pm().GetDefaultFontInfo()->tm.tmHeight;
    ASSERT_LT(fontHeight, 24);
    EXPECT_EQ(rc.left, 14);
    EXPECT_EQ(rc.right, 206);
    EXPECT_EQ(rc.top, 13 + (24 - fontHeight) / 2);
    EXPECT_EQ(rc.bottom - rc.top, fontHeight);
    EXPECT_EQ(form->CountNotes(L"setfocus:edit"), 1);
}

TEST_F(EditTest, TypingCopiesEveryChangeBackAndNotifiesEachTime) {
    PlaceEdit();
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    Type(L"a");
    EXPECT_EQ(std::wstring(edit->GetText()), L"a");
    EXPECT_EQ(form->CountNotes(L"textchanged:edit"), 1);
    Type(L"b");
    EXPECT_EQ(std::wstring(edit->GetText()), L"ab");
    EXPECT_EQ(form->CountNotes(L"textchanged:edit"), 2);

    // A text longer than any fixed buffer still comes back whole.
    edit->SetMaxChar(2000);
    const std::wstring longText(1500, L'x');
    ::SetWindowTextW(Native(), longText.c_str());
    EXPECT_EQ(std::wstring(edit->GetText()), longText);

    // Text set from code reaches the open window.
    edit->SetText(L"from code");
    EXPECT_EQ(NativeText(), L"from code");
}

TEST_F(EditTest, MaxCharLimitsTypingAndNonPositiveMeansTheSystemMaximum) {
    struct Case {
        const wchar_t* maxChar;
        int stored;
        size_t typed;
        size_t kept;
    };
    const Case cases[] = {
        {L"11", 11, 15, 11},
        {L"0", 0, 300, 300},
        {L"-5", 0, 300, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "maxchar " << testing::PrintToString(std::wstring(c.maxChar)));
        form.reset(new FormFixture);
        edit = new CEditUI;
        edit->SetName(L"edit");
        PlaceEdit({{L"maxchar", c.maxChar}});
        EXPECT_EQ(edit->GetMaxChar(), c.stored);
        edit->SetFocus();
        ASSERT_NE(Native(), nullptr);
        Type(std::wstring(c.typed, L'7'));
        EXPECT_EQ(std::wstring(edit->GetText()).size(), c.kept);
    }
}

TEST_F(EditTest, ReadOnlyEditTakesNoTyping) {
    PlaceEdit({{L"text", L"fixed"}, {L"readonly", L"true"}});
    EXPECT_TRUE(edit->IsReadOnly());
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    EXPECT_NE(::GetWindowLongPtrW(Native(), GWL_STYLE) & ES_READONLY, 0);
    Type(L"zz");
    EXPECT_EQ(std::wstring(edit->GetText()), L"fixed");
    EXPECT_EQ(form->CountNotes(L"textchanged:edit"), 0);

    // Switching it off applies to the open window at once.
    edit->SetReadOnly(false);
    Type(L"z");
    EXPECT_EQ(form->CountNotes(L"textchanged:edit"), 1);
}

TEST_F(EditTest, PasswordEditPaintsOneStarPerCharacterAndNothingWhenEmpty) {
    PlaceEdit({{L"text", L"secret"}, {L"password", L"true"}, {L"textcolor", L"#FF000000"}});
    const RECT area = {0, 0, 230, 50};
    uitest::Canvas painted(230, 50);
    edit->Paint(painted.dc(), area);

    // The same text area drawn by the renderer with six stars, and with the clear text.
    auto reference = [&](const wchar_t* text) {
        auto canvas = std::make_unique<uitest::Canvas>(230, 50);
        CUIRenderer::DrawColor(canvas->dc(), kEditRect, 0xFFFFFFFF);
        RECT rc = {14, 13, 206, 37};
        CUIRenderer::DrawText(canvas->dc(), &form->pm(), rc, text, 0xFF000000, -1, DT_VCENTER | DT_SINGLELINE);
        return canvas;
    };
    EXPECT_TRUE(edittest::SameArea(painted, *reference(L"******"), kEditRect));
    EXPECT_FALSE(edittest::SameArea(painted, *reference(L"secret"), kEditRect));

    // Empty: only the white background.
    edit->SetText(L"");
    uitest::Canvas empty(230, 50, 0x00123456);
    edit->Paint(empty.dc(), area);
    EXPECT_EQ(edittest::CountNear(empty, kEditRect, 0xFFFFFF, 0), 200 * 30);

    // The native window of a password edit hides its characters too.
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    EXPECT_NE(::GetWindowLongPtrW(Native(), GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_EQ(::SendMessageW(Native(), EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST_F(EditTest, ReturnInTheNativeWindowSendsReturnAndKeepsItOpen) {
    PlaceEdit({{L"text", L"abc"}});
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    ::SendMessageW(Native(), WM_KEYDOWN, VK_RETURN, 1);
    uitest::Pump();
    EXPECT_EQ(form->CountNotes(L"return:edit"), 1);
    EXPECT_EQ(form->CountNotes(L"killfocus:edit"), 0);
    EXPECT_NE(Native(), nullptr);
}

TEST_F(EditTest, ReturnReachingTheControlItselfSendsKillFocus) {
    PlaceEdit({{L"text", L"abc"}});
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    // The keyboard goes back to the form while the edit keeps the framework's focus.
    ::SetFocus(form->hwnd());
    uitest::Pump();
    ASSERT_EQ(Native(), nullptr);
    ASSERT_EQ(form->pm().GetFocus(), edit);
    form->notes().clear();
    form->Deliver(WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(form->CountNotes(L"killfocus:edit"), 1);
    EXPECT_EQ(form->CountNotes(L"return:edit"), 0);
}

TEST_F(EditTest, LosingTheKeyboardClosesTheNativeWindow) {
    PlaceEdit({{L"text", L"abc"}});
    edit->SetFocus();
    HWND native = Native();
    ASSERT_NE(native, nullptr);
    // Another control takes the focus: the manager takes the keyboard back, the window closes.
    form->pm().SetFocus(nullptr);
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(Native(), nullptr);
    EXPECT_GE(form->CountNotes(L"killfocus:edit"), 1);
    EXPECT_EQ(std::wstring(edit->GetText()), L"abc");

    // The keyboard going elsewhere directly closes it as well.
    edit->SetFocus();
    native = Native();
    ASSERT_NE(native, nullptr);
    ::SetFocus(form->hwnd());
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(Native(), nullptr);
}

TEST_F(EditTest, FirstClickOpensTheWindowWithTheWholeTextSelected) {
    PlaceEdit({{L"text", L"select me"}});
    const LPARAM point = MAKELPARAM(12, 12);   // inside the control, outside the text area
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, point);
    form->Deliver(WM_LBUTTONUP, 0, point);
    ASSERT_NE(Native(), nullptr);
    DWORD first = 99, last = 99;
    ::SendMessageW(Native(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(last, 9u);
}

TEST_F(EditTest, TabbingInOpensTheWindowWithoutSelectingTheText) {
    PlaceEdit({{L"text", L"tabbed"}});
    ASSERT_EQ(form->pm().GetFocus(), nullptr);
    form->Deliver(WM_KEYDOWN, VK_TAB, 1);
    ASSERT_EQ(form->pm().GetFocus(), edit);
    ASSERT_NE(Native(), nullptr);
    EXPECT_EQ(::GetFocus(), Native());
    DWORD first = 99, last = 99;
    ::SendMessageW(Native(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first, last);
}

TEST_F(EditTest, IBeamCursorOnlyWhileEnabled) {
    PlaceEdit({{L"enabled", L"false"}});
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    const HCURSOR ibeam = ::LoadCursorW(nullptr, IDC_IBEAM);
    auto cursorAfterSetCursorEvent = [&]() {
        ::SetCursor(arrow);
        UIEvent event = {};
        event.type = UIEVENT_SETCURSOR;
        event.sender = edit;
        event.ptMouse = POINT{20, 20};
        edit->DispatchEvent(event);
        return ::GetCursor();
    };
    EXPECT_NE(cursorAfterSetCursorEvent(), ibeam);
    edit->SetEnabled(true);
    EXPECT_EQ(cursorAfterSetCursorEvent(), ibeam);
}

TEST_F(EditTest, DisabledEditOpensNothingAndIsNoTabStop) {
    PlaceEdit({{L"text", L"off"}, {L"enabled", L"false"}});
    EXPECT_EQ(edit->GetControlFlags(), 0u);
    edit->SetFocus();
    form->Deliver(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    form->Deliver(WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(Native(), nullptr);
    edit->SetEnabled(true);
    EXPECT_EQ(edit->GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR));
}

TEST_F(EditTest, HidingTheEditOrItsParentClosesTheNativeWindow) {
    PlaceEdit();
    edit->SetFocus();
    HWND native = Native();
    ASSERT_NE(native, nullptr);
    edit->SetVisible(false);
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(form->pm().GetFocus(), nullptr);

    edit->SetVisible(true);
    form->Settle();
    edit->SetFocus();
    native = Native();
    ASSERT_NE(native, nullptr);
    form->root()->SetVisible(false);
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
}

TEST_F(EditTest, SwitchingTheTabAwayFromTheEditClosesTheNativeWindow) {
    CTabLayoutUI* tabs = new CTabLayoutUI;
    CContainerUI* searchPage = new CContainerUI;
    CContainerUI* otherPage = new CContainerUI;
    tabs->Add(searchPage);
    tabs->Add(otherPage);
    searchPage->Add(edit);
    form->Place(tabs, RECT{0, 0, 300, 100});
    ASSERT_TRUE(edit->IsVisible());
    edit->SetFocus();
    const HWND native = Native();
    ASSERT_NE(native, nullptr);
    tabs->SelectItem(1);
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(Native(), nullptr);
    EXPECT_NE(form->pm().GetFocus(), edit);
}

TEST_F(EditTest, NativeBackgroundColourPaintsTheWindowOrLeavesSystemColours) {
    PlaceEdit({{L"textcolor", L"#FF00FF00"}});
    edit->SetFocus();
    ASSERT_NE(Native(), nullptr);
    HDC dc = ::CreateCompatibleDC(nullptr);
    // Without a native background colour the form answers nothing: system colours.
    EXPECT_EQ(::SendMessageW(form->hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(Native())),
              0);
    edit->SetAttribute(L"nativebkcolor", L"#FF000080");
    const LRESULT brush = ::SendMessageW(form->hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(Native()));
    ASSERT_NE(brush, 0);
    LOGBRUSH lb = {};
    ASSERT_NE(::GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(lb), &lb), 0);
    EXPECT_EQ(lb.lbColor, RGB(0, 0, 0x80));
    EXPECT_EQ(::GetTextColor(dc), RGB(0, 0xFF, 0));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ::DeleteDC(dc);
}

TEST_F(EditTest, OpenNativeWindowPaintsInTheNativeBackgroundAndTheTextColour) {
    struct Case {
        const wchar_t* nativeBkColor;   // null: attribute absent
        DWORD background;               // 0xRRGGBB expected over most of the window
    };
    const Case cases[] = {{L"#FF000040", 0x000040}, {nullptr, ::GetSysColor(COLOR_WINDOW) & 0xFFFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nativeBkColor != nullptr ? "native colour" : "system colours");
        form.reset(new FormFixture);
        edit = new CEditUI;
        edit->SetName(L"edit");
        PlaceEdit({{L"textcolor", L"#FF00FF00"}, {L"text", L"WWWWWWWW"}});
        if (c.nativeBkColor != nullptr) edit->SetAttribute(L"nativebkcolor", c.nativeBkColor);
        edit->SetFocus();
        ASSERT_NE(Native(), nullptr);
        RECT client = {};
        ::GetClientRect(Native(), &client);
        uitest::Canvas canvas(client.right, client.bottom, 0x00FF00FF);
        ::SendMessageW(Native(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND);
        const int area = client.right * client.bottom;
        EXPECT_GT(edittest::CountNear(canvas, client, c.background, 8), area / 2);
        const int green = edittest::CountNear(canvas, client, 0x00FF00, 60);
        if (c.nativeBkColor != nullptr) {
            EXPECT_GT(green, 10);
        } else {
            EXPECT_EQ(green, 0);
        }
    }
}

TEST_F(EditTest, ControlDeletedWhileItsNativeWindowIsOpen) {
    // Deleted at once: the window goes with it.
    PlaceEdit({{L"text", L"gone"}});
    edit->SetFocus();
    HWND native = Native();
    ASSERT_NE(native, nullptr);
    form->root()->SetDelayedDestroy(false);
    form->root()->Remove(edit);
    EXPECT_FALSE(::IsWindow(native));
    uitest::Pump();

    // Detached for delayed cleanup while the window is open and typed into: the window no
    // longer reaches the control's manager, and goes when the control is deleted.
    edit = new CEditUI;
    edit->SetName(L"edit");
    form->root()->SetDelayedDestroy(true);
    PlaceEdit({{L"text", L"later"}});
    edit->SetFocus();
    native = Native();
    ASSERT_NE(native, nullptr);
    form->root()->Remove(edit);
    form->notes().clear();
    ::SendMessageW(native, WM_CHAR, L'q', 1);
    ::SendMessageW(native, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(form->notes().empty());
    uitest::Pump();   // the delayed cleanup deletes the control
    EXPECT_FALSE(::IsWindow(native));

    // Deleted after the window was told to close, before it did.
    edit = new CEditUI;
    edit->SetName(L"edit");
    form->root()->SetDelayedDestroy(false);
    PlaceEdit();
    edit->SetFocus();
    native = Native();
    ASSERT_NE(native, nullptr);
    ::SetFocus(form->hwnd());   // posts the close
    form->root()->Remove(edit);
    uitest::Pump();
    EXPECT_FALSE(::IsWindow(native));
}

TEST_F(EditTest, StateImagesFollowDisabledFocusedHotNormal) {
    const std::wstring folder = testfiles::FreshDir(L"edit_images");
    const CUIString savedPath = CWindowManagerUI::GetResourcePath();
    CWindowManagerUI::SetResourcePath(folder.c_str());
    const struct {
        const wchar_t* name;
        DWORD rgb;
    } images[] = {{L"n.png", 0xFF0000}, {L"h.png", 0x00FF00}, {L"f.png", 0x0000FF}, {L"d.png", 0x808080}};
    for (const auto& image : images) {
        const std::string png = rendertest::EncodePng(4, 4, rendertest::SolidPixels(4, 4, 0xFF000000u | image.rgb));
        ASSERT_TRUE(testfiles::WriteAll(folder + L"\\" + image.name, png));
    }
    PlaceEdit({{L"normalimage", L"n.png"}, {L"hotimage", L"h.png"}, {L"focusedimage", L"f.png"},
               {L"disabledimage", L"d.png"}});
    auto colourAt = [&]() {
        uitest::Canvas canvas(230, 50);
        edit->Paint(canvas.dc(), RECT{0, 0, 230, 50});
        return canvas.Pixel(12, 12);
    };
    EXPECT_EQ(colourAt(), 0xFF0000u);
    UIEvent enter = {};
    enter.type = UIEVENT_MOUSEENTER;
    enter.sender = edit;
    edit->DispatchEvent(enter);
    EXPECT_EQ(colourAt(), 0x00FF00u);
    edit->SetFocus();
    EXPECT_EQ(colourAt(), 0x0000FFu);
    EXPECT_NE(edit->GetEditState() & 0x1u, 0u);
    edit->SetEnabled(false);
    EXPECT_EQ(colourAt(), 0x808080u);
    EXPECT_EQ(edit->GetEditState(), 0x4u);   // disabling dropped hot and focus
    CWindowManagerUI::SetResourcePath(savedPath);
}

TEST_F(EditTest, ResizingTheFormRebuildsTheOpenWindow) {
    PlaceEdit({{L"text", L"moving"}});
    edit->SetFocus();
    HWND old = Native();
    ASSERT_NE(old, nullptr);
    edit->SetAttribute(L"pos", L"20,50,220,80");
    ::SetWindowPos(form->hwnd(), nullptr, 0, 0, 330, 210, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    form->Settle();
    EXPECT_FALSE(::IsWindow(old));
    ASSERT_NE(Native(), nullptr);
    EXPECT_EQ(form->pm().GetFocus(), edit);
    RECT rc = {};
    ::GetWindowRect(Native(), &rc);
    ::MapWindowPoints(HWND_DESKTOP, form->hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 24);
    EXPECT_GT(rc.top, 50);
    EXPECT_EQ(std::wstring(edit->GetText()), L"moving");
}

// A form that deletes the edit when it hears one notification from it.
class DeletingForm : public INotifyUI {
public:
    DeletingForm(CContainerUI* root, CControlUI* target, const wchar_t* type)
        : m_root(root), m_target(target), m_type(type) {}
    void Notify(UINotify& msg) override {
        if (m_target == nullptr || msg.sender != m_target || m_type != msg.type.GetData()) return;
        m_root->SetDelayedDestroy(false);
        m_root->Remove(m_target);
        m_target = nullptr;
    }
    bool deleted() const { return m_target == nullptr; }

private:
    CContainerUI* m_root;
    CControlUI* m_target;
    std::wstring m_type;
};

TEST_F(EditTest, FormDeletesTheEditFromInsideItsNativeWindowsNotification) {
    struct Case {
        const wchar_t* type;
        UINT message;
        WPARAM key;
    };
    const Case cases[] = {{L"textchanged", WM_CHAR, L'a'}, {L"return", WM_KEYDOWN, VK_RETURN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.type)));
        form.reset(new FormFixture);
        edit = new CEditUI;
        edit->SetName(L"edit");
        PlaceEdit({{L"text", L"x"}});
        DeletingForm deleting(form->root(), edit, c.type);
        form->pm().AddNotifier(&deleting);
        edit->SetFocus();
        HWND native = Native();
        ASSERT_NE(native, nullptr);
        ::SendMessageW(native, c.message, c.key, 1);
        EXPECT_TRUE(deleting.deleted());
        edit = nullptr;
        uitest::Pump();
        EXPECT_FALSE(::IsWindow(native));
        form.reset();
    }
}

TEST_F(EditTest, FormDeletesTheEditFromInsideTheControlsOwnNotifications) {
    struct Case {
        const wchar_t* type;
        std::function<void(FormFixture&, CEditUI*)> trigger;
    };
    const Case cases[] = {
        {L"killfocus", [](FormFixture& f, CEditUI*) { f.pm().SetFocus(nullptr); }},
        {L"textchanged", [](FormFixture&, CEditUI* e) { e->SetText(L"from code"); }},
        // Return reaching the control itself, once the keyboard has gone back to the form.
        {L"killfocus",
         [](FormFixture& f, CEditUI*) {
             ::SetFocus(f.hwnd());
             uitest::Pump();
             f.Deliver(WM_KEYDOWN, VK_RETURN, 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.type)));
        form.reset(new FormFixture);
        edit = new CEditUI;
        edit->SetName(L"edit");
        PlaceEdit({{L"text", L"x"}});
        DeletingForm deleting(form->root(), edit, c.type);
        form->pm().AddNotifier(&deleting);
        edit->SetFocus();
        const HWND native = Native();
        ASSERT_NE(native, nullptr);
        c.trigger(*form, edit);
        EXPECT_TRUE(deleting.deleted());
        edit = nullptr;
        uitest::Pump();
        EXPECT_FALSE(::IsWindow(native));
        form->Settle();
        form.reset();
    }
}

TEST_F(EditTest, AttributesAndEstimatedSize) {
    PlaceEdit({{L"normalimage", L"n.png"},
               {L"hotimage", L"h.png"},
               {L"focusedimage", L"f.png"},
               {L"disabledimage", L"d.png"},
               {L"nativebkcolor", L"FF102030"}});
    EXPECT_STREQ(edit->GetNormalImage(), L"n.png");
    EXPECT_STREQ(edit->GetHotImage(), L"h.png");
    EXPECT_STREQ(edit->GetFocusedImage(), L"f.png");
    EXPECT_STREQ(edit->GetDisabledImage(), L"d.png");
    EXPECT_EQ(edit->GetNativeEditBkColor(), 0xFF102030u);
    EXPECT_EQ(edit->GetPasswordChar(), L'*');
    EXPECT_EQ(edit->GetBkColor(), 0xFFFFFFFFu);
    const RECT padding = edit->GetTextPadding();
    EXPECT_EQ(padding.left, 4);
    EXPECT_EQ(padding.top, 3);
    EXPECT_NE(edit->GetInterface(L"Edit"), nullptr);
    EXPECT_NE(edit->GetInterface(L"Label"), nullptr);

    CEditUI loose;
    loose.SetFixedWidth(80);
    EXPECT_EQ(loose.EstimateSize(SIZE{200, 200}).cx, 80);
    edit->SetFixedHeight(0);
    const SIZE size = edit->EstimateSize(SIZE{200, 200});
    EXPECT_EQ(size.cy, form->pm().GetDefaultFontInfo()->tm.tmHeight + 6);
}

}  // namespace
