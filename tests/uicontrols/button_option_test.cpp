// Buttons and options: attributes, state images and text colours in an off-screen DIB, clicks
// from synthesized mouse and key messages, check boxes and radio groups.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "button.h"
#include "controls_test_support.h"
#include "ui_event.h"

using namespace UIToolkit;
using namespace ctltest;

namespace {

using Texts = std::vector<std::wstring>;

// ---- Attributes and classes ----

TEST(ButtonAttributes, TextColours) {
    CButtonUI button;
    button.SetAttribute(L"hottextcolor", L"#FF00FF00");
    button.SetAttribute(L"focusedtextcolor", L"FF123456");
    button.SetAttribute(L"textcolor", L"#FF0000FF");   // the label's
    EXPECT_EQ(button.GetHotTextColor(), 0xFF00FF00u);
    EXPECT_EQ(button.GetFocusedTextColor(), 0xFF123456u);
    EXPECT_EQ(button.GetTextColor(), 0xFF0000FFu);
}

TEST(ButtonClasses, NamesInterfacesAndFlags) {
    CButtonUI button;
    COptionUI option;
    EXPECT_STREQ(button.GetClassName(), L"ButtonUI");
    EXPECT_STREQ(option.GetClassName(), L"OptionUI");
    EXPECT_EQ(button.GetInterface(L"Button"), &button);
    EXPECT_EQ(button.GetInterface(L"Label"), static_cast<CLabelUI*>(&button));
    EXPECT_EQ(button.GetInterface(L"Option"), nullptr);
    EXPECT_EQ(option.GetInterface(L"Option"), &option);
    EXPECT_EQ(option.GetInterface(L"Button"), static_cast<CButtonUI*>(&option));
    EXPECT_EQ(option.GetInterface(L"Control"), static_cast<CControlUI*>(&option));

    EXPECT_EQ(button.GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR));
    button.SetEnabled(false);
    EXPECT_EQ(button.GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP));
    EXPECT_FALSE(button.Activate());
}

TEST(OptionAttributes, GroupAndSelected) {
    rendertest::ManagerFixture fixture;
    COptionUI option;
    option.SetManager(&fixture.manager(), nullptr, false);
    option.SetAttribute(L"group", L"g");
    option.SetAttribute(L"selected", L"true");
    const CUIPtrArray* group = fixture.manager().GetOptionGroup(L"g");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetSize(), 1);
    EXPECT_EQ(group->GetAt(0), static_cast<CControlUI*>(&option));
    EXPECT_TRUE(option.IsSelected());
    option.SetAttribute(L"selected", L"yes");
    EXPECT_FALSE(option.IsSelected());
}

// ---- State images and text colours ----

class ButtonPaint : public ::testing::Test {
protected:
    void SetUp() override {
        bench.SolidImage(L"red.png", 4, 4, 0xFFFF0000);
        bench.SolidImage(L"green.png", 4, 4, 0xFF00FF00);
        bench.SolidImage(L"blue.png", 4, 4, 0xFF0000FF);
        bench.SolidImage(L"gray.png", 4, 4, 0xFF808080);
        bench.SolidImage(L"black.png", 4, 4, 0xFF000000);
    }

    uint32_t Centre() { return bench.Pixel(100, 20); }
    void Fire(CControlUI* control, int type, POINT pt = POINT{100, 20}) {
        UIEvent event = uitest::MakeEvent(type, nullptr, pt);
        control->HandleEvent(event);
    }

    PaintBench bench{200, 40};
};

enum class Look { Normal, Hot, HotAndPushed, Focused, Disabled };

struct StateCase {
    const char* name;
    bool hot, pushed, focused, disabled;   // which state images are set (normal is red)
    Look look;
    uint32_t expected;
};

class ButtonStateImage : public ButtonPaint, public ::testing::WithParamInterface<StateCase> {};

