// The dialog builder: control trees by tag, attributes and default lists, resources and window
// settings registered with the manager, the callback and plug-ins, includes, and ownership of
// every control on every path.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "builder_test_util.h"
#include "test_files.h"
#include "uicore_test_util.h"

using namespace UIToolkit;
using buildertest::Census;
using buildertest::TestCallback;

namespace {

IContainerUI* AsContainer(CControlUI* control) {
    return control != nullptr ? static_cast<IContainerUI*>(control->GetInterface(L"IContainer")) : nullptr;
}

CControlUI* ChildAt(CControlUI* control, int index) {
    IContainerUI* container = AsContainer(control);
    return container != nullptr ? container->GetItemAt(index) : nullptr;
}

int ChildCount(CControlUI* control) {
    IContainerUI* container = AsContainer(control);
    return container != nullptr ? container->GetCount() : -1;
}

// A form's window with its manager; the builder's window settings need the window.
class BuilderWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        ASSERT_NE(nullptr, window.CreateHidden());
    }
    void TearDown() override {
        if (window.GetHWND() != nullptr) ::DestroyWindow(window.GetHWND());
    }

    uitest::TestWindow window;
    CWindowManagerUI& pm = window.pm;
};

// ---------------------------------------------------------------------------------------------
// The tag table

// The one element of <Window><tag/></Window>, built without a parent or a manager.
std::unique_ptr<CControlUI> BuildSingle(const std::wstring& tag, IDialogBuilderCallback* callback) {
    const std::wstring layout = L"<Window><" + tag + L"/></Window>";
    CDialogBuilder builder;
    return std::unique_ptr<CControlUI>(builder.Create(layout.c_str(), nullptr, callback));
}

TEST(DialogBuilderTags, EveryStandardTagMakesItsControl) {
    struct {
        const wchar_t* tag;
        const wchar_t* interfaceName;
    } const tags[] = {
        {L"Control", L"Control"},
        {L"Container", L"Container"},
        {L"VerticalLayout", L"VerticalLayout"},
        {L"HorizontalLayout", L"HorizontalLayout"},
        {L"TileLayout", L"TileLayout"},
        {L"TabLayout", L"TabLayout"},
        {L"DialogLayout", L"DialogLayout"},
        {L"ScrollBar", L"ScrollBar"},
        {L"Label", L"Label"},
        {L"Text", L"Text"},
        {L"Button", L"Button"},
        {L"Option", L"Option"},
        {L"Progress", L"Progress"},
        {L"Slider", L"Slider"},
        {L"Edit", L"Edit"},
        {L"RichEdit", L"RichEdit"},
        {L"List", L"List"},
        {L"ListHeader", L"ListHeader"},
        {L"ListHeaderItem", L"ListHeaderItem"},
        {L"ListTextElement", L"ListTextElement"},
        {L"ListLabelElement", L"ListLabelElement"},
        {L"ListContainerElement", L"ListContainerElement"},
        {L"Combo", L"Combo"},
        {L"ActiveX", L"ActiveX"},
    };
    for (const auto& t : tags) {
        Census census;
        TestCallback callback(&census);
        std::unique_ptr<CControlUI> control = BuildSingle(t.tag, &callback);
        ASSERT_NE(nullptr, control) << testfiles::Narrow(t.tag);
        EXPECT_NE(nullptr, control->GetInterface(t.interfaceName)) << testfiles::Narrow(t.tag);
        EXPECT_TRUE(callback.asked.empty()) << testfiles::Narrow(t.tag);
    }
}

TEST(DialogBuilderTags, OtherNamesGoToTheCallbackAsWritten) {
    // Exact, case-sensitive names; lengths outside the table go straight on.
    for (const wchar_t* tag : {L"label", L"LABEL", L"Labe", L"Lab", L"ListContainerElementX", L"PlayList", L"Menu",
                               L"Window", L"ListHeaderItems", L"VerticalLayouT"}) {
        Census census;
        TestCallback callback(&census);
        EXPECT_EQ(nullptr, BuildSingle(tag, &callback)) << testfiles::Narrow(tag);
        EXPECT_EQ(std::vector<std::wstring>{tag}, callback.asked) << testfiles::Narrow(tag);
    }
}

