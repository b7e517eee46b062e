#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "uicore_test_util.h"

using namespace uitest;

namespace {

// A copy of the text in a block of exactly its size, so that reading past the end faults.
class ExactText {
public:
    explicit ExactText(const wchar_t* text) : m_text(new wchar_t[wcslen(text) + 1]) {
        wcscpy(m_text, text);
    }
    ~ExactText() { delete[] m_text; }
    const wchar_t* get() const { return m_text; }

private:
    wchar_t* m_text;
};

TEST(ControlAttributes, NumberListsAndPositions) {
    struct Case { const wchar_t* value; int expected[4]; };
    const Case cases[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},
        {L"1,2", {1, 2, 0, 0}},          // missing numbers are 0, nothing is read past the end
        {L"7", {7, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},
        {L"-10,5,0,25", {-10, 5, 0, 25}},
        {L" 3 4 5 6", {3, 4, 5, 6}},
        {L"1,,3,4", {1, 0, 3, 4}},
    };
    for (const Case& c : cases) {
        ExactText text(c.value);
        int values[4] = {9, 9, 9, 9};
        CControlUI::ParseIntList(text.get(), values, 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.expected[i], values[i]) << testing::PrintToString(std::wstring(c.value)) << " #" << i;
    }

    CControlUI control;
    control.SetAttribute(L"pos", ExactText(L"-10,5,0,25").get());
    EXPECT_EQ(0, control.GetFixedXY().cx);   // the right value, since left is negative
    EXPECT_EQ(5, control.GetFixedXY().cy);
    EXPECT_EQ(10, control.GetFixedWidth());
    EXPECT_EQ(20, control.GetFixedHeight());
    control.SetAttribute(L"padding", ExactText(L"1,2").get());
    EXPECT_EQ(2, control.GetPadding().top);
    EXPECT_EQ(0, control.GetPadding().right);
}

TEST(ControlAttributes, TableOfCommonAttributes) {
    CControlUI c;
    c.ApplyAttributeList(L"name=\"btn\" text=\"Hi\" tooltip=\"tip\" userdata=\"u\" bkcolor=\"#FF636464\" "
                         L"bkcolor2=\"FF000001\" bkcolor3=\" #10203040\" bordercolor=\"#FFFF0000\" "
                         L"focusbordercolor=\"#FF00FF00\" bordersize=\"3\" borderround=\"4,5\" width=\"40\" "
                         L"height=\"30\" minwidth=\"5\" maxheight=\"500\" shortcut=\"Sx\" menu=\"true\" "
                         L"mouse=\"false\" float=\"true\" colorhsl=\"true\" enabled=\"True\"");
    EXPECT_STREQ(L"btn", c.GetName().GetData());
    EXPECT_STREQ(L"Hi", c.GetText().GetData());
    EXPECT_STREQ(L"tip", c.GetToolTip().GetData());
    EXPECT_STREQ(L"u", c.GetUserData().GetData());
    EXPECT_EQ(0xFF636464u, c.GetBkColor());
    EXPECT_EQ(0xFF000001u, c.GetBkColor2());
    EXPECT_EQ(0x10203040u, c.GetBkColor3());
    EXPECT_EQ(0xFFFF0000u, c.GetBorderColor());
    EXPECT_EQ(0xFF00FF00u, c.GetFocusBorderColor());
    EXPECT_EQ(3, c.GetBorderSize());
    EXPECT_EQ(4, c.GetBorderRound().cx);
    EXPECT_EQ(5, c.GetBorderRound().cy);
    EXPECT_EQ(40, c.GetFixedWidth());
    EXPECT_EQ(30, c.GetFixedHeight());
    EXPECT_EQ(5, c.GetMinWidth());
    EXPECT_EQ(500, c.GetMaxHeight());
    EXPECT_EQ(9999, c.GetMaxWidth());
    EXPECT_EQ(L'S', c.GetShortcut());
    EXPECT_TRUE(c.IsContextMenuEnabled());
    EXPECT_FALSE(c.IsMouseEnabled());
    EXPECT_TRUE(c.IsFloat());
    EXPECT_TRUE(c.IsColorHSL());
    EXPECT_FALSE(c.IsEnabled());   // booleans are true only for "true"
    c.SetAttribute(L"visible", L"false");
    EXPECT_FALSE(c.IsVisible());
    c.SetAttribute(L"unknown", L"1");
    c.SetAttribute(L"Width", L"77");   // names are case-sensitive
    EXPECT_EQ(40, c.GetFixedWidth());
}

TEST(ControlAttributes, MalformedListsStopAtTheFirstBadPair) {
    struct Case { const wchar_t* list; const wchar_t* name; const wchar_t* text; };
    const Case cases[] = {
        {L"name=\"a\"  text=\"b\"", L"a", L""},       // two blanks end the list after the first pair
        {L"name=\"a\" text=b", L"a", L""},
        {L"name=\"a\" text=\"b", L"a", L""},
        {L"name=\"a\"text=\"b\"", L"a", L""},
        {L"name", L"", L""},
        {L"name=\"a\" text=\"b\"", L"a", L"b"},
    };
    for (const Case& c : cases) {
        CControlUI control;
        ExactText list(c.list);
        control.ApplyAttributeList(list.get());
        EXPECT_STREQ(c.name, control.GetName().GetData()) << testing::PrintToString(std::wstring(c.list));
        EXPECT_STREQ(c.text, control.GetText().GetData()) << testing::PrintToString(std::wstring(c.list));
    }
}

TEST(ControlBasics, InterfacesPositionsAndFloats) {
    CControlUI c;
    EXPECT_EQ(&c, c.GetInterface(L"Control"));
    EXPECT_EQ(nullptr, c.GetInterface(L"Button"));
    EXPECT_STREQ(L"ControlUI", c.GetClassName());
    c.SetPos(RECT{50, 60, 40, 30});   // inverted: made empty
    EXPECT_EQ(50, c.GetPos().right);
    EXPECT_EQ(60, c.GetPos().bottom);
    EXPECT_TRUE(c.IsLayoutPending());   // no manager: nothing more happens

    CWindowManagerUI pm;
    TestBox parent(L"parent", nullptr);
    TestControl* floating = new TestControl(L"f", nullptr);
    floating->SetFloat(true);
    parent.Add(floating);
    parent.SetManager(&pm, nullptr, false);
    parent.SetPos(RECT{0, 0, 100, 100});
    floating->SetFixedXY(SIZE{-1, 5});
    floating->SetPos(RECT{70, 10, 90, 30});
    EXPECT_EQ(-10, floating->GetFixedXY().cx);   // counted from the parent's right edge
    EXPECT_EQ(10, floating->GetFixedXY().cy);
    EXPECT_EQ(20, floating->GetFixedWidth());
    EXPECT_FALSE(floating->IsLayoutPending());
    EXPECT_EQ(20, floating->EstimateSize(SIZE{500, 500}).cx);
}

TEST(ControlBasics, SizeSettersAskForLayoutOnlyWhenTheyShould) {
    CWindowManagerUI pm;
    TestBox parent(L"parent", nullptr);
    TestControl* child = new TestControl(L"c", nullptr);
    parent.Add(child);
    parent.SetManager(&pm, nullptr, false);
    parent.SetPos(RECT{0, 0, 100, 100});
    ASSERT_FALSE(parent.IsLayoutPending());
    child->SetMinWidth(child->GetMinWidth());
    child->SetMaxWidth(-3);
    EXPECT_FALSE(parent.IsLayoutPending());
    child->SetFixedWidth(child->GetFixedWidth());
    EXPECT_TRUE(parent.IsLayoutPending());

    parent.SetPos(RECT{0, 0, 100, 100});
    pm.SetFocus(child);   // no window: the focus still moves within the manager
    child->SetVisible(false);
    EXPECT_FALSE(child->IsFocused());
    EXPECT_TRUE(parent.IsLayoutPending());
}

TEST(ControlEvents, UnhandledEventsBubbleToTheRoot) {
    std::vector<std::wstring> log;
    TestBox root(L"root", &log);
    TestBox* middle = new TestBox(L"middle", &log);
    TestControl* leaf = new TestControl(L"leaf", &log);
    middle->Add(leaf);
    root.Add(middle);
    UIEvent key = {};
    key.type = UIEVENT_KEYDOWN;
    leaf->DispatchEvent(key);
    EXPECT_EQ((std::vector<std::wstring>{L"leaf:3", L"middle:3", L"root:3"}), log);

    log.clear();
    UIEvent menu = {};
    menu.type = UIEVENT_CONTEXTMENU;
    leaf->DispatchEvent(menu);   // without "menu" the parent gets it
    EXPECT_EQ((std::vector<std::wstring>{L"leaf:17", L"middle:17", L"root:17"}), log);
    log.clear();
    leaf->SetContextMenuEnabled(true);
    leaf->DispatchEvent(menu);
    EXPECT_EQ((std::vector<std::wstring>{L"leaf:17"}), log);
}

TEST(ControlPaint, TranslucentBackgroundCoversTheWholeItem) {
    struct Case { DWORD colour; bool outsideChanged; };
    const Case cases[] = {{0xFF0000FF, false}, {0x80FF0000, true}};
    for (const Case& c : cases) {
        Canvas canvas(40, 40, 0x00FFFFFF);
        CWindowManagerUI pm;
        CControlUI control;
        control.SetManager(&pm, nullptr, false);
        control.SetBorderSize(0);
        control.SetBkColor(c.colour);
        control.SetPos(RECT{0, 0, 40, 40});
        control.Paint(canvas.dc(), RECT{0, 0, 20, 20});
        EXPECT_NE(0xFFFFFFu, canvas.Pixel(5, 5)) << std::hex << c.colour;
        EXPECT_EQ(c.outsideChanged, canvas.Pixel(30, 30) != 0xFFFFFFu) << std::hex << c.colour;
    }
}

TEST(ControlPaint, BorderAndUndrawableImage) {
    Canvas canvas(40, 40, 0x00FFFFFF);
    CWindowManagerUI pm;
    CControlUI control;
    control.SetPos(RECT{0, 0, 40, 40});
    control.SetBkImage(L"missing.png");
    control.Paint(canvas.dc(), RECT{0, 0, 40, 40});
    EXPECT_STREQ(L"", control.GetBkImage());   // no manager: the drawing fails and the image goes

    control.SetManager(&pm, nullptr, false);
    control.SetBorderColor(0xFF0000FF);
    control.SetBorderSize(2);
    control.Paint(canvas.dc(), RECT{0, 0, 40, 40});
    EXPECT_EQ(0x0000FFu, canvas.Pixel(0, 20));
    EXPECT_EQ(0x0000FFu, canvas.Pixel(1, 20));
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(20, 20));
}

}  // namespace

namespace {

class Vote : public CUIDelegate {
public:
    Vote(bool answer, int* calls) : m_answer(answer), m_calls(calls) {}
    CUIDelegate* Copy() const override { return new Vote(m_answer, m_calls); }
    bool Invoke(void*) override {
        ++*m_calls;
        return m_answer;
    }

private:
    bool m_answer;
    int* m_calls;
};

TEST(ControlEvents, EventCallbacksCanRefuseTheEvent) {
    std::vector<std::wstring> log;
    TestControl control(L"c", &log);
    int calls = 0;
    UIEvent event = {};
    event.type = UIEVENT_KEYDOWN;
    control.DispatchEvent(event);   // no callbacks: agreement
    EXPECT_EQ(1u, log.size());
    control.OnEventEvents.Add(new Vote(true, &calls));
    control.OnEventEvents.Add(new Vote(false, &calls));
    control.OnEventEvents.Add(new Vote(true, &calls));
    control.DispatchEvent(event);
    EXPECT_EQ(1u, log.size());
    EXPECT_EQ(2, calls);   // firing stops at the first refusal
}

}  // namespace