TEST_P(ButtonStateImage, PicksTheImageOfTheState) {
    const StateCase& c = GetParam();
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetAttribute(L"normalimage", L"red.png");
    if (c.hot) button->SetAttribute(L"hotimage", L"file='green.png' corner='1,1,1,1'");
    if (c.pushed) button->SetAttribute(L"pushedimage", L"blue.png");
    if (c.focused) button->SetAttribute(L"focusedimage", L"black.png");
    if (c.disabled) button->SetAttribute(L"disabledimage", L"gray.png");
    switch (c.look) {
        case Look::Normal: break;
        case Look::Hot: Fire(button, UIEVENT_MOUSEENTER); break;
        case Look::HotAndPushed:
            Fire(button, UIEVENT_MOUSEENTER);
            Fire(button, UIEVENT_BUTTONDOWN);
            break;
        case Look::Focused: Fire(button, UIEVENT_SETFOCUS); break;
        case Look::Disabled: button->SetEnabled(false); break;
    }
    bench.Paint();
    EXPECT_EQ(Centre(), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    States, ButtonStateImage,
    ::testing::Values(StateCase{"normal", true, true, true, true, Look::Normal, 0xFF0000},
                      StateCase{"hot", true, true, true, true, Look::Hot, 0x00FF00},
                      StateCase{"pushed", true, true, true, true, Look::HotAndPushed, 0x0000FF},
                      // No pushed image: the empty pushed image falls through to the normal one.
                      StateCase{"pushed without image", true, false, true, true, Look::HotAndPushed, 0xFF0000},
                      StateCase{"focused", true, true, true, true, Look::Focused, 0x000000},
                      StateCase{"disabled", true, true, true, true, Look::Disabled, 0x808080},
                      StateCase{"disabled without image", true, true, true, false, Look::Disabled, 0xFF0000}));

TEST_F(ButtonPaint, SwapTwiceRestoresTheFirstLook) {
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetNormalImage(L"red.png");
    button->SetHotImage(L"green.png");
    button->SetPushedImage(L"blue.png");
    // Normal, hot and pushed looks, in this order.
    auto looks = [&]() {
        std::vector<uint32_t> seen;
        Fire(button, UIEVENT_MOUSELEAVE);
        bench.Paint();
        seen.push_back(Centre());
        Fire(button, UIEVENT_MOUSEENTER);
        bench.Paint();
        seen.push_back(Centre());
        Fire(button, UIEVENT_BUTTONDOWN);
        bench.Paint();
        seen.push_back(Centre());
        Fire(button, UIEVENT_BUTTONUP, POINT{-1, -1});   // released outside: no click
        return seen;
    };
    const std::vector<uint32_t> first = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    EXPECT_EQ(looks(), first);
    button->SwapStateImages();
    // The former pushed image is the normal one, the former normal one is pushed, no hot image.
    EXPECT_EQ(looks(), (std::vector<uint32_t>{0x0000FFu, 0x0000FFu, 0xFF0000u}));
    button->SwapStateImages();
    EXPECT_EQ(looks(), first);
}

TEST_F(ButtonPaint, ImageThatCannotBeDrawnIsDroppedForGood) {
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetNormalImage(L"red.png");
    button->SetHotImage(L"green.png");
    Fire(button, UIEVENT_MOUSEENTER);
    button->Paint(nullptr, RECT{0, 0, 200, 40});   // no DC: drawing reports failure
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFFFFFFu) << "hot and normal images are gone";
    // A missing file only draws nothing and is tried again at the next paint.
    button->SetNormalImage(L"late.png");
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFFFFFFu);
    bench.SolidImage(L"late.png", 4, 4, 0xFF0000FF);
    Fire(button, UIEVENT_MOUSELEAVE);
    bench.Paint();
    EXPECT_EQ(Centre(), 0x0000FFu);
}

struct ColourCase {
    const char* name;
    Look look;
    bool (*ink)(uint32_t);
};

class ButtonTextColour : public ButtonPaint, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ButtonTextColour, StateColours) {
    const ColourCase& c = GetParam();
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetText(L"WWWWWW");
    button->SetAttribute(L"textcolor", L"#FF000000");
    button->SetAttribute(L"hottextcolor", L"#FF00B000");
    button->SetAttribute(L"pushedtextcolor", L"FF0000FF");
    button->SetAttribute(L"disabledtextcolor", L"#FFFF0000");
    switch (c.look) {
        case Look::Normal: break;
        case Look::Hot: Fire(button, UIEVENT_MOUSEENTER); break;
        case Look::HotAndPushed:
            Fire(button, UIEVENT_MOUSEENTER);
            Fire(button, UIEVENT_BUTTONDOWN);
            break;
        case Look::Focused: Fire(button, UIEVENT_SETFOCUS); break;
        case Look::Disabled:
            Fire(button, UIEVENT_MOUSEENTER);
            button->SetEnabled(false);
            break;
    }
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, 40}, c.ink), 10) << c.name;
}