// ---------------------------------------------------------------------------------------------
// Trees and attributes

TEST_F(BuilderWindowTest, BuildsATreeOfLayoutsLabelsAndButtonsWithTheirAttributes) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,240">
  <!-- the whole form -->
  <VerticalLayout name="root" bkcolor="#FF102030">
    <HorizontalLayout name="row" height="30" padding="1,2,3,4">
      <Label name="title" text="a&amp;b" width="120" />
      <Button name="ok" text="OK" width="80" tooltip="Press &quot;OK&quot;" />
    </HorizontalLayout>
    <Control name="spacer" visible="false" />
  </VerticalLayout>
</Window>)",
                                      nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_STREQ(L"root", root->GetName());
    EXPECT_NE(nullptr, root->GetInterface(L"VerticalLayout"));
    EXPECT_EQ(0xFF102030u, root->GetBkColor());
    ASSERT_EQ(2, ChildCount(root));

    CControlUI* row = ChildAt(root, 0);
    EXPECT_NE(nullptr, row->GetInterface(L"HorizontalLayout"));
    EXPECT_EQ(30, row->GetFixedHeight());
    const RECT padding = row->GetPadding();
    EXPECT_EQ(1, padding.left);
    EXPECT_EQ(4, padding.bottom);
    ASSERT_EQ(2, ChildCount(row));

    CControlUI* title = ChildAt(row, 0);
    EXPECT_NE(nullptr, title->GetInterface(L"Label"));
    EXPECT_STREQ(L"a&b", title->GetText());
    EXPECT_EQ(120, title->GetFixedWidth());
    CControlUI* ok = ChildAt(row, 1);
    EXPECT_NE(nullptr, ok->GetInterface(L"Button"));
    EXPECT_STREQ(L"OK", ok->GetText());
    EXPECT_STREQ(L"Press \"OK\"", ok->GetToolTip());

    CControlUI* spacer = ChildAt(root, 1);
    EXPECT_STREQ(L"spacer", spacer->GetName());
    EXPECT_FALSE(spacer->IsVisible());

    // Built detached: the form attaches the finished tree.
    EXPECT_EQ(nullptr, root->GetManager());
    EXPECT_EQ(nullptr, title->GetManager());
    ASSERT_TRUE(pm.AttachRoot(owner.release()));
    EXPECT_EQ(ok, pm.FindControlByName(L"ok"));
    EXPECT_EQ(row, ok->GetParent());
}

TEST(DialogBuilderTree, ResultIsTheFirstControlActuallyBuilt) {
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window>
  <Unknown><Label name="inside-unknown"/></Unknown>
  <Nothing/>
  <Box name="box"><Label name="l1"/><Mystery><Tracked/></Mystery><Tracked name="t"/></Box>
</Window>)",
                                      nullptr, &callback);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_STREQ(L"box", root->GetName());
    // Unknown tags went to the callback, once each; their subtrees were never looked at.
    const std::vector<std::wstring> asked = {L"Unknown", L"Nothing", L"Box", L"Mystery", L"Tracked"};
    EXPECT_EQ(asked, callback.asked);
    ASSERT_EQ(2, ChildCount(root));
    EXPECT_STREQ(L"l1", ChildAt(root, 0)->GetName());
    EXPECT_STREQ(L"t", ChildAt(root, 1)->GetName());
    EXPECT_EQ(2, census.made);   // the box and the one tracked control
    owner.reset();
    EXPECT_EQ(2, census.destroyed);
}

TEST(DialogBuilderTree, AttributesComeInDocumentOrderAfterTheTagDefaults) {
    CWindowManagerUI pm;  // no window: resources still register
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* control = builder.Create(LR"(<Window>
  <Default name="Tracked" value="width=&quot;10&quot; text=&quot;from default&quot;" />
  <Default name="Tracked" value="width=&quot;99&quot;" />
  <Tracked text="own" height="5" height="6" />
</Window>)",
                                         nullptr, &callback, &pm);
    ASSERT_NE(nullptr, control);
    std::unique_ptr<CControlUI> owner(control);
    const std::vector<std::wstring> expected = {L"width=10", L"text=from default", L"text=own", L"height=5",
                                                L"height=6"};
    EXPECT_EQ(expected, census.attributes);
    EXPECT_STREQ(L"own", control->GetText());
    EXPECT_EQ(10, control->GetFixedWidth());  // the first registration of a key wins
    EXPECT_EQ(6, control->GetFixedHeight());
    EXPECT_EQ(nullptr, control->GetManager());
}

