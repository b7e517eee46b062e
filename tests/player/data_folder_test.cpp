// The CUIString forms of the data-folder helpers give what the std::wstring forms give.
#include <gtest/gtest.h>

#include "data_folder.h"
#include "test_files.h"

TEST(DataFolder, UiStringFormMatchesTheWideForm) {
    std::wstring wide;
    UIToolkit::CUIString ui;
    ASSERT_TRUE(GetUserDataFolder(wide));
    ASSERT_TRUE(GetUserDataFolder(ui));
    EXPECT_EQ(std::wstring(ui.GetData()), wide);
    EXPECT_EQ(wide, testfiles::PlayerDataFolder());
}

TEST(DataFolder, UiStringFormCreatesEveryLevelOnce) {
    std::wstring base = testfiles::FreshDir(L"datafolder");
    UIToolkit::CUIString deep((base + L"\\音乐\\歌曲").c_str());
    EXPECT_TRUE(CreateDirectoryTree(deep));
    EXPECT_TRUE(testfiles::Exists(base + L"\\音乐\\歌曲"));
    EXPECT_FALSE(CreateDirectoryTree(deep));  // the deepest folder existed already
    testfiles::RemoveTree(base);
}