INSTANTIATE_TEST_SUITE_P(States, ButtonTextColour,
                         ::testing::Values(ColourCase{"normal", Look::Normal, IsDarkInk},
                                           ColourCase{"hot", Look::Hot, IsGreenInk},
                                           ColourCase{"pushed", Look::HotAndPushed, IsBlueInk},
                                           // No focused colour set: the text colour.
                                           ColourCase{"focused", Look::Focused, IsDarkInk},
                                           ColourCase{"disabled", Look::Disabled, IsRedInk}));

TEST_F(ButtonPaint, DisablingClearsEveryStateBit) {
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetNormalImage(L"red.png");
    button->SetHotImage(L"green.png");
    button->SetPushedImage(L"blue.png");
    Fire(button, UIEVENT_MOUSEENTER);
    Fire(button, UIEVENT_BUTTONDOWN);
    bench.Paint();
    EXPECT_EQ(Centre(), 0x0000FFu);
    button->SetEnabled(false);
    button->SetEnabled(true);
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFF0000u) << "hot or pushed survived the disabling";
    // Disabled: neither hover nor press sets anything.
    button->SetEnabled(false);
    Fire(button, UIEVENT_MOUSEENTER);
    Fire(button, UIEVENT_BUTTONDOWN);
    button->SetEnabled(true);
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFF0000u);
}

TEST_F(ButtonPaint, TextIsCentredOnOneLine) {
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetTextColor(0xFF000000);
    button->SetText(L"WW\nWW");
    bench.Paint();
    const RECT ink = bench.Box(RECT{0, 0, 200, 40}, IsDarkInk);
    const int lineHeight = bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight;
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 20, 3);
    EXPECT_LE(ink.bottom - ink.top, lineHeight);
    // "align" is the label's.
    button->SetAttribute(L"align", L"left");
    bench.Paint();
    EXPECT_LT(bench.Box(RECT{0, 0, 200, 40}, IsDarkInk).left, 10);
}

TEST_F(ButtonPaint, EstimateSizeFromDefaultFont) {
    CButtonUI* button = bench.Take(new CButtonUI, RECT{0, 0, 200, 40});
    button->SetFixedWidth(50);
    const int fontHeight = bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight;
    EXPECT_EQ(button->EstimateSize(SIZE{300, 300}).cy, fontHeight + 8);
    EXPECT_EQ(button->EstimateSize(SIZE{300, 300}).cx, 50);
    button->SetFixedHeight(24);
    EXPECT_EQ(button->EstimateSize(SIZE{300, 300}).cy, 24);
}

// ---- Option painting ----

TEST_F(ButtonPaint, OptionSelectedImageAndForeImage) {
    COptionUI* option = bench.Take(new COptionUI, RECT{0, 0, 200, 40});
    option->SetNormalImage(L"red.png");
    option->SetPushedImage(L"blue.png");
    option->SetSelectedImage(L"green.png");
    option->SetForeImage(L"file='black.png' dest='0,0,10,10'");
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFF0000u);
    EXPECT_EQ(bench.Pixel(5, 5), 0x000000u);
    option->SetSelected(true);
    bench.Paint();
    EXPECT_EQ(Centre(), 0x00FF00u);
    EXPECT_EQ(bench.Pixel(5, 5), 0x000000u);
    // An option never shows as pushed.
    option->SetSelected(false);
    Fire(option, UIEVENT_BUTTONDOWN);
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFF0000u);
}

TEST_F(ButtonPaint, OptionSelectedTextColourAppliesWhileSelectedOnly) {
    COptionUI* option = bench.Take(new COptionUI, RECT{0, 0, 200, 40});
    option->SetTextColor(0xFFFF0000);
    option->SetSelectedTextColor(0xFF0000FF);
    option->SetSelected(true);
    bench.Paint();   // empty text while selected
    option->SetText(L"WWWWWW");
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, 40}, IsBlueInk), 10);
    option->SetSelected(false);
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, 40}, IsRedInk), 10);
    EXPECT_EQ(bench.Count(RECT{0, 0, 200, 40}, IsBlueInk), 0);
    EXPECT_EQ(option->GetTextColor(), 0xFFFF0000u);
}

