// The login dialog, shown modally over a parent window and driven by posted keys and clicks:
// its checks and tips, Return and the OK button, the two boxes, what it remembers in
// "Set.ini" and "data", the message it leaves its parent, and the account pages.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "account.h"
#include "login_credentials.h"
#include "login_form.h"
#include "login_test_util.h"
#include "message_pump.h"
#include "player_forms_util.h"
#include "standin_catalogue.h"
#include "standin_client.h"
#include "test_files.h"
#include "test_windows.h"

using namespace VelaUI;
using UIToolkit::CControlUI;
using UIToolkit::COptionUI;

namespace {

const wchar_t kTipClass[] = L"VelaUI::VelaCloseSetForm";
const wchar_t kLoginClass[] = L"VelaUI::VelaLoginForm";

// ---------------------------------------------------------------------------------------------
// The parent window: it keeps the messages that the dialog posts to it.

std::vector<UINT> g_parentMessages;

LRESULT CALLBACK ParentProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LOGIN_CLOSED || message == WM_LOGIN_OK) g_parentMessages.push_back(message);
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

HWND MakeParent() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LoginTestParent";
        registered = ::RegisterClassW(&wc) != 0;
    }
    return ::CreateWindowExW(0, L"LoginTestParent", L"parent", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// Delivers what is still queued (the dialog's message to its parent comes after its window is gone).
void Pump() { testpump::DispatchWaiting(); }

HWND FindVisible(const wchar_t* className) {
    return testwindows::FindTopLevel(
        [className](HWND hWnd) {
            wchar_t cls[64] = {};
            ::GetClassNameW(hWnd, cls, 64);
            return std::wstring(cls) == className && ::IsWindowVisible(hWnd);
        },
        ::GetCurrentThreadId());
}

UIToolkit::CWindowManagerUI* ManagerOf(HWND hWnd) {
    auto* form = dynamic_cast<VelaDialogForm*>(
        reinterpret_cast<UIToolkit::CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA)));
    return form != nullptr ? &form->GetManager() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// A script of steps that a thread timer runs while the modal loops run. A step answers true
// when it is done; the next one then runs at the next tick. A script that does not end in time
// destroys the dialogs, so that a failing case cannot hang the program.

class Script {
public:
    using Step = std::function<bool()>;

    Script& Then(Step step) {
        m_steps.push_back(std::move(step));
        return *this;
    }
    Script& Do(std::function<void()> action) {
        return Then([action] {
            action();
            return true;
        });
    }
    // Waits for the tip, keeps its first line and presses Esc in it.
    Script& DismissTip(std::wstring* text) {
        return Then([text] {
            HWND tip = FindVisible(kTipClass);
            if (tip == nullptr) return false;
            UIToolkit::CWindowManagerUI* manager = ManagerOf(tip);
            CControlUI* line = manager != nullptr ? manager->FindControlByName(L"Lable1") : nullptr;
            if (line != nullptr) *text = line->GetText().GetData();
            formtest::PostKey(tip, VK_ESCAPE);
            return true;
        });
    }
    // Waits until no tip is up and the dialog takes input again.
    Script& WaitForDialog(HWND dialog) {
        return Then([dialog] { return FindVisible(kTipClass) == nullptr && ::IsWindowEnabled(dialog); });
    }

    void Start() {
        s_current = this;
        m_ticks = 0;
        m_timer = ::SetTimer(nullptr, 0, 20, Tick);
    }
    void Stop() {
        if (m_timer != 0) ::KillTimer(nullptr, m_timer);
        m_timer = 0;
        s_current = nullptr;
    }
    bool Finished() const { return m_steps.empty(); }
    bool TimedOut() const { return m_timedOut; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        Script* script = s_current;
        if (script == nullptr) return;
        if (++script->m_ticks > 750) {  // 15 s
            script->m_timedOut = true;
            script->Stop();
            for (const wchar_t* cls : {kTipClass, kLoginClass}) {
                while (HWND hWnd = FindVisible(cls)) ::DestroyWindow(hWnd);
            }
            return;
        }
        if (script->m_steps.empty()) return;
        Step step = script->m_steps.front();
        if (step()) script->m_steps.pop_front();
    }