TEST(DialogBuilderTree, WithoutManagerTheTreeIsBuiltWithoutDefaults) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window size="10,10">
  <Default name="Control" value="width=&quot;10&quot;" />
  <VerticalLayout><Control name="c"/></VerticalLayout>
</Window>)");
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    ASSERT_EQ(1, ChildCount(root));
    EXPECT_EQ(0, ChildAt(root, 0)->GetFixedWidth());
}

TEST(DialogBuilderTree, TheDeepestLayoutTheReaderTakesBuilds) {
    const int depth = CLayoutXml::MAX_DEPTH - 1;  // below the root
    std::wstring text = L"<Window>";
    for (int i = 0; i < depth; ++i) text += L"<Container>";
    for (int i = 0; i < depth; ++i) text += L"</Container>";
    text += L"</Window>";
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(text.c_str()));
    ASSERT_NE(nullptr, root);
    int levels = 0;
    for (CControlUI* level = root.get(); level != nullptr; level = ChildAt(level, 0)) ++levels;
    EXPECT_EQ(depth, levels);
}

TEST(DialogBuilderTree, WithoutParentOnlyTheFirstTopLevelControlIsBuilt) {
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* first = builder.Create(L"<Window><Tracked name=\"one\"/><Tracked name=\"two\"/><Box/></Window>",
                                       nullptr, &callback);
    ASSERT_NE(nullptr, first);
    EXPECT_STREQ(L"one", first->GetName());
    // Nobody would own the others.
    EXPECT_EQ(1, census.made);
    delete first;
    EXPECT_EQ(1, census.destroyed);
}

TEST(DialogBuilderTree, ALayoutWithoutControlsGivesNullButRegistersItsResources) {
    CWindowManagerUI pm;
    CDialogBuilder builder;
    EXPECT_EQ(nullptr, builder.Create(L"<Window><Font name=\"Arial\" size=\"11\"/><Unknown/></Window>", nullptr,
                                      nullptr, &pm));
    EXPECT_EQ(1, pm.GetFontCount());
}

// ---------------------------------------------------------------------------------------------
// Ownership on failure

TEST(DialogBuilderOwnership, AChildOfANonContainerIsDestroyedAndEndsItsLevel) {
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window>
  <Box name="box">
    <Button name="btn"><Tracked name="x"/><Tracked name="y"/></Button>
    <Tracked name="after"/>
  </Box>
</Window>)",
                                      nullptr, &callback);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    ASSERT_EQ(2, ChildCount(root));
    EXPECT_STREQ(L"btn", ChildAt(root, 0)->GetName());
    EXPECT_STREQ(L"after", ChildAt(root, 1)->GetName());
    // "x" was made and destroyed; "y" was never made.
    EXPECT_EQ(3, census.made);
    EXPECT_EQ(1, census.destroyed);
    owner.reset();
    EXPECT_EQ(3, census.destroyed);
}

TEST(DialogBuilderOwnership, AChildTheContainerRefusesIsDestroyedAndBuildingGoesOn) {
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        L"<Window><Refusing><Tracked/><Box><Tracked/></Box><Tracked/></Refusing></Window>", nullptr, &callback);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(0, ChildCount(root));
    EXPECT_EQ(5, census.made);
    EXPECT_EQ(4, census.destroyed);   // every refused child with its subtree
    delete root;
    EXPECT_EQ(5, census.destroyed);
}