TEST_F(ButtonPaint, OptionWithUnsetTextColourFallsBackToTheDefault) {
    COptionUI* option = bench.Take(new COptionUI, RECT{0, 0, 200, 40});
    option->SetText(L"WWWWWW");
    option->SetSelectedTextColor(0xFF0000FF);
    option->SetSelected(true);
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, 40}, IsBlueInk), 10);
    option->SetSelected(false);
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, 40}, IsDarkInk), 10);
    EXPECT_EQ(bench.Count(RECT{0, 0, 200, 40}, IsBlueInk), 0);
}

TEST_F(ButtonPaint, DisabledOptionKeepsOnlyItsSelection) {
    COptionUI* option = bench.Take(new COptionUI, RECT{0, 0, 200, 40});
    option->SetNormalImage(L"red.png");
    option->SetHotImage(L"green.png");
    option->SetSelected(true);
    Fire(option, UIEVENT_MOUSEENTER);
    Fire(option, UIEVENT_BUTTONDOWN);
    option->SetEnabled(false);
    option->SetEnabled(true);
    bench.Paint();
    EXPECT_EQ(Centre(), 0xFF0000u) << "still hot";
    EXPECT_TRUE(option->IsSelected());
}

TEST(OptionGroups, MovingToAnotherManagerLeavesTheOldGroup) {
    rendertest::ManagerFixture first;
    rendertest::ManagerFixture second;
    COptionUI* option = new COptionUI;
    option->SetManager(&first.manager(), nullptr, false);
    option->SetGroup(L"g");
    ASSERT_NE(first.manager().GetOptionGroup(L"g"), nullptr);
    option->SetManager(&second.manager(), nullptr, true);
    EXPECT_EQ(first.manager().GetOptionGroup(L"g"), nullptr);
    ASSERT_NE(second.manager().GetOptionGroup(L"g"), nullptr);
    delete option;
    EXPECT_EQ(second.manager().GetOptionGroup(L"g"), nullptr);
}

TEST(OptionGroups, ChangingTheGroupMovesBetweenGroups) {
    rendertest::ManagerFixture fixture;
    COptionUI option;
    option.SetManager(&fixture.manager(), nullptr, false);
    option.SetGroup(L"a");
    option.SetGroup(L"b");
    EXPECT_EQ(fixture.manager().GetOptionGroup(L"a"), nullptr);
    ASSERT_NE(fixture.manager().GetOptionGroup(L"b"), nullptr);
    option.SetGroup(L"");
    EXPECT_EQ(fixture.manager().GetOptionGroup(L"b"), nullptr);
}

// ---- Mouse and keys on a shown window ----

const uint32_t kNormal = 0xFF0000;   // red
const uint32_t kHot = 0x00FF00;      // green
const uint32_t kPushed = 0x0000FF;   // blue

class ButtonWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ParkCursor();
        window.AddImage(L"red.png", 0xFFFF0000);
        window.AddImage(L"green.png", 0xFF00FF00);
        window.AddImage(L"blue.png", 0xFF0000FF);
    }

    template <class T>
    T* AddNamed(T* control, const wchar_t* name, int x, int y) {
        control->SetName(name);
        return window.Add(control, x, y, 80, 30);
    }

    // A button whose look tells its state: red normal, green hot, blue pushed.
    CButtonUI* AddLooking(const wchar_t* name, int x, int y) {
        CButtonUI* button = AddNamed(new CButtonUI, name, x, y);
        button->SetNormalImage(L"red.png");
        button->SetHotImage(L"green.png");
        button->SetPushedImage(L"blue.png");
        return button;
    }
    uint32_t Look(CControlUI* control) {
        const RECT& rc = control->GetPos();
        return window.PaintedPixel(control, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }

    ControlWindow window{400, 200};
};