    static Script* s_current;
    std::deque<Step> m_steps;
    UINT_PTR m_timer = 0;
    int m_ticks = 0;
    bool m_timedOut = false;
};

Script* Script::s_current = nullptr;

// Keeps every notification of a dialog after the dialog itself has seen it.
class NotifySpy : public UIToolkit::INotifyUI {
public:
    void Notify(UIToolkit::UINotify& msg) override {
        if (msg.type == L"click" || msg.type == L"selectchanged") {
            events.push_back(std::wstring(msg.type.GetData()) + L":" +
                             (msg.sender != nullptr ? msg.sender->GetName().GetData() : L""));
        }
    }
    std::vector<std::wstring> events;
};

// How a test enters its input: Return where the focus is, or a click on the OK button.
enum class Submit { ReturnInFocus, ClickOK };

class LoginFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        formtest::UseOwnResources();
        formtest::ParkPointer();
        standin::Reset();
        logintest::ClearDataFolder();
        ClearAccount();
        g_parentMessages.clear();
        parent = MakeParent();
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override {
        script.Stop();
        for (const wchar_t* cls : {kTipClass, kLoginClass}) {
            while (HWND hWnd = FindVisible(cls)) ::DestroyWindow(hWnd);
        }
        if (::IsWindow(parent)) ::DestroyWindow(parent);
        Pump();
        logintest::ClearDataFolder();
        ClearAccount();
    }

    // Creates the dialog over the parent and lays it out.
    VelaLoginForm* Open() {
        auto* form = new VelaLoginForm(L"Logon.xml", parent);
        if (form->CreateDialogWindow(parent) == nullptr) return nullptr;
        ::UpdateWindow(*form);
        dialog = *form;
        form->GetManager().AddNotifier(&spy);
        return form;
    }
    // Runs the dialog modally with the script, then delivers its message to the parent.
    int Run(VelaLoginForm* form) {
        script.Start();
        const int result = form->RunModal();
        script.Stop();
        Pump();
        EXPECT_FALSE(script.TimedOut());
        EXPECT_TRUE(script.Finished());
        return result;
    }

    static CControlUI* Find(VelaLoginForm* form, const wchar_t* name) {
        return form->GetManager().FindControlByName(name);
    }
    static bool Checked(VelaLoginForm* form, const wchar_t* name) {
        auto* box = static_cast<COptionUI*>(Find(form, name)->GetInterface(L"Option"));
        return box != nullptr && box->IsSelected();
    }
    static std::wstring FocusName(HWND hWnd) {
        UIToolkit::CWindowManagerUI* manager = ManagerOf(hWnd);
        CControlUI* focus = manager != nullptr ? manager->GetFocus() : nullptr;
        return focus != nullptr ? std::wstring(focus->GetName().GetData()) : std::wstring();
    }
    // Return to the window that has the keyboard (the native edit while an edit has the focus),
    // or a click on the OK button.
    void Enter(VelaLoginForm* form, Submit how) {
        if (how == Submit::ClickOK) {
            formtest::PostClick(dialog, Find(form, L"BtnOK"));
            return;
        }
        HWND target = ::GetFocus();
        if (target == nullptr || (target != dialog && !::IsChild(dialog, target))) target = dialog;
        formtest::PostKey(target, VK_RETURN);
    }
    void Type(VelaLoginForm* form, const wchar_t* account, const wchar_t* password) {
        Find(form, L"EditAccount")->SetText(account);
        Find(form, L"EditPWD")->SetText(password);
    }
    size_t LoginRequests() { return logintest::RestRequestLines("Sylk42.User.Login").size(); }

    HWND parent = nullptr;
    HWND dialog = nullptr;
    Script script;
    NotifySpy spy;
};

const wchar_t* HowText(Submit how) { return how == Submit::ClickOK ? L"OK button" : L"Return"; }

// ---------------------------------------------------------------------------------------------

