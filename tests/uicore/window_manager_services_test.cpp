#include <gtest/gtest.h>

#include <string>

#include "render_engine.h"
#include "test_files.h"
#include "ui_zip.h"
#include "uicore_test_util.h"

using namespace uitest;

namespace {

TEST(ManagerFonts, IndexesFallBackToTheDefaultFont) {
    CWindowManagerUI pm;
    HFONT defaultFont = pm.GetDefaultFontInfo()->hFont;
    ASSERT_NE(nullptr, defaultFont);
    EXPECT_EQ(defaultFont, pm.GetFont(-1));
    EXPECT_EQ(defaultFont, pm.GetFont(0));
    HFONT added = pm.AddFont(L"Tahoma", 13, true, false, false);
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(added, pm.GetFont(0));
    EXPECT_EQ(defaultFont, pm.GetFont(1));
    EXPECT_EQ(added, pm.FindFont(L"Tahoma", 13, true, false, false));
    EXPECT_EQ(nullptr, pm.FindFont(L"Tahoma", 13, false, false, false));
    EXPECT_EQ(13, pm.GetFontInfo(0)->size);
    EXPECT_EQ(pm.GetDefaultFontInfo(), pm.GetFontInfo(5));
    EXPECT_EQ(pm.GetFontInfo(0), pm.GetFontInfoByHandle(added));

    // A face longer than the LOGFONT field is cut, never copied past it.
    const std::wstring longFace(200, L'F');
    EXPECT_NE(nullptr, pm.AddFont(longFace.c_str(), 12, false, true, true));
    pm.SetDefaultFont(longFace.c_str(), 15, false, false, false);
    EXPECT_EQ(15, pm.GetDefaultFontInfo()->size);
    EXPECT_NE(defaultFont, pm.GetDefaultFontInfo()->hFont);
    pm.RemoveAllFonts();
    EXPECT_EQ(0, pm.GetFontCount());
}

TEST(ManagerResources, ResourceParentSuppliesColoursFontsAndDefaults) {
    CWindowManagerUI owner;
    CWindowManagerUI popup;
    owner.SetDefaultFontColor(0xFF112233);
    owner.AddDefaultAttributeList(L"Button", L"width=\"10\"");
    owner.AddDefaultAttributeList(L"Button", L"width=\"99\"");   // the first definition wins
    HFONT ownerFont = owner.AddFont(L"Arial", 11, false, false, false);
    ASSERT_TRUE(popup.SetResourceParent(&owner));
    EXPECT_EQ(0xFF112233u, popup.GetDefaultFontColor());
    EXPECT_EQ(0xFF0000FFu, popup.GetDefaultLinkFontColor());
    EXPECT_STREQ(L"width=\"10\"", popup.GetDefaultAttributeList(L"Button"));
    EXPECT_EQ(nullptr, popup.GetDefaultAttributeList(L"Label"));
    EXPECT_EQ(ownerFont, popup.FindFont(L"Arial", 11, false, false, false));
    EXPECT_EQ(owner.GetDefaultFontInfo(), popup.GetDefaultFontInfo());
    EXPECT_EQ(owner.GetDefaultFontInfo()->hFont, popup.GetFont(0));   // the parent's list is not indexed

    EXPECT_FALSE(owner.SetResourceParent(&popup));   // a cycle
    EXPECT_FALSE(popup.SetResourceParent(&popup));
    EXPECT_TRUE(popup.SetResourceParent(nullptr));
    EXPECT_EQ(0xFF000000u, popup.GetDefaultFontColor());
}

TEST(ManagerResources, ImagesNeedDigitsWithAResourceType) {
    CWindowManagerUI pm;
    EXPECT_EQ(nullptr, pm.AddImage(L"abc", L"png", 0));
    EXPECT_EQ(nullptr, pm.GetImageEx(L"no-such-image-file.png"));
    EXPECT_EQ(nullptr, pm.GetImageEx(L"9999", L"PNG"));
}

// A 1x1 24-bit bitmap file.
std::string OnePixelBmp() {
    const unsigned char bytes[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,     // file header
                                   40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,  // info header
                                   0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0,
                                   0x10, 0x20, 0x30, 0};                             // one pixel, padded
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

TEST(ManagerResources, ImagesAreCachedByNameAndFailuresAreRetried) {
    const std::wstring folder = testfiles::FreshDir(L"uicore_images");
    CWindowManagerUI::SetResourceZip(L"", false);
    CWindowManagerUI::SetResourcePath(folder.c_str());
    CWindowManagerUI pm;
    EXPECT_EQ(nullptr, pm.GetImageEx(L"dot.bmp"));   // missing: not cached
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\dot.bmp", OnePixelBmp()));
    UIImageInfo* image = pm.GetImageEx(L"dot.bmp");
    ASSERT_NE(nullptr, image);
    // The name alone is the key: another mask gets the first record, and adding the name again
    // keeps the cached record.
    EXPECT_EQ(image, pm.GetImageEx(L"dot.bmp", nullptr, 0xFFFF00FF));
    EXPECT_EQ(0u, image->mask);
    EXPECT_EQ(nullptr, pm.AddImage(L"dot.bmp"));
    EXPECT_EQ(image, pm.GetImageEx(L"dot.bmp"));
    CWindowManagerUI::SetResourcePath(L"");
}

TEST(ManagerResources, ResourcePathGetsOneTrailingSeparator) {
    struct Case { const wchar_t* in; const wchar_t* out; };
    const Case cases[] = {{L"C:\\skin", L"C:\\skin\\"}, {L"C:\\skin\\", L"C:\\skin\\"}, {L"C:/skin/", L"C:/skin/"},
                          {L"", L""}};
    for (const Case& c : cases) {
        CWindowManagerUI::SetResourcePath(c.in);
        EXPECT_STREQ(c.out, CWindowManagerUI::GetResourcePath().GetData());
    }
    CWindowManagerUI::SetResourcePath(L"");
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    const CUIString folder = CWindowManagerUI::GetInstancePath();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ(L'\\', folder.GetAt(folder.GetLength() - 1));
    short h = 0, s = 0, l = 0;
    CWindowManagerUI::GetHSL(&h, &s, &l);
    EXPECT_EQ(180, h);
    EXPECT_EQ(100, s);
    EXPECT_EQ(100, l);
}

TEST(ManagerTimers, RefusedWithoutAWindow) {
    CWindowManagerUI pm;
    CControlUI control;
    EXPECT_FALSE(pm.SetTimer(&control, 1, 100));
    EXPECT_EQ(0, pm.GetTimerCount());
    EXPECT_FALSE(pm.KillTimer(&control, 1));
}

TEST(ManagerOptionGroups, MembersComeAndGo) {
    CWindowManagerUI pm;
    std::vector<std::wstring> log;
    TestControl* one = new TestControl(L"one", &log);
    TestControl two(L"two", &log);
    one->SetManager(&pm, nullptr, false);
    two.SetManager(&pm, nullptr, false);
    EXPECT_TRUE(pm.AddOptionGroup(L"g", one));
    EXPECT_FALSE(pm.AddOptionGroup(L"g", one));
    EXPECT_TRUE(pm.AddOptionGroup(L"g", &two));
    ASSERT_NE(nullptr, pm.GetOptionGroup(L"g"));
    EXPECT_EQ(2, pm.GetOptionGroup(L"g")->GetSize());
    delete one;   // a deleted member leaves its group
    EXPECT_EQ(1, pm.GetOptionGroup(L"g")->GetSize());
    pm.RemoveOptionGroup(L"g", &two);
    EXPECT_EQ(nullptr, pm.GetOptionGroup(L"g"));
}

}  // namespace

namespace {

TEST(ManagerResources, CachedResourceZipIsOpenedOnceAndClosedOnChange) {
    const std::wstring folder = testfiles::Env(L"VELA_UICORE_FIXTURES");
    CWindowManagerUI::SetResourcePath(folder.c_str());
    CWindowManagerUI::SetResourceZip(L"basic.zip", true);
    EXPECT_TRUE(CWindowManagerUI::IsResourceZipCached());
    ZipHandle* zip = CWindowManagerUI::GetResourceZipHandle();
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipItemInfo info = {};
    EXPECT_EQ(0u, ZipFindItem(zip, L"left.png", true, &index, &info));
    CWindowManagerUI::SetResourceZip(L"basic.zip", true);   // unchanged: the same handle
    EXPECT_EQ(zip, CWindowManagerUI::GetResourceZipHandle());
    CWindowManagerUI::SetResourceZip(L"missing.zip", true);
    EXPECT_EQ(nullptr, CWindowManagerUI::GetResourceZipHandle());
    CWindowManagerUI::SetResourceZip(L"", false);
    CWindowManagerUI::SetResourcePath(L"");
}

}  // namespace