TEST_F(ButtonWindow, ClickOnlyWhenReleasedInside) {
    CButtonUI* button = AddLooking(L"ok", 10, 10);
    window.Click(50, 25);
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:ok"}));
    window.recorder.Clear();

    // Press inside, out, release outside: nothing.
    window.Move(50, 25);
    window.Down(50, 25);
    EXPECT_EQ(Look(button), kPushed);
    window.Move(200, 150);
    EXPECT_EQ(Look(button), kNormal);
    window.Up(200, 150);
    EXPECT_TRUE(window.recorder.notes.empty());

    // Press inside, out and back, release inside: one click.
    window.Move(50, 25);
    window.Down(50, 25);
    window.Move(200, 150);
    window.Move(60, 20);
    EXPECT_EQ(Look(button), kPushed);
    window.Up(60, 20);
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:ok"}));
    EXPECT_EQ(Look(button), kHot);
    window.recorder.Clear();

    // Pressed elsewhere and released on the button: nothing.
    window.Move(200, 150);
    window.Down(200, 150);
    window.Move(50, 25);
    window.Up(50, 25);
    EXPECT_TRUE(window.recorder.notes.empty());

    // A double click is one more press.
    window.DoubleClick(50, 25);
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:ok", L"click:ok"}));
}

TEST_F(ButtonWindow, HoverFollowsEnterAndLeave) {
    CButtonUI* button = AddLooking(L"ok", 10, 10);
    window.Move(50, 25);
    EXPECT_EQ(Look(button), kHot);
    window.Move(200, 150);
    EXPECT_EQ(Look(button), kNormal);
    window.Move(50, 25);
    window.Leave();
    EXPECT_EQ(Look(button), kNormal);
}

