// "Set.ini", the options dialog, the close-behaviour dialog and the run-at-logon value.
#include <gtest/gtest.h>

#include "close_set_form.h"
#include "main_form_fixture.h"
#include "main_messages.h"
#include "option_form.h"
#include "player_forms_util.h"
#include "settings_file.h"
#include "test_files.h"
#include "win_owners.h"

using namespace mainform;
using namespace VelaUI;

namespace {

// An owner window that records the messages the dialogs post to it.
class Owner {
public:
    Owner() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelaTestOwner";
        ::RegisterClassW(&wc);
        hWnd = ::CreateWindowExW(0, L"VelaTestOwner", L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        s_messages.clear();
    }
    ~Owner() { ::DestroyWindow(hWnd); }
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m >= WM_CLOSESET_CANCEL && m <= WM_OPTION_SAVED) s_messages.push_back({m, w});
        return ::DefWindowProcW(h, m, w, l);
    }
    HWND hWnd;
    static std::vector<std::pair<UINT, WPARAM>> s_messages;
};
std::vector<std::pair<UINT, WPARAM>> Owner::s_messages;

class SettingsTest : public MainFormTest {
protected:
    // Runs a dialog modally; the step acts on it once it shows and returns true when done.
    void RunDialog(VelaDialogForm* dialog, const wchar_t* cls, const std::function<bool(VelaDialogForm&, HWND)>& act) {
        Script script({[&] {
            HWND shown = FindThreadWindow(cls);
            auto* form = FormOf<VelaDialogForm>(shown);
            return form != nullptr && act(*form, shown);
        }});
        VelaDialogForm::ShowDialog(dialog, owner.hWnd);
        PumpUntil([] { return false; }, 50);
        EXPECT_TRUE(script.Done());
    }
    static UIToolkit::CControlUI* Find(VelaDialogForm& f, const wchar_t* name) {
        return f.GetManager().FindControlByName(name);
    }
    Owner owner;
};

TEST_F(SettingsTest, WithoutAFileTheDefaultsAreWrittenSoChoicesAreKept) {
    ASSERT_FALSE(SettingsFileExists());
    ASSERT_TRUE(EnsureSettingsFile());
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } defaults[] = {{L"Option", L"a", L"0"}, {L"Option", L"b", L"0"}, {L"Option", L"e", L"0"},
                    {L"Option", L"f", L"c:\\"}, {L"Option", L"g", L"1"}, {L"CloseSet", L"a", L"0"},
                    {L"CloseSet", L"b", L"0"}, {L"Login", L"b", L"0"}, {L"Login", L"c", L""}};
    for (const auto& d : defaults) EXPECT_EQ(ReadSetting(d.section, d.key), d.value) << testfiles::Narrow(d.key);
    // A folder name outside the code page survives the file.
    ASSERT_TRUE(WriteSetting(kDownloadFolder, L"C:\\音乐\\ñ"));
    EXPECT_EQ(ReadSetting(L"Option", L"f"), L"C:\\音乐\\ñ");
}

TEST_F(SettingsTest, OptionsShowTheFileAndSaveWhatTheTableSays) {
    const std::wstring data = testfiles::PlayerDataFolder();
    WriteSettings("[Option]\r\na=0\r\nb=1\r\nc=1\r\nd=1\r\ne=1\r\nf=C:\\no such folder\\\r\ng=1\r\n"
                  "[CloseSet]\r\na=0\r\nb=0\r\n");
    RunDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), L"VelaUI::VelaOptionForm",
              [&](VelaDialogForm& f, HWND h) {
                  EXPECT_STREQ(Find(f, L"EditSavePath")->GetText().GetData(), data.c_str());
                  EXPECT_FALSE(Find(f, L"EditSavePath")->IsEnabled());
                  EXPECT_FALSE(Find(f, L"CheckPowerAutoplay")->IsVisible());
                  EXPECT_TRUE(IsOptionSelected(Find(f, L"CheckPowerAutoLogin")));
                  EXPECT_TRUE(IsOptionSelected(Find(f, L"RadioSong_Singer")));
                  EXPECT_TRUE(IsOptionSelected(Find(f, L"RadioTray")));
                  EXPECT_STREQ(Find(f, L"ComboNum")->GetText().GetData(), L"1");
                  SelectOption(Find(f, L"RadioExit"), true);
                  SelectOption(Find(f, L"RadioSinger_Song"), true);
                  return ClickControl(h, f.GetManager(), L"BtnOK");
              });
    EXPECT_EQ(ReadSetting(L"Option", L"b"), L"0");
    EXPECT_EQ(ReadSetting(L"Option", L"c"), L"1");
    EXPECT_EQ(ReadSetting(L"Option", L"d"), L"0");
    EXPECT_EQ(ReadSetting(L"Option", L"e"), L"0");
    EXPECT_EQ(ReadSetting(L"CloseSet", L"a"), L"0");
    EXPECT_EQ(ReadSetting(L"Option", L"f"), data);
    EXPECT_EQ(ReadSetting(L"Option", L"g"), L"1");
    ASSERT_FALSE(Owner::s_messages.empty());
    EXPECT_EQ(Owner::s_messages.back().first, WM_OPTION_SAVED);
}