TEST_F(LoginFormTest, ItsCheckAndTheServiceSayWhyItDidNotSignIn) {
    standin::SetAccount({"frozen", "pw", "79", "F", "tk79", "405", "\xE8\xB4\xA6\xE5\x8F\xB7\xE5\xB7\xB2\xE5\x86\xBB\xE7\xBB\x93", "", ""});
    struct {
        const wchar_t* account;
        const wchar_t* password;
        const char* behaviour;  // for /api/rest/
        const wchar_t* tip;
        const wchar_t* focus;
        size_t requests;
    } cases[] = {
        {L"", L"demo123", "", L"用户名不能为空", L"EditAccount", 0},
        {L"demo", L"", "", L"密码不能为空", L"EditPWD", 0},
        {L"demo", L"wrong", "", L"用户名或密码错误", L"EditAccount", 1},
        {L"frozen", L"pw", "", L"账号已冻结", L"EditAccount", 1},
        {L"demo", L"demo123", "status=502", L"网络连接超时, 请重试", L"EditAccount", 1},
    };
    for (Submit how : {Submit::ReturnInFocus, Submit::ClickOK}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testfiles::Narrow(std::wstring(HowText(how)) + L": " + c.tip));
            standin::Control("behave", "clear=1");
            if (c.behaviour[0] != '\0') {
                standin::Control("behave", std::string("prefix=/api/rest/&b=") + standin::Escape(c.behaviour));
            }
            g_parentMessages.clear();
            const size_t before = LoginRequests();
            VelaLoginForm* form = Open();
            ASSERT_NE(form, nullptr);
            Type(form, c.account, c.password);
            std::wstring tip, focus;
            bool stillOpen = false;
            script = Script();
            script.Do([&] { Enter(form, how); })
                .DismissTip(&tip)
                .WaitForDialog(dialog)
                .Do([&] {
                    stillOpen = ::IsWindowVisible(dialog) != FALSE;
                    focus = FocusName(dialog);
                    formtest::PostKey(dialog, VK_ESCAPE);
                });
            EXPECT_EQ(Run(form), 1);
            EXPECT_EQ(tip, c.tip);
            EXPECT_TRUE(stillOpen);
            EXPECT_EQ(focus, c.focus);
            EXPECT_EQ(Account.LastMsg, c.tip);
            EXPECT_EQ(LoginRequests() - before, c.requests);
            EXPECT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_CLOSED});
            EXPECT_FALSE(testfiles::Exists(testfiles::PlayerDataFolder() + L"\\data"));
        }
    }
}

// A refusal that brings no text of the service's still tells the user that it failed.
TEST_F(LoginFormTest, ARefusalWithoutTheServicesTextSaysThatSomethingWentWrong) {
    for (const char* reply : {"<rsp stat=\"fail\"/>", "<rsp stat=\"fail\"><err code=\"9\" msg=\"\"/></rsp>",
                              "<rsp stat=\"busy\"/>", "<?xml version=\"1.0\"?><!-- nothing -->"}) {
        SCOPED_TRACE(reply);
        standin::Control("reply", std::string("method=Sylk42.User.Login&xml=") + standin::Escape(reply));
        VelaLoginForm* form = Open();
        ASSERT_NE(form, nullptr);
        Type(form, L"demo", L"demo123");
        std::wstring tip;
        script = Script();
        script.Do([&] { Enter(form, Submit::ClickOK); }).DismissTip(&tip).WaitForDialog(dialog).Do([&] {
            formtest::PostKey(dialog, VK_ESCAPE);
        });
        EXPECT_EQ(Run(form), 1);
        EXPECT_EQ(tip, L"发生未知错误,请稍后重试");
    }
}