TEST(DialogBuilderOwnership, TheManagerForgetsEveryControlTheBuilderDestroys) {
    CWindowManagerUI pm;
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window>
  <VerticalLayout name="host">
    <Button name="btn"><VerticalLayout name="doomed"><Label name="doomed-child"/></VerticalLayout></Button>
    <Refusing name="refusing"><Box name="refused"><Label name="refused-child"/></Box></Refusing>
    <Include source="&lt;Window&gt;&lt;Label name=&quot;included&quot;/&gt;&lt;/Window&gt;"/>
  </VerticalLayout>
  <Label name="second-top-level"/>
</Window>)",
                                      nullptr, &callback, &pm);
    ASSERT_NE(nullptr, root);
    // The controls destroyed while building left no dangling entry in the manager.
    for (const wchar_t* name : {L"doomed", L"doomed-child", L"refused", L"refused-child", L"second-top-level"}) {
        EXPECT_EQ(nullptr, pm.FindControlByName(name)) << testfiles::Narrow(name);
    }
    EXPECT_EQ(2, census.made);
    EXPECT_EQ(1, census.destroyed);
    delete root;
}

TEST(DialogBuilderOwnership, ABrokenLayoutBuildsAndRegistersNothing) {
    CWindowManagerUI pm;
    Census census;
    TestCallback callback(&census);
    for (const wchar_t* broken : {L"<Window><Font name=\"Arial\"/><Tracked/></Window", L"<Window><Tracked a='1'/>",
                                  L"<Window><Tracked/><Box></Tracked></Box></Window>"}) {
        CDialogBuilder builder;
        EXPECT_EQ(nullptr, builder.Create(broken, nullptr, &callback, &pm)) << testfiles::Narrow(broken);
    }
    EXPECT_EQ(0, census.made);
    EXPECT_TRUE(callback.asked.empty());
    EXPECT_EQ(0, pm.GetFontCount());
}

TEST(DialogBuilderOwnership, BuildingIntoALiveParentLeavesTheControlsAttached) {
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    uitest::TestWindow window;
    ASSERT_NE(nullptr, window.CreateHidden());
    CVerticalLayoutUI* host = new CVerticalLayoutUI();
    ASSERT_TRUE(window.pm.AttachRoot(host));
    CDialogBuilder builder;
    CControlUI* first = builder.Create(L"<Window><Label name=\"live\" text=\"x\"/><Button name=\"b\"/></Window>",
                                       nullptr, nullptr, &window.pm, host);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(2, host->GetCount());
    EXPECT_EQ(&window.pm, first->GetManager());
    EXPECT_EQ(host, first->GetParent());
    EXPECT_EQ(first, window.pm.FindControlByName(L"live"));
    ::DestroyWindow(window.GetHWND());
}

// ---------------------------------------------------------------------------------------------
// Resources and window settings

TEST_F(BuilderWindowTest, WindowAttributesConfigureTheWindow) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window size="367,191" caption="0,0,0,20" caption="1,2,3,36"
  roundcorner="4,5,6" sizebox="4,5,6,7" mininfo="100,80" maxinfo="800,600" showdirty="true" alpha="200"
  bktrans="true" disabledfontcolor="#FF636464" defaultfontcolor="FF000001" linkfontcolor="#FF0000FF"
  linkhoverfontcolor="#FF00FF00" selectedcolor="#FFBAE4FF" opacity="50" unknown="1">
  <Control/>
</Window>)",
                                      nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);
    delete root;
    EXPECT_EQ(367, pm.GetInitSize().cx);
    EXPECT_EQ(191, pm.GetInitSize().cy);
    const RECT caption = pm.GetCaptionRect();   // the later value wins
    EXPECT_EQ(1, caption.left);
    EXPECT_EQ(36, caption.bottom);
    EXPECT_EQ(4, pm.GetRoundCorner().cx);
    EXPECT_EQ(5, pm.GetRoundCorner().cy);
    EXPECT_EQ(7, pm.GetSizeBox().bottom);
    EXPECT_EQ(100, pm.GetMinInfo().cx);
    EXPECT_EQ(600, pm.GetMaxInfo().cy);
    EXPECT_TRUE(pm.IsShowDirty());
    EXPECT_TRUE(pm.IsBackgroundTransparent());
    EXPECT_EQ(0xFF636464u, pm.GetDefaultDisabledColor());
    EXPECT_EQ(0xFF000001u, pm.GetDefaultFontColor());  // "#" is optional
    EXPECT_EQ(0xFF0000FFu, pm.GetDefaultLinkFontColor());
    EXPECT_EQ(0xFF00FF00u, pm.GetDefaultLinkHoverFontColor());
    EXPECT_EQ(0xFFBAE4FFu, pm.GetDefaultSelectedBkColor());
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(window.GetHWND(), nullptr, &alpha, &flags));
    EXPECT_EQ(200, alpha);
}