// The combo box holds the single item "1": a larger limit selects nothing, and saving must keep a
// number (an empty value reads back as 0 and would stop every download).
TEST_F(SettingsTest, SavingKeepsAValidDownloadLimit) {
    struct Case {
        const char* saved;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{"5", L"5"}, Case{"0", L"1"}, Case{"-3", L"1"}, Case{"", L"1"}}) {
        WriteSettings(std::string("[Option]\r\ng=") + c.saved + "\r\n");
        RunDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), L"VelaUI::VelaOptionForm",
                  [](VelaDialogForm& f, HWND h) { return ClickControl(h, f.GetManager(), L"BtnOK"); });
        EXPECT_EQ(ReadSetting(L"Option", L"g"), c.expected) << c.saved;
        EXPECT_GE(ReadDownloadLimit(), 1);
    }
}

TEST_F(SettingsTest, CancelWritesNothing) {
    WriteSettings("[Option]\r\nb=1\r\n");
    RunDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), L"VelaUI::VelaOptionForm",
              [](VelaDialogForm& f, HWND h) { return ClickControl(h, f.GetManager(), L"BtnCancel"); });
    EXPECT_EQ(ReadSetting(L"Option", L"b"), L"1");
    ASSERT_FALSE(Owner::s_messages.empty());
    EXPECT_EQ(Owner::s_messages.back().first, WM_OPTION_CANCEL);
}

TEST_F(SettingsTest, RunAtLogonIsTheQuotedProgramPathAndTheFileSaysWhatIsTrue) {
    WriteSettings("[Option]\r\na=0\r\n");
    RunDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), L"VelaUI::VelaOptionForm",
              [](VelaDialogForm& f, HWND h) {
                  SelectOption(f.GetManager().FindControlByName(L"CheckPowerAutoRun"), true);
                  return ClickControl(h, f.GetManager(), L"BtnOK");
              });
    wchar_t value[MAX_PATH + 4] = {};
    DWORD size = sizeof value;
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kAutoRunKey, kAutoRunValue, RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(std::wstring(value), L"\"" + std::wstring(self) + L"\"");
    EXPECT_EQ(ReadSetting(L"Option", L"a"), L"1");
    EXPECT_TRUE(IsAutoRunSet());

    RunDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), L"VelaUI::VelaOptionForm",
              [](VelaDialogForm& f, HWND h) {
                  EXPECT_TRUE(IsOptionSelected(f.GetManager().FindControlByName(L"CheckPowerAutoRun")));
                  SelectOption(f.GetManager().FindControlByName(L"CheckPowerAutoRun"), false);
                  return ClickControl(h, f.GetManager(), L"BtnOK");
              });
    EXPECT_FALSE(IsAutoRunSet());
    EXPECT_EQ(ReadSetting(L"Option", L"a"), L"0");
}

TEST_F(SettingsTest, TheCloseDialogSavesAndAnswers) {
    struct Case {
        const char* what;
        bool tray;
        bool notAgain;
        const wchar_t* button;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"tray, do not ask", true, true, L"BtnOK", WM_CLOSESET_OK, 1},
        {"exit", false, false, L"BtnOK", WM_CLOSESET_OK, 0},
        {"cancel", true, true, L"BtnCancel", WM_CLOSESET_CANCEL, 0},
    };
    for (const Case& c : cases) {
        WriteSettings("[Option]\r\ne=0\r\n[CloseSet]\r\na=0\r\nb=0\r\n");
        Owner::s_messages.clear();
        RunDialog(new VelaCloseSetForm(L"CloseSet.xml"), L"VelaUI::VelaCloseSetForm",
                  [&](VelaDialogForm& f, HWND h) {
                      SelectOption(f.GetManager().FindControlByName(c.tray ? L"RadioTray" : L"RadioExit"), true);
                      SelectOption(f.GetManager().FindControlByName(L"CheckNotDisplay"), c.notAgain);
                      return ClickControl(h, f.GetManager(), c.button);
                  });
        ASSERT_FALSE(Owner::s_messages.empty()) << c.what;
        EXPECT_EQ(Owner::s_messages.back().first, c.message) << c.what;
        EXPECT_EQ(Owner::s_messages.back().second, c.wParam) << c.what;
        const bool saved = c.message == WM_CLOSESET_OK;
        EXPECT_EQ(ReadSetting(L"CloseSet", L"a"), saved && c.tray ? L"1" : L"0") << c.what;
        EXPECT_EQ(ReadSetting(L"Option", L"e"), saved && c.tray ? L"1" : L"0") << c.what;
        EXPECT_EQ(ReadSetting(L"CloseSet", L"b"), saved && c.notAgain ? L"1" : L"0") << c.what;
    }
}