// However the login is entered, one request goes out, the parent hears of the login once, and
// the key reaches neither the focused button nor the focused box.
TEST_F(LoginFormTest, SigningInSendsOneRequestAndTellsTheParent) {
    struct {
        const char* label;
        Submit how;
        const wchar_t* focus;  // the control that has the focus when Return comes
    } cases[] = {
        {"Return in the password box", Submit::ReturnInFocus, L"EditPWD"},
        {"Return on the OK button", Submit::ReturnInFocus, L"BtnOK"},
        {"Return on the remember box", Submit::ReturnInFocus, L"CheckBoxPWD"},
        {"Return on the automatic box", Submit::ReturnInFocus, L"CheckBoxAuto"},
        {"a click on the OK button", Submit::ClickOK, L"EditAccount"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        logintest::WriteSettings(testfiles::PlayerDataFolder(), "0", "0", L"");
        ClearAccount();
        g_parentMessages.clear();
        const size_t before = LoginRequests();
        VelaLoginForm* form = Open();
        ASSERT_NE(form, nullptr);
        Type(form, L"demo", L"demo123");
        Find(form, c.focus)->SetFocus();
        spy.events.clear();
        script = Script();
        script.Do([&] { Enter(form, c.how); });
        EXPECT_EQ(Run(form), 1);
        std::vector<std::string> lines = logintest::RestRequestLines("Sylk42.User.Login");
        EXPECT_EQ(lines.size(), before + 1);
        if (!lines.empty()) {
            EXPECT_EQ(logintest::SignedParams(lines.back()), "&u_name=demo&u_pwd=demo123");
        }
        EXPECT_TRUE(logintest::SignatureOk("Sylk42.User.Login"));
        EXPECT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_OK});
        if (c.how == Submit::ClickOK) {
            EXPECT_EQ(spy.events, std::vector<std::wstring>{L"click:BtnOK"});
        } else {
            EXPECT_TRUE(spy.events.empty()) << testfiles::Narrow(spy.events.front());
        }
        EXPECT_EQ(Account.AccountName, L"demo");
        EXPECT_EQ(Account.UserID, L"90001");
        EXPECT_EQ(Account.UserName, L"Demo");
        EXPECT_EQ(Account.Token, L"tok90001");
        // Neither box was checked: the boxes and the account are saved, no password.
        EXPECT_EQ(logintest::SettingOf(testfiles::PlayerDataFolder(), L"a"), L"0");
        EXPECT_EQ(logintest::SettingOf(testfiles::PlayerDataFolder(), L"b"), L"0");
        EXPECT_EQ(logintest::SettingOf(testfiles::PlayerDataFolder(), L"c"), L"demo");
        EXPECT_EQ(logintest::SettingOf(testfiles::PlayerDataFolder(), L"d"), L"<none>");
        EXPECT_FALSE(testfiles::Exists(testfiles::PlayerDataFolder() + L"\\data"));
    }
}

TEST_F(LoginFormTest, EveryOtherEndTellsTheParentThatNobodySignedIn) {
    const wchar_t* const clicks[] = {L"BtnCancel", L"BtnClose", nullptr, nullptr};
    const WPARAM keys[] = {0, 0, VK_ESCAPE, 0};  // the last: the system's close command
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        g_parentMessages.clear();
        VelaLoginForm* form = Open();
        ASSERT_NE(form, nullptr);
        Type(form, L"demo", L"demo123");
        script = Script();
        script.Do([&, i] {
            if (clicks[i] != nullptr) {
                formtest::PostClick(dialog, Find(form, clicks[i]));
            } else if (keys[i] != 0) {
                formtest::PostKey(dialog, keys[i]);
            } else {
                ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        });
        EXPECT_EQ(Run(form), 1);
        EXPECT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_CLOSED});
        EXPECT_EQ(LoginRequests(), 0u);
        EXPECT_TRUE(Account.Token.empty());
    }
}

TEST_F(LoginFormTest, TheAutomaticBoxTakesTheRememberBoxAlong) {
    VelaLoginForm* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetResultMessage(), WM_LOGIN_CLOSED);
    EXPECT_STREQ(form->GetLayoutFileName().GetData(), L"Logon.xml");
    struct State {
        bool remember;
        bool automatic;
    };
    std::vector<State> seen;
    auto note = [&] { seen.push_back({Checked(form, L"CheckBoxPWD"), Checked(form, L"CheckBoxAuto")}); };
    script = Script();
    script.Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxAuto")); })
        .Do(note)  // automatic on: remember on too
        .Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxPWD")); })
        .Do(note)  // remember off on its own
        .Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxAuto")); })
        .Do(note)  // automatic off: remember stays as it was
        .Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxPWD")); })
        .Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxAuto")); })
        .Do(note)
        .Do([&] { formtest::PostKey(dialog, VK_ESCAPE); });
    EXPECT_EQ(Run(form), 1);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].remember && seen[0].automatic);
    EXPECT_TRUE(!seen[1].remember && seen[1].automatic);
    EXPECT_TRUE(!seen[2].remember && !seen[2].automatic);
    EXPECT_TRUE(seen[3].remember && seen[3].automatic);
}