TEST_F(BuilderWindowTest, OnlyARootNamedWindowConfiguresTheWindowAndOnlyWithAWindow) {
    CDialogBuilder other;
    delete other.Create(L"<Dialog size=\"50,60\" bktrans=\"true\"><Control/></Dialog>", nullptr, nullptr, &pm);
    EXPECT_NE(50, pm.GetInitSize().cx);
    EXPECT_FALSE(pm.IsBackgroundTransparent());

    CWindowManagerUI windowless;
    CDialogBuilder builder;
    delete builder.Create(L"<Window size=\"50,60\" showdirty=\"true\"><Control/></Window>", nullptr, nullptr,
                          &windowless);
    EXPECT_NE(50, windowless.GetInitSize().cx);
    EXPECT_FALSE(windowless.IsShowDirty());
}

TEST_F(BuilderWindowTest, FontsAreNumberedInDocumentOrderAndOneMayBeTheDefault) {
    CDialogBuilder builder;
    delete builder.Create(LR"(<Window>
  <Font name="Arial" size="13" bold="true" />
  <Font size="20" />
  <Font name="Tahoma" underline="true" italic="TRUE" default="true" />
  <VerticalLayout>
    <Font name="Courier New" size="30" />
    <Image name="nested.bmp" />
    <Default name="Nested" value="x" />
  </VerticalLayout>
</Window>)",
                          nullptr, nullptr, &pm);
    ASSERT_EQ(2, pm.GetFontCount());   // unnamed and nested fonts take no index
    const UIFontInfo* first = pm.GetFontInfo(0);
    EXPECT_STREQ(L"Arial", first->faceName);
    EXPECT_EQ(13, first->size);
    EXPECT_TRUE(first->bold);
    const UIFontInfo* second = pm.GetFontInfo(1);
    EXPECT_STREQ(L"Tahoma", second->faceName);
    EXPECT_EQ(12, second->size);       // the default size
    EXPECT_TRUE(second->underline);
    EXPECT_FALSE(second->italic);      // only exactly "true" is true
    const UIFontInfo* defaultFont = pm.GetDefaultFontInfo();
    EXPECT_STREQ(L"Tahoma", defaultFont->faceName);
    EXPECT_EQ(12, defaultFont->size);
    EXPECT_EQ(nullptr, pm.GetDefaultAttributeList(L"Nested"));
}

TEST_F(BuilderWindowTest, ImagesAndDefaultListsAreRegisteredWithTheManager) {
    buildertest::ResourceSettingsGuard settings;
    const std::wstring folder = testfiles::FreshDir(L"builderimages");
    settings.UseFolder(folder);
    // A 2 x 1 24-bit bitmap.
    const unsigned char bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0, 0, 255, 255, 255, 255, 0, 0};
    static_assert(sizeof(bmp) == 62, "14 + 40 + one padded row of 8 bytes");
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\pic.bmp",
                                    std::string(reinterpret_cast<const char*>(bmp), sizeof(bmp))));
    // A layout of resources only: no control, registered all the same.
    CDialogBuilder builder;
    EXPECT_EQ(nullptr, builder.Create(LR"(<Window>
  <Image name="pic.bmp" mask="#FF00FF" />
  <Image mask="#FF" />
  <Default name="VScrollBar" value="width=&quot;8&quot;" />
  <Default value="orphan" />
  <Unknown />
</Window>)",
                                      nullptr, nullptr, &pm));
    // Registered while the file was there: the cached image outlives it.
    ASSERT_TRUE(::DeleteFileW((folder + L"\\pic.bmp").c_str()));
    UIImageInfo* image = pm.GetImageEx(L"pic.bmp");
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(2, image->width);
    EXPECT_EQ(0xFF00FFu, image->mask);
    EXPECT_STREQ(L"width=\"8\"", pm.GetDefaultAttributeList(L"VScrollBar"));
    EXPECT_EQ(nullptr, pm.GetDefaultAttributeList(L""));
}