// A "Set.ini" that cannot be written: another program holds it without sharing writes (as a
// read-only file refuses them). Both dialogs say so. The options stay open with the user's
// choices (OK is only there to save them; Cancel gives up) and the run-at-logon value stays as it
// was; the close-behaviour dialog still hides or closes the window as chosen.
TEST_F(SettingsTest, ChoicesThatCannotBeWrittenAreToldToTheUser) {
    const std::string text = "[Option]\r\na=0\r\nd=0\r\ne=0\r\n[CloseSet]\r\na=0\r\nb=0\r\n";
    WriteSettings(text);
    const std::string before = testfiles::ReadAll(DataFile(L"Set.ini"));
    const bool autoRun = IsAutoRunSet();
    CScopedHandle hold(
        ::CreateFileW(DataFile(L"Set.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.IsValid());

    formtest::DialogScript options;
    bool stillOpen = false;
    options
        .Then(L"VelaUI::VelaOptionForm",
              [&](VelaDialogForm& f, HWND h) {
                  SelectOption(Find(f, L"CheckPowerAutoRun"), !autoRun);
                  SelectOption(Find(f, L"RadioSong_Singer"), true);
                  ClickControl(h, f.GetManager(), L"BtnOK");
              })
        .ThenDialog(formtest::DialogScript::PressEscape())
        .ThenAgain(L"VelaUI::VelaOptionForm", [&](VelaDialogForm& f, HWND h) {
            stillOpen = IsOptionSelected(Find(f, L"RadioSong_Singer"));
            ClickControl(h, f.GetManager(), L"BtnCancel");
        });
    options.Start();
    VelaDialogForm::ShowDialog(new VelaOptionForm(L"Option.xml", owner.hWnd), owner.hWnd);
    PumpUntil([] { return false; }, 50);
    ASSERT_TRUE(options.Finished());
    ASSERT_EQ(options.Seen().size(), 3u);
    EXPECT_EQ(options.Seen()[1].firstLine, L"设置未能保存：无法写入设置文件Set.ini");
    EXPECT_EQ(options.Seen()[1].picture, L"res='331' restype='png'");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(Owner::s_messages, (std::vector<std::pair<UINT, WPARAM>>{{WM_OPTION_CANCEL, 0}}));
    EXPECT_EQ(IsAutoRunSet(), autoRun);

    Owner::s_messages.clear();
    formtest::DialogScript closeSet;
    closeSet
        .ThenDialog([&](VelaDialogForm& f, HWND h) {
            SelectOption(Find(f, L"RadioTray"), true);
            SelectOption(Find(f, L"CheckNotDisplay"), true);
            ClickControl(h, f.GetManager(), L"BtnOK");
        })
        .ThenDialog(formtest::DialogScript::PressEscape());
    closeSet.Start();
    VelaDialogForm::ShowDialog(new VelaCloseSetForm(L"CloseSet.xml"), owner.hWnd);
    PumpUntil([] { return false; }, 50);
    ASSERT_TRUE(closeSet.Finished());
    ASSERT_EQ(closeSet.Seen().size(), 2u);
    EXPECT_EQ(closeSet.Seen()[1].firstLine, L"设置未能保存：无法写入设置文件Set.ini");
    EXPECT_EQ(Owner::s_messages, (std::vector<std::pair<UINT, WPARAM>>{{WM_CLOSESET_OK, 1}}));

    hold.Close();
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"Set.ini")), before);
}

TEST_F(SettingsTest, TheMainWindowReadsTheOptionGroupAgainWhenSaved) {
    WriteSettings("[Option]\r\nb=0\r\ne=0\r\nf=C:\\gone\\\r\ng=0\r\n[CloseSet]\r\na=0\r\nb=0\r\n");
    Open();
    EXPECT_EQ(form->GetSettings().downloadLimit, 1);
    EXPECT_EQ(form->GetSettings().downloadFolder, testfiles::PlayerDataFolder());
    EXPECT_EQ(form->GetPageUrl().find(L"/clientweb3/main.html") != std::wstring::npos, true);
    WriteSetting(kDownloadLimit, L"3");
    ::SendMessageW(hWnd, WM_OPTION_SAVED, 0, 0);
    EXPECT_EQ(form->GetSettings().downloadLimit, 3);
}

}  // namespace
