// Start-up helpers: versions, the updater's command line, the seed of "Set.ini".
#include <gtest/gtest.h>

#include "main_form_fixture.h"
#include "player_startup.h"
#include "settings_file.h"
#include "test_files.h"
#include "vela_dialog.h"

using namespace mainform;

using namespace VelaUI;

namespace {

TEST(Startup, VersionsCompareAsNumbersNotText) {
    struct Case {
        const char* a;
        const char* b;
        int result;
    };
    const Case cases[] = {
        {"1.0.10.0", "1.0.9.0", 1},  // as text "1" < "9": the fault this avoids
        {"1.0.9.1", "1.0.9.0", 1},   {"1.0.9.0", "1.0.9.0", 0}, {"1.0.9", "1.0.9.0", 0},
        {"1.0.8.9", "1.0.9.0", -1},  {"2", "1.9.9.9", 1},       {"", "1.0.0.0", -1},
        {"1.0.0.1", "", 1},          {"", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareDottedVersions(c.a, c.b), c.result) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareDottedVersions(c.b, c.a), -c.result) << c.b << " vs " << c.a;
    }
}

TEST(Startup, OwnVersionFromTheVersionResource) {
    // This program carries the player's resources, version 1.0.0.1.
    WORD parts[4] = {};
    ASSERT_TRUE(GetFileVersionParts(nullptr, parts));
    EXPECT_EQ(parts[0], 1);
    EXPECT_EQ(parts[3], 1);
    EXPECT_EQ(GetOwnVersionText(nullptr), L"1.0.0.1");
    EXPECT_EQ(GetOwnVersionText(::GetModuleHandleW(L"kernel32.dll")).empty(), false);
}

TEST(Startup, OnlyTheWholeCommandLineIsTheUpdatersWord) {
    struct Case {
        const wchar_t* line;
        bool updater;
    };
    for (const Case& c : {Case{L"Update_IDOK", true}, Case{L"Update_IDCANCEL", true},
                          Case{L"\"C:\\VelaMusic\\VelaMusic.exe\" Update_IDOK", false}, Case{L"update_idok", false},
                          Case{L"Update_IDOK ", false}, Case{L"", false},
                          // Equal only to a comparison by the locale: a soft hyphen, a Kelvin sign.
                          Case{L"Update_IDOK\u00AD", false}, Case{L"Update_IDO\u212A", false}}) {
        EXPECT_EQ(IsUpdaterCommandLine(c.line), c.updater) << testfiles::Narrow(c.line);
    }
    EXPECT_FALSE(IsUpdaterCommandLine(nullptr));
}

TEST(Startup, TheSeedNeverReplacesTheUsersSettings) {
    mainform::RemoveDataFiles();
    const std::wstring program = testfiles::FreshDir(L"seed") + L"\\";
    const std::wstring data = testfiles::PlayerDataFolder() + L"\\";
    testfiles::WriteAll(program + L"Set.ini", "[Option]\r\ng=4\r\n");
    SeedSettings(program, data);
    EXPECT_EQ(testfiles::ReadAll(data + L"Set.ini"), "[Option]\r\ng=4\r\n");
    testfiles::WriteAll(program + L"Set.ini", "[Option]\r\ng=7\r\n");
    SeedSettings(program, data);
    EXPECT_EQ(ReadDownloadLimit(), 4);
    // Without a seed the user gets the defaults.
    mainform::RemoveDataFiles();
    SeedSettings(testfiles::FreshDir(L"noseed") + L"\\", data);
    EXPECT_TRUE(SettingsFileExists());
    EXPECT_EQ(ReadDownloadLimit(), 1);
}

TEST(Startup, TheUpdateQuestionAsksWithTwoButtons) {
    struct Case {
        const char* what;
        bool agree;
        int result;
    };
    for (const Case& c : {Case{"OK", true, 1}, Case{"Esc", false, 2}}) {
        std::wstring text;
        bool cancelShown = false;
        Script script({[&] {
            HWND tip = FindThreadWindow(L"VelaUI::VelaCloseSetForm");
            auto* form = FormOf<VelaDialogForm>(tip);
            if (form == nullptr) return false;
            text = form->GetManager().FindControlByName(L"Lable1")->GetText().GetData();
            cancelShown = form->GetManager().FindControlByName(L"BtnCancel")->IsVisible();
            if (c.agree) return ClickControl(tip, form->GetManager(), L"BtnOK");
            ::PostMessageW(tip, WM_KEYDOWN, VK_ESCAPE, 1);
            return true;
        }});
        EXPECT_EQ(AskForUpdate(), c.result) << c.what;
        EXPECT_EQ(text, L"有新版本可用,是否升级") << c.what;
        EXPECT_TRUE(cancelShown) << c.what;
    }
}

}  // namespace