TEST_F(BuilderWindowTest, DialogLayoutChildrenGetTheirStretchModes) {
    // The words are found anywhere in the value, whatever stands between them.
    struct {
        const wchar_t* value;
        UINT mode;
    } const cases[] = {
        {L"move_x size_y", 0x4u | 0x20u},
        {L"group line", 0x1u | 0x2u},
        {L"move_xy", 0xCu},
        {L"size_xy", 0x30u},
        {L"group,line|size_xy", 0x30u | 0x1u | 0x2u},
        {L"xsize_xx", 0x10u},
        {L"move_y", 0x8u},
        {L"", 0u},
        {L"Move_X", 0u},
    };
    std::wstring layout = L"<Window><DialogLayout><Control name=\"plain\" />";
    for (const auto& c : cases) layout += std::wstring(L"<Control pos=\"1,2,11,22\" stretch=\"") + c.value + L"\" />";
    layout += L"</DialogLayout></Window>";
    CDialogBuilder builder;
    CControlUI* root = builder.Create(layout.c_str(), nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    CDialogLayoutUI* dialog = static_cast<CDialogLayoutUI*>(root->GetInterface(L"DialogLayout"));
    ASSERT_NE(nullptr, dialog);
    const int count = static_cast<int>(sizeof(cases) / sizeof(cases[0]));
    ASSERT_EQ(count, dialog->GetStretchEntryCount());   // none for the child without "stretch"
    for (int i = 0; i < count; ++i) {
        const DialogStretchEntry* entry = dialog->GetStretchEntryAt(i);
        EXPECT_EQ(ChildAt(root, i + 1), entry->control) << testfiles::Narrow(cases[i].value);
        EXPECT_EQ(cases[i].mode, entry->mode) << testfiles::Narrow(cases[i].value);
    }
}

TEST_F(BuilderWindowTest, StretchOutsideADialogLayoutIsIgnored) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        L"<Window><Control name=\"top\" stretch=\"move_x\"/></Window>", nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);   // still the level's first control
    EXPECT_EQ(nullptr, root->GetManager());
    delete root;
}

// ---------------------------------------------------------------------------------------------
// Callback, plug-ins, resources and includes

CControlUI* PluginCreate(const wchar_t* className) {
    return wcscmp(className, L"Plugged") == 0 ? new CContainerUI() : nullptr;
}
CControlUI* PluginNothing(const wchar_t*) { return nullptr; }

TEST(DialogBuilderCreators, PluginsComeBeforeTheCallback) {
    CUIPtrArray* plugins = CWindowManagerUI::GetPlugins();
    ASSERT_TRUE(plugins->Add(reinterpret_cast<void*>(&PluginNothing)));
    ASSERT_TRUE(plugins->Add(reinterpret_cast<void*>(&PluginCreate)));
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"<Window><Plugged name=\"p\"><Tracked/></Plugged></Window>", nullptr,
                                      &callback);
    plugins->Remove(plugins->Find(reinterpret_cast<void*>(&PluginCreate)));
    plugins->Remove(plugins->Find(reinterpret_cast<void*>(&PluginNothing)));
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ(L"p", root->GetName());
    EXPECT_EQ(std::vector<std::wstring>{L"Tracked"}, callback.asked);
    EXPECT_EQ(1, ChildCount(root));
    delete root;
}

TEST(DialogBuilderSources, ResourceLayoutsLoadByIdentifierAndType) {
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CWindowManagerUI pm;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LayoutSource::Resource(300), L"xml", nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_STREQ(L"resroot", root->GetName());
    // "301" was read as resource 301, twice; its font registered each time.
    ASSERT_EQ(3, ChildCount(root));
    EXPECT_STREQ(L"part", ChildAt(root, 0)->GetName());
    EXPECT_STREQ(L"part", ChildAt(root, 1)->GetName());
    EXPECT_STREQ(L"after", ChildAt(root, 2)->GetName());
    EXPECT_EQ(2, pm.GetFontCount());

    CDialogBuilder bom;
    std::unique_ptr<CControlUI> label(bom.Create(MAKEINTRESOURCEW(303), L"xml"));
    ASSERT_NE(nullptr, label);
    EXPECT_STREQ(L"\x4E2D\x6587", label->GetText());

    CDialogBuilder missing;
    EXPECT_EQ(nullptr, missing.Create(LayoutSource::Resource(399), L"xml"));
    CDialogBuilder wrongType;
    EXPECT_EQ(nullptr, wrongType.Create(LayoutSource::Resource(300), L"png"));
    CDialogBuilder noType;
    EXPECT_EQ(nullptr, noType.Create(LayoutSource::Resource(300), nullptr));
}