TEST_F(LoginFormTest, ShowsWhatWasRemembered) {
    const std::wstring folder = testfiles::PlayerDataFolder();
    const std::wstring longPassword = L"密码密码密码密码密码-and-more";
    struct {
        const char* label;
        bool setIni;
        const char* a;
        const char* b;
        const wchar_t* password;  // in "data"; null: no file
        const wchar_t* shownPassword;
    } cases[] = {
        {"remember", true, "1", "0", L"secret", L"secret"},
        {"automatic alone reads the password too", true, "0", "1", longPassword.c_str(), longPassword.c_str()},
        {"a box without a remembered password", true, "1", "1", nullptr, L""},
        {"no box: the password is not read", true, "0", "0", L"secret", L""},
        {"no Set.ini", false, "1", "1", L"secret", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        logintest::ClearDataFolder();
        if (c.setIni) logintest::WriteSettings(folder, c.a, c.b, L"张三");
        if (c.password != nullptr) {
            ASSERT_TRUE(SaveRememberedPassword(folder, c.password));
        }
        VelaLoginForm* form = Open();
        ASSERT_NE(form, nullptr);
        EXPECT_STREQ(Find(form, L"EditAccount")->GetText().GetData(), c.setIni ? L"张三" : L"");
        EXPECT_EQ(Checked(form, L"CheckBoxPWD"), c.setIni && c.a[0] == '1');
        EXPECT_EQ(Checked(form, L"CheckBoxAuto"), c.setIni && c.b[0] == '1');
        EXPECT_STREQ(Find(form, L"EditPWD")->GetText().GetData(), c.shownPassword);
        EXPECT_EQ(FocusName(dialog), L"EditAccount");
        script = Script();
        script.Do([&] { formtest::PostKey(dialog, VK_ESCAPE); });
        EXPECT_EQ(Run(form), 1);
    }
}

// A password longer than one block is remembered whole, with a Chinese account, and the next
// dialog shows both; unchecking both boxes later leaves the file but stops using it.
TEST_F(LoginFormTest, ARememberedPasswordRoundTripsWhole) {
    const std::wstring folder = testfiles::PlayerDataFolder();
    const std::string password = "\xE5\xAF\x86\xE7\xA0\x81\xE5\xAF\x86\xE7\xA0\x81\xE5\xAF\x86\xE7\xA0\x81-long-password";
    standin::SetAccount({"\xE5\xBC\xA0\xE4\xB8\x89", password, "82", "Zhang", "tk82", "", "", "", ""});
    const std::wstring account = L"张三";
    const std::wstring typed = testfiles::Widen(password);
    logintest::WriteSettings(folder, "0", "0", L"");

    VelaLoginForm* form = Open();
    ASSERT_NE(form, nullptr);
    Type(form, account.c_str(), typed.c_str());
    script = Script();
    script.Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxAuto")); })
        .Do([&] { Enter(form, Submit::ReturnInFocus); });
    EXPECT_EQ(Run(form), 1);
    ASSERT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_OK});
    EXPECT_EQ(logintest::SettingOf(folder, L"a"), L"1");
    EXPECT_EQ(logintest::SettingOf(folder, L"b"), L"1");
    EXPECT_EQ(logintest::SettingOf(folder, L"c"), account);
    EXPECT_EQ(logintest::SettingOf(folder, L"d"), account);
    const std::string data = testfiles::ReadAll(folder + L"\\data");
    EXPECT_EQ(data.size(), 32u);  // 6 Chinese characters (12 bytes) and 14 more: two blocks
    EXPECT_EQ(data, EncipherPassword(typed));

    form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(Find(form, L"EditAccount")->GetText().GetData(), account.c_str());
    EXPECT_STREQ(Find(form, L"EditPWD")->GetText().GetData(), typed.c_str());
    // Both boxes off and a new login: the file stays, the settings no longer point at it.
    script = Script();
    script.Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxAuto")); })
        .Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxPWD")); })
        .Do([&] { formtest::PostClick(dialog, Find(form, L"BtnOK")); });
    EXPECT_EQ(Run(form), 1);
    EXPECT_EQ(logintest::SettingOf(folder, L"a"), L"0");
    EXPECT_EQ(logintest::SettingOf(folder, L"b"), L"0");
    EXPECT_EQ(testfiles::ReadAll(folder + L"\\data"), data);

    form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(Find(form, L"EditPWD")->GetText().GetData(), L"");
    script = Script();
    script.Do([&] { formtest::PostKey(dialog, VK_ESCAPE); });
    EXPECT_EQ(Run(form), 1);
}