TEST_F(ButtonWindow, SpaceAndReturnClickTheFocusedButton) {
    CButtonUI* button = AddNamed(new CButtonUI, L"ok", 10, 10);
    button->SetFocus();
    ASSERT_EQ(window.manager().GetFocus(), button);
    window.Key(VK_SPACE);
    window.Key(VK_RETURN);
    window.Key('A');
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:ok", L"click:ok"}));
    window.recorder.Clear();
    button->SetEnabled(false);
    window.Key(VK_SPACE);
    EXPECT_TRUE(window.recorder.notes.empty());
    // Activate on a hidden button sends nothing either.
    button->SetEnabled(true);
    button->SetVisible(false);
    EXPECT_FALSE(button->Activate());
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(ButtonWindow, DisabledOrMouseDisabledButtonSendsNoClick) {
    CButtonUI* disabled = AddNamed(new CButtonUI, L"off", 10, 10);
    CButtonUI* deaf = AddNamed(new CButtonUI, L"deaf", 10, 60);
    disabled->SetEnabled(false);
    deaf->SetMouseEnabled(false);
    window.Click(50, 25);
    window.Click(50, 75);
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(ButtonWindow, ContextMenuOnlyWithTheMenuFlag) {
    CButtonUI* button = AddNamed(new CButtonUI, L"ok", 10, 10);
    window.RightClick(50, 25);
    EXPECT_TRUE(window.recorder.notes.empty());
    button->SetContextMenuEnabled(true);
    window.RightClick(50, 25);
    ASSERT_EQ(window.recorder.Texts(), (Texts{L"menu:ok"}));
}

TEST_F(ButtonWindow, PressEndsWhenTheManagerDropsTheClick) {
    CButtonUI* first = AddLooking(L"first", 10, 10);
    AddNamed(new CButtonUI, L"second", 10, 60);
    // Left press on the first, then a right click on the second takes the click away: the
    // first never sees its release.
    window.Move(50, 25);
    window.Down(50, 25);
    window.Move(50, 75);
    window.RightClick(50, 75);
    window.Up(50, 75);
    window.Move(50, 25);
    EXPECT_EQ(Look(first), kHot) << "still drawn pushed";
    window.Move(200, 150);
    window.Up(200, 150);
    EXPECT_TRUE(window.recorder.notes.empty());

    // A right click on the pressed button itself ends the press too.
    window.Move(50, 25);
    window.Down(50, 25);
    EXPECT_EQ(Look(first), kPushed);
    window.RightClick(50, 25);
    EXPECT_EQ(Look(first), kHot);
    window.Up(50, 25);
    EXPECT_TRUE(window.recorder.notes.empty());
}

// A form that opens a modal loop from its click handler sees the button released already.
class LookAtClick : public INotifyUI {
public:
    explicit LookAtClick(std::function<uint32_t()> look) : m_look(std::move(look)) {}
    void Notify(UINotify& msg) override {
        if (msg.type == L"click") seen = m_look();
    }
    uint32_t seen = 0xFFFFFFFF;

private:
    std::function<uint32_t()> m_look;
};

TEST_F(ButtonWindow, ButtonIsReleasedWhenClickIsReported) {
    CButtonUI* button = AddLooking(L"ok", 10, 10);
    LookAtClick probe([&]() { return Look(button); });
    window.manager().AddNotifier(&probe);
    window.Click(50, 25);
    EXPECT_EQ(probe.seen, kHot) << "drawn pushed while the click is handled";
}

TEST_F(ButtonWindow, UngroupedOptionToggles) {
    COptionUI* check = AddNamed(new COptionUI, L"check", 10, 10);
    window.Click(50, 25);
    EXPECT_TRUE(check->IsSelected());
    window.Click(50, 25);
    EXPECT_FALSE(check->IsSelected());
    EXPECT_EQ(window.recorder.Texts(),
              (Texts{L"click:check", L"selectchanged:check", L"click:check", L"selectchanged:check"}));
    window.recorder.Clear();
    check->SetFocus();
    window.Key(VK_SPACE);
    EXPECT_TRUE(check->IsSelected());
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:check", L"selectchanged:check"}));
}

TEST_F(ButtonWindow, RadioGroupReportsOnlyTheNewSelection) {
    COptionUI* a = AddNamed(new COptionUI, L"a", 10, 10);
    COptionUI* b = AddNamed(new COptionUI, L"b", 100, 10);
    COptionUI* c = AddNamed(new COptionUI, L"c", 190, 10);
    for (COptionUI* option : {a, b, c}) option->SetAttribute(L"group", L"g");
    a->SetSelected(true);
    window.recorder.Clear();

    window.Click(140, 25);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(c->IsSelected());
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:b", L"selectchanged:b"}));
    window.recorder.Clear();

    // The selected radio clicked again: a click, nothing else.
    window.Click(140, 25);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"click:b"}));
    window.recorder.Clear();

    // Deselecting in code sends nothing.
    b->SetSelected(false);
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(ButtonWindow, SelectedBeforeGroupKeepsTheOthers) {
    COptionUI* a = AddNamed(new COptionUI, L"a", 10, 10);
    a->SetAttribute(L"group", L"g");
    a->SetAttribute(L"selected", L"true");
    window.recorder.Clear();
    COptionUI* b = AddNamed(new COptionUI, L"b", 100, 10);
    b->SetAttribute(L"selected", L"true");
    b->SetAttribute(L"group", L"g");
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"selectchanged:b"}));
    EXPECT_TRUE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
}

TEST_F(ButtonWindow, DestroyedOptionLeavesItsGroup) {
    COptionUI* a = AddNamed(new COptionUI, L"a", 10, 10);
    a->SetGroup(L"g");
    COptionUI* b = new COptionUI;   // attached to the manager outside the tree
    b->SetManager(&window.manager(), nullptr, false);
    b->SetGroup(L"g");
    ASSERT_EQ(window.manager().GetOptionGroup(L"g")->GetSize(), 2);
    delete b;
    ASSERT_NE(window.manager().GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(window.manager().GetOptionGroup(L"g")->GetSize(), 1);
    window.Click(50, 25);
    EXPECT_TRUE(a->IsSelected());
}

TEST_F(ButtonWindow, DetachedOptionLeavesItsGroup) {
    COptionUI* a = AddNamed(new COptionUI, L"a", 10, 10);
    a->SetGroup(L"g");
    COptionUI* b = new COptionUI;
    b->SetManager(&window.manager(), nullptr, false);
    b->SetGroup(L"g");
    // Taken out of its manager without being destroyed (a container that does not delete its
    // removed children), then deleted by its new owner.
    b->SetManager(nullptr, nullptr, false);
    ASSERT_NE(window.manager().GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(window.manager().GetOptionGroup(L"g")->GetSize(), 1);
    delete b;
    window.Click(50, 25);   // selecting a walks the group
    EXPECT_TRUE(a->IsSelected());
}

}  // namespace