TEST(DialogBuilderSources, AnIncludeCycleEndsAndBadIdentifiersAddNothing) {
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(LayoutSource::Resource(302), L"xml"));
    ASSERT_NE(nullptr, root);
    int depth = 0;
    for (CControlUI* level = root.get(); level != nullptr; level = ChildAt(level, 0)) ++depth;
    EXPECT_EQ(CDialogBuilder::MAX_INCLUDE_DEPTH + 1, depth);

    CDialogBuilder outOfRange;
    std::unique_ptr<CControlUI> farRoot(outOfRange.Create(LayoutSource::Resource(304), L"xml"));
    ASSERT_NE(nullptr, farRoot);
    ASSERT_EQ(1, ChildCount(farRoot.get()));
    EXPECT_STREQ(L"stillhere", ChildAt(farRoot.get(), 0)->GetName());
}

// The last include's source is cut to 499 characters, which leaves it unfinished: it adds nothing.
TEST(DialogBuilderSources, IncludesOfTextsAndFilesAddTheirControlsCountTimes) {
    buildertest::ResourceSettingsGuard settings;
    const std::wstring folder = testfiles::FreshDir(L"builderinclude");
    settings.UseFolder(folder);
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\300", "<Window><Control name=\"file300\"/></Window>"));
    CWindowManagerUI pm;
    CDialogBuilder builder;
    const std::wstring layout = LR"(<Window>
  <VerticalLayout name="host">
    <Include />
    <Include count="2" />
    <Include source="&lt;Window&gt;&lt;Font name=&quot;Arial&quot;/&gt;&lt;Label name=&quot;inc&quot;/&gt;&lt;/Window&gt;" count="3" />
    <Include source="300" />
    <Include source="missing.xml" count="1000000000" />
    <Include source="300" count="-2" />
    <Include source="&lt;Window&gt;&lt;Label text=&quot;)" + std::wstring(500, L'x') + LR"(&quot;/&gt;&lt;/Window&gt;" />
    <Label name="last" />
  </VerticalLayout>
</Window>)";
    CControlUI* root = builder.Create(layout.c_str(), nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_STREQ(L"host", root->GetName());
    ASSERT_EQ(5, ChildCount(root));
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(L"inc", ChildAt(root, i)->GetName());
    EXPECT_STREQ(L"file300", ChildAt(root, 3)->GetName());
    EXPECT_STREQ(L"last", ChildAt(root, 4)->GetName());
    EXPECT_EQ(3, pm.GetFontCount());
}

// A layout that includes itself from the bottom of the deepest nesting the reader takes: the
// included layouts are built only down to the nesting limit, so that building and destroying the
// tree stays within the stack.
TEST(DialogBuilderSources, ADeepIncludeCycleStaysWithinTheStack) {
    buildertest::ResourceSettingsGuard settings;
    const std::wstring folder = testfiles::FreshDir(L"builderdeep");
    settings.UseFolder(folder);
    const int depth = CLayoutXml::MAX_DEPTH - 2;   // below the root, around the include
    std::string layout = "<Window>";
    for (int i = 0; i < depth; ++i) layout += "<Container>";
    layout += "<Include source=\"deep.xml\"/>";
    for (int i = 0; i < depth; ++i) layout += "</Container>";
    layout += "</Window>";
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\deep.xml", layout));

    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(L"deep.xml"));
    ASSERT_NE(nullptr, root);
    int levels = 0;
    for (CControlUI* level = root.get(); level != nullptr; level = ChildAt(level, 0)) ++levels;
    EXPECT_EQ(CDialogBuilder::MAX_NESTING, levels);
}

// Each included layout's root is handled like any root: its resources are registered and its
// window settings applied to the window.
TEST_F(BuilderWindowTest, AnIncludedRootConfiguresTheWindowToo) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window size="100,100" caption="0,0,0,10">
  <VerticalLayout>
    <Include source="&lt;Window size=&quot;300,200&quot;&gt;&lt;Font name=&quot;Arial&quot;/&gt;&lt;Control/&gt;&lt;/Window&gt;" />
  </VerticalLayout>