TEST_F(LoginFormTest, WithoutSetIniNothingIsRemembered) {
    VelaLoginForm* form = Open();
    ASSERT_NE(form, nullptr);
    Type(form, L"demo", L"demo123");
    script = Script();
    script.Do([&] { formtest::PostClick(dialog, Find(form, L"CheckBoxPWD")); })
        .Do([&] { formtest::PostClick(dialog, Find(form, L"BtnOK")); });
    EXPECT_EQ(Run(form), 1);
    EXPECT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_OK});
    EXPECT_FALSE(testfiles::Exists(testfiles::PlayerDataFolder() + L"\\Set.ini"));
    EXPECT_FALSE(testfiles::Exists(testfiles::PlayerDataFolder() + L"\\data"));
}

// The web browser, as the registry names it, is started with the account pages.
class AccountPagesTest : public LoginFormTest {
protected:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

    void SetUp() override {
        LoginFormTest::SetUp();
        HKEY key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            wchar_t value[1024] = {};
            DWORD size = sizeof value - sizeof(wchar_t);
            m_hadValue = ::RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                         ERROR_SUCCESS;
            m_saved = value;
            ::RegCloseKey(key);
        }
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring dir(self);
        m_browser = dir.substr(0, dir.rfind(L'\\')) + L"\\page_recorder.exe";
        SetBrowser(m_browser);
        m_log = testfiles::FreshDir(L"pages") + L"\\pages.log";
        ::SetEnvironmentVariableW(L"VELA_PAGE_LOG", m_log.c_str());
    }
    void TearDown() override {
        if (m_hadValue) {
            SetBrowser(m_saved);
        } else {
            HKEY key;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                ::RegDeleteValueW(key, nullptr);
                ::RegCloseKey(key);
            }
        }
        ::SetEnvironmentVariableW(L"VELA_PAGE_LOG", nullptr);
        LoginFormTest::TearDown();
    }
    static void SetBrowser(const std::wstring& path) {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    // The log's lines once it holds count of them (or what it holds after 10 s).
    std::vector<std::string> LoggedLines(size_t count) {
        std::vector<std::string> lines;
        for (int i = 0; i < 200; ++i) {
            lines.clear();
            std::string text = testfiles::ReadAll(m_log);
            for (size_t pos = 0; pos < text.size();) {
                size_t end = text.find('\n', pos);
                if (end == std::string::npos) break;
                lines.push_back(text.substr(pos, end - pos));
                pos = end + 1;
            }
            if (lines.size() >= count) break;
            ::Sleep(50);
        }
        return lines;
    }

    bool m_hadValue = false;
    std::wstring m_saved;
    std::wstring m_browser;
    std::wstring m_log;
};

TEST_F(AccountPagesTest, RegisterAndForgottenPasswordOpenTheirPages) {
    VelaLoginForm* form = Open();
    ASSERT_NE(form, nullptr);
    script = Script();
    script.Do([&] { formtest::PostClick(dialog, Find(form, L"BtnRegAccount")); })
        .Do([&] { formtest::PostClick(dialog, Find(form, L"BtnForgetPWD")); })
        .Do([&] { formtest::PostKey(dialog, VK_ESCAPE); });
    EXPECT_EQ(Run(form), 1);
    std::vector<std::string> lines = LoggedLines(2);
    const std::string browser = "\"" + testfiles::Narrow(m_browser) + "\" ";
    const std::string host = standin::BaseUrl();
    std::sort(lines.begin(), lines.end());  // two processes: either may write first
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], browser + host + "/passport/find_pass.php");
    EXPECT_EQ(lines[1], browser + host + "/passport/reg.php");
    EXPECT_EQ(testfiles::Narrow(RegisterPageUrl()), host + "/passport/reg.php");
    EXPECT_EQ(g_parentMessages, std::vector<UINT>{WM_LOGIN_CLOSED});
}

}  // namespace