</Window>)",
                                      nullptr, nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_EQ(1, ChildCount(root));
    EXPECT_EQ(300, pm.GetInitSize().cx);
    EXPECT_EQ(10, pm.GetCaptionRect().bottom);
    EXPECT_EQ(1, pm.GetFontCount());
}

// "source" is a resource identifier only inside a layout that came from a resource, also when
// the same builder loaded a resource before.
TEST(DialogBuilderSources, AReusedBuilderReadsIncludesByItsCurrentSource) {
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    buildertest::ResourceSettingsGuard settings;
    const std::wstring folder = testfiles::FreshDir(L"builderreuse");
    settings.UseFolder(folder);
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\301", "<Window><Control name=\"file301\"/></Window>"));
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> fromResource(builder.Create(LayoutSource::Resource(300), L"xml"));
    ASSERT_NE(nullptr, fromResource);
    std::unique_ptr<CControlUI> fromText(
        builder.Create(L"<Window><VerticalLayout><Include source=\"301\"/></VerticalLayout></Window>"));
    ASSERT_NE(nullptr, fromText);
    ASSERT_EQ(1, ChildCount(fromText.get()));
    EXPECT_STREQ(L"file301", ChildAt(fromText.get(), 0)->GetName());
}

TEST(DialogBuilderSources, AnIncludeWithoutParentLeavesNothingBehind) {
    Census census;
    TestCallback callback(&census);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        L"<Window><Include source=\"&lt;Window&gt;&lt;Tracked/&gt;&lt;/Window&gt;\" count=\"2\"/><Tracked "
        L"name=\"own\"/></Window>",
        nullptr, &callback);
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ(L"own", root->GetName());
    delete root;
    EXPECT_EQ(census.made, census.destroyed);
    EXPECT_EQ(3, census.made);
}

TEST(DialogBuilderSources, FilesComeFromTheFolderOrTheArchive) {
    buildertest::ResourceSettingsGuard settings;
    const std::wstring folder = testfiles::FreshDir(L"builderfiles");
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\form.xml",
                                    "\xEF\xBB\xBF<Window><Label name=\"fromfile\"/></Window>"));
    settings.UseFolder(folder);
    CDialogBuilder fromFolder;
    std::unique_ptr<CControlUI> label(fromFolder.Create(L"form.xml"));
    ASSERT_NE(nullptr, label);
    EXPECT_STREQ(L"fromfile", label->GetName());
    CDialogBuilder missing;
    EXPECT_EQ(nullptr, missing.Create(L"absent.xml"));

    settings.UseArchive(buildertest::FixtureFolder(), L"skin.zip", true);
    CWindowManagerUI pm;
    CDialogBuilder fromZip;
    std::unique_ptr<CControlUI> root(fromZip.Create(L"include.xml", nullptr, nullptr, &pm));
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ(L"incroot", root->GetName());
    ASSERT_EQ(2, ChildCount(root.get()));
    EXPECT_STREQ(L"zroot", ChildAt(root.get(), 1)->GetName());
    EXPECT_STREQ(L"from zip", ChildAt(ChildAt(root.get(), 1), 0)->GetText());
}

TEST(DialogBuilderSources, CreateFromDocumentBuildsWhatWasLoaded) {
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> label(builder.Create(L"<Window><Label name=\"pre\"/></Window>"));
    ASSERT_NE(nullptr, label);
    // The document stays loaded: a second tree of the same layout.
    std::unique_ptr<CControlUI> again(builder.CreateFromDocument());
    ASSERT_NE(nullptr, again);
    EXPECT_NE(label.get(), again.get());
    EXPECT_STREQ(L"pre", again->GetName());
    CDialogBuilder empty;
    EXPECT_EQ(nullptr, empty.CreateFromDocument());
    CDialogBuilder failed;
    EXPECT_EQ(nullptr, failed.Create(L"<Window><Label/></Wind>"));
    EXPECT_EQ(nullptr, failed.CreateFromDocument());
}

}  // namespace
