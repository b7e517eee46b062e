// The account state: the login and logout replies, the remembered password and [Login] of
// "Set.ini" as bytes, and the login, logout and automatic login against the stand-in.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account.h"
#include "login_credentials.h"
#include "login_test_util.h"
#include "standin_catalogue.h"
#include "standin_client.h"
#include "test_files.h"

using namespace VelaUI;

namespace {

const wchar_t kCaseReply[] = L"login-case";
const char* const kMissing = nullptr;  // the reply file does not exist

std::wstring DataPath(const std::wstring& name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

void WriteReply(const char* bytes) {
    DeleteFileW(DataPath(kCaseReply).c_str());
    if (bytes != kMissing) testfiles::WriteAll(DataPath(kCaseReply), bytes);
}

// An account in the middle of its life: signed in once, with an old failure on record.
AccountState Earlier() {
    AccountState a;
    a.AccountName = L"acc";
    a.Password = L"pw";
    a.UserID = L"old-id";
    a.UserName = L"old-name";
    a.Token = L"old-token";
    a.LastCode = L"old-code";
    a.LastMsg = L"old-msg";
    return a;
}

struct ReplyCase {
    const char* label;
    const char* file;
    bool result;
    const wchar_t* userId;
    const wchar_t* userName;
    const wchar_t* token;
    const wchar_t* lastCode;
    const wchar_t* lastMsg;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.label; }

class ReplyFile : public ::testing::Test {
protected:
    void SetUp() override { CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr); }
    void TearDown() override {
        DeleteFileW(DataPath(kCaseReply).c_str());
        ClearAccount();
    }
};

class LoginReply : public ReplyFile, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(LoginReply, FillsTheAccountOrSaysWhy) {
    const ReplyCase& c = GetParam();
    WriteReply(c.file);
    Account = Earlier();
    EXPECT_EQ(ParseLoginReply(kCaseReply), c.result);
    EXPECT_EQ(Account.UserID, c.userId);
    EXPECT_EQ(Account.UserName, c.userName);
    EXPECT_EQ(Account.Token, c.token);
    EXPECT_EQ(Account.LastCode, c.lastCode);
    EXPECT_EQ(Account.LastMsg, c.lastMsg);
    EXPECT_EQ(Account.AccountName, L"acc");  // the typed account and password are the caller's
    EXPECT_EQ(Account.Password, L"pw");
}

const wchar_t kTimeout[] = L"网络连接超时, 请重试";

INSTANTIATE_TEST_SUITE_P(
    Replies, LoginReply,
    ::testing::Values(
        ReplyCase{"ok", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rsp stat=\"ok\"><UserID>7</UserID>"
                        "<UserName>Demo</UserName><Token>t-7</Token></rsp>",
                  true, L"7", L"Demo", L"t-7", L"", L""},
        ReplyCase{"ok under a root of another name", "<response stat=\"ok\"><Token>t-8</Token></response>", true,
                  L"old-id", L"old-name", L"t-8", L"", L""},
        ReplyCase{"ok without Token keeps the previous one", "<rsp stat=\"ok\"><UserID>7</UserID><UserName>D</UserName></rsp>",
                  true, L"7", L"D", L"old-token", L"", L""},
        ReplyCase{"ok with an empty Token element", "<rsp stat=\"ok\"><UserID>7</UserID><Token/></rsp>", true, L"7",
                  L"old-name", L"", L"", L""},
        ReplyCase{"elements deeper down are not the account's",
                  "<rsp stat=\"ok\"><user><UserID>9</UserID></user></rsp>", true, L"old-id", L"old-name",
                  L"old-token", L"", L""},
        // UTF-8 of one, two, three and four bytes: "Aé张😀", and the same through character references.
        ReplyCase{"UTF-8 names", "<rsp stat=\"ok\"><UserName>A\xC3\xA9\xE5\xBC\xA0\xF0\x9F\x98\x80</UserName></rsp>", true,
                  L"old-id", L"A\x00E9\x5F20\xD83D\xDE00", L"old-token", L"", L""},
        ReplyCase{"character references", "<rsp stat=\"ok\"><UserName>&#xE9;&#x5F20;&#x1F600;</UserName></rsp>", true,
                  L"old-id", L"\x00E9\x5F20\xD83D\xDE00", L"old-token", L"", L""},
        ReplyCase{"fail with the service's code and text",
                  "<rsp stat=\"fail\"><err code=\"301\" msg=\"\xE7\x94\xA8\xE6\x88\xB7\xE5\x90\x8D\xE6\x88\x96\xE5\xAF\x86"
                  "\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF\"/></rsp>",
                  false, L"old-id", L"old-name", L"old-token", L"301", L"用户名或密码错误"},
        ReplyCase{"fail without err leaves no old text behind", "<rsp stat=\"fail\"/>", false, L"old-id", L"old-name",
                  L"old-token", L"", L""},
        ReplyCase{"another stat", "<rsp stat=\"busy\"><UserID>9</UserID></rsp>", false, L"old-id", L"old-name",
                  L"old-token", L"", L""},
        ReplyCase{"no stat", "<rsp><UserID>9</UserID></rsp>", false, L"old-id", L"old-name", L"old-token", L"", L""},
        ReplyCase{"no root element", "<?xml version=\"1.0\"?><!-- nothing -->", false, L"old-id", L"old-name",
                  L"old-token", L"", L""},
        ReplyCase{"not XML", "<html><body>502 Bad Gateway", false, L"old-id", L"old-name", L"old-token", L"",
                  kTimeout},
        ReplyCase{"cut inside a character", "<rsp stat=\"ok\"><UserName>\xE5\xBC", false, L"old-id", L"old-name",
                  L"old-token", L"", kTimeout},
        ReplyCase{"missing file", kMissing, false, L"old-id", L"old-name", L"old-token", L"", kTimeout}));

struct LogoutCase {
    const char* label;
    const char* file;
    bool result;
    const wchar_t* lastCode;
    const wchar_t* lastMsg;
};

void PrintTo(const LogoutCase& c, std::ostream* os) { *os << c.label; }

class LogoutReply : public ReplyFile, public ::testing::WithParamInterface<LogoutCase> {};

TEST_P(LogoutReply, ConfirmsOrSaysWhy) {
    const LogoutCase& c = GetParam();
    WriteReply(c.file);
    Account = Earlier();
    EXPECT_EQ(CheckLogoutReply(kCaseReply), c.result);
    EXPECT_EQ(Account.LastCode, c.lastCode);
    EXPECT_EQ(Account.LastMsg, c.lastMsg);
    EXPECT_EQ(Account.Token, L"old-token");  // checking never signs out by itself
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LogoutReply,
    ::testing::Values(LogoutCase{"ok", "<rsp stat=\"ok\"></rsp>", true, L"", L""},
                      LogoutCase{"another stat counts as confirmed", "<rsp stat=\"later\"/>", true, L"", L""},
                      LogoutCase{"fail", "<rsp stat=\"fail\"><err code=\"302\" msg=\"Invalid token\"/></rsp>", false,
                                 L"302", L"Invalid token"},
                      LogoutCase{"no root element", "<?xml version=\"1.0\"?>", false, L"", L""},
                      LogoutCase{"not XML", "Service Unavailable", false, L"", kTimeout},
                      LogoutCase{"no reply at all", kMissing, false, L"", kTimeout}));

// The remembered password's file, byte for byte. The one-block files are those of earlier
// versions (fixed by the cipher's own tests); a longer password takes as many blocks as it needs.
TEST(RememberedPassword, FileBytes) {
    const std::string sixteen = "0123456789abcdef";
    struct {
        std::wstring password;
        std::string hexPrefix;  // the file starts with these bytes
        size_t size;
    } cases[] = {
        {L"secret", "d6257ed65e094771c12222e446587061", 16},
        {L"0123456789abcdef", "49abda993e4a0473bb641476c809fb34", 16},
        {L"0123456789abcdefXYZ", "49abda993e4a0473bb641476c809fb34", 32},
        {L"0123456789abcdef0123456789abcdef", "49abda993e4a0473bb641476c809fb3449abda993e4a0473bb641476c809fb34", 32},
        {L"", "", 16},
        // Ten Chinese characters are 20 bytes in the ANSI code page 936: two blocks.
        {L"密码密码密码密码密码", "", 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.password));
        const std::string file = EncipherPassword(c.password);
        EXPECT_EQ(file.size(), c.size);
        EXPECT_EQ(logintest::Hex(file).compare(0, c.hexPrefix.size(), c.hexPrefix), 0) << logintest::Hex(file);
        EXPECT_EQ(DecipherPassword(file), c.password);
    }
}

TEST(RememberedPassword, FilesThatHoldNoPasswordGiveNone) {
    // An earlier version's one-block file of a longer password still reads as its first block.
    EXPECT_EQ(DecipherPassword(logintest::Unhex("49abda993e4a0473bb641476c809fb34")), L"0123456789abcdef");
    const std::string whole = EncipherPassword(L"secret");
    for (const std::string& bytes : {std::string(), whole.substr(0, 10), whole + "x", std::string(4112, 'z')}) {
        EXPECT_EQ(DecipherPassword(bytes), L"") << bytes.size();
    }
}

TEST(RememberedPassword, SavedAndLoadedInTheDataFolder) {
    const std::wstring folder = testfiles::FreshDir(L"data");
    EXPECT_EQ(LoadRememberedPassword(folder), L"");  // no file
    const std::wstring password = L"a much longer password than sixteen bytes";
    ASSERT_TRUE(SaveRememberedPassword(folder, password));
    EXPECT_EQ(testfiles::ReadAll(folder + L"\\data").size(), 48u);
    EXPECT_EQ(LoadRememberedPassword(folder), password);
    ASSERT_TRUE(SaveRememberedPassword(folder, L"short"));
    EXPECT_EQ(testfiles::ReadAll(folder + L"\\data").size(), 16u);  // replaced, not overwritten in part
    EXPECT_EQ(LoadRememberedPassword(folder), L"short");
    testfiles::RemoveTree(folder);
}

TEST(LoginSettingsFile, ReadAndWrittenOnlyWhenSetIniExists) {
    const std::wstring folder = testfiles::FreshDir(L"settings");
    LoginSettings settings;
    settings.account = L"unchanged";
    EXPECT_FALSE(ReadLoginSettings(folder, settings));
    EXPECT_EQ(settings.account, L"unchanged");
    EXPECT_FALSE(WriteLoginSettings(folder, settings, true));
    EXPECT_FALSE(testfiles::Exists(folder + L"\\Set.ini"));  // never created here

    logintest::WriteSettings(folder, "1", "0", L"张三");
    ASSERT_TRUE(ReadLoginSettings(folder, settings));
    EXPECT_TRUE(settings.rememberPassword);
    EXPECT_FALSE(settings.autoLogin);
    EXPECT_EQ(settings.account, L"张三");

    settings = LoginSettings();
    settings.autoLogin = true;
    settings.account = L"李四";
    ASSERT_TRUE(WriteLoginSettings(folder, settings, true));
    EXPECT_EQ(logintest::SettingOf(folder, L"a"), L"0");
    EXPECT_EQ(logintest::SettingOf(folder, L"b"), L"1");
    EXPECT_EQ(logintest::SettingOf(folder, L"c"), L"李四");
    EXPECT_EQ(logintest::SettingOf(folder, L"d"), L"李四");
    settings.account = L"王五";
    ASSERT_TRUE(WriteLoginSettings(folder, settings, false));
    EXPECT_EQ(logintest::SettingOf(folder, L"c"), L"王五");
    EXPECT_EQ(logintest::SettingOf(folder, L"d"), L"李四");  // d only with a remembered password
    testfiles::RemoveTree(folder);
}

// ---------------------------------------------------------------------------------------------
// Against the stand-in

class AccountRequests : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logintest::ClearDataFolder();
        ClearAccount();
    }
    void TearDown() override {
        logintest::ClearDataFolder();
        ClearAccount();
    }
};

TEST_F(AccountRequests, LoginSendsTheAccountAndReadsTheReply) {
    standin::SetAccount({"张三", "密码 & 更多", "77", "A\xC3\xA9\xE5\xBC\xA0\xF0\x9F\x98\x80", "tk77", "", "", "", ""});
    standin::SetAccount({"notoken", "pw", "78", "NoToken", "", "", "", "", ""});
    standin::SetAccount({"frozen", "pw", "79", "F", "tk79", "405", "\xE8\xB4\xA6\xE5\x8F\xB7\xE5\xB7\xB2\xE5\x86\xBB\xE7\xBB\x93", "", ""});
    struct {
        const wchar_t* account;
        const wchar_t* password;
        const char* params;  // the signed parameters as sent (GBK bytes, percent-encoded)
        bool result;
        const wchar_t* userName;
        const wchar_t* token;
        const wchar_t* lastCode;
        const wchar_t* lastMsg;
    } cases[] = {
        {L"demo", L"demo123", "&u_name=demo&u_pwd=demo123", true, L"Demo", L"tok90001", L"", L""},
        {L"张三", L"密码 & 更多", "&u_name=%D5%C5%C8%FD&u_pwd=%C3%DC%C2%EB%20%26%20%B8%FC%B6%E0", true,
         L"A\x00E9\x5F20\xD83D\xDE00", L"tk77", L"", L""},
        {L"notoken", L"pw", "&u_name=notoken&u_pwd=pw", true, L"NoToken", L"earlier", L"", L""},
        {L"demo", L"wrong", "&u_name=demo&u_pwd=wrong", false, L"", L"earlier", L"301", L"用户名或密码错误"},
        {L"frozen", L"pw", "&u_name=frozen&u_pwd=pw", false, L"", L"earlier", L"405", L"账号已冻结"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.account) + " / " + testfiles::Narrow(c.password));
        ClearAccount();
        Account.Token = L"earlier";
        Account.AccountName = c.account;
        Account.Password = c.password;
        size_t before = logintest::RestRequestLines("Sylk42.User.Login").size();
        EXPECT_EQ(SendLoginRequest(), c.result);
        std::vector<std::string> lines = logintest::RestRequestLines("Sylk42.User.Login");
        ASSERT_EQ(lines.size(), before + 1);
        EXPECT_EQ(logintest::SignedParams(lines.back()), c.params) << lines.back();
        EXPECT_TRUE(logintest::SignatureOk("Sylk42.User.Login"));
        EXPECT_EQ(Account.UserName, c.userName);
        EXPECT_EQ(Account.Token, c.token);
        EXPECT_EQ(Account.LastCode, c.lastCode);
        EXPECT_EQ(Account.LastMsg, c.lastMsg);
    }
}

TEST_F(AccountRequests, LoginWithoutAnAnswerSaysSo) {
    standin::Control("behave", "prefix=/api/rest/&b=" + standin::Escape("status=503"));
    Account.AccountName = L"demo";
    Account.Password = L"demo123";
    EXPECT_FALSE(SendLoginRequest());
    EXPECT_EQ(Account.LastMsg, L"网络连接超时, 请重试");
    EXPECT_FALSE(testfiles::Exists(DataPath(L"login")));
}

TEST_F(AccountRequests, LogoutSignsOutOnlyWhenTheServiceConfirms) {
    struct {
        const char* label;
        const wchar_t* account;
        const wchar_t* token;
        const char* behaviour;  // for /api/rest/
        const char* params;
        bool result;
        const wchar_t* lastCode;
        const wchar_t* lastMsg;
    } cases[] = {
        {"confirmed", L"demo", L"tok90001", "", "&u_name=demo&tk=tok90001", true, L"", L""},
        {"wrong token", L"demo", L"stale", "", "&u_name=demo&tk=stale", false, L"302", L"Invalid token"},
        {"refused by the service", L"leaving", L"tk80", "", "&u_name=leaving&tk=tk80", false, L"509", L"系统繁忙"},
        {"no answer", L"demo", L"tok90001", "status=500", "&u_name=demo&tk=tok90001", false, L"", L"网络连接超时, 请重试"},
        {"answer cut short", L"demo", L"tok90001", "cut=12", "&u_name=demo&tk=tok90001", false, L"", L"网络连接超时, 请重试"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        standin::SetAccount({"leaving", "pw", "80", "L", "tk80", "", "", "509", "\xE7\xB3\xBB\xE7\xBB\x9F\xE7\xB9\x81\xE5\xBF\x99"});
        if (c.behaviour[0] != '\0') standin::Control("behave", std::string("prefix=/api/rest/&b=") + standin::Escape(c.behaviour));
        ClearAccount();
        Account.AccountName = c.account;
        Account.Password = L"pw";
        Account.UserID = L"90001";
        Account.UserName = L"Demo";
        Account.Token = c.token;
        EXPECT_EQ(SendLogoutRequest(), c.result);
        std::vector<std::string> lines = logintest::RestRequestLines("Sylk42.User.Logout");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(logintest::SignedParams(lines[0]), c.params);
        EXPECT_TRUE(logintest::SignatureOk("Sylk42.User.Logout"));
        if (c.result) {
            EXPECT_EQ(Account.AccountName, L"");
            EXPECT_EQ(Account.Password, L"");
            EXPECT_EQ(Account.UserID, L"");
            EXPECT_EQ(Account.Token, L"");
        } else {
            EXPECT_EQ(Account.AccountName, c.account);  // still signed in
            EXPECT_EQ(Account.UserID, L"90001");
            EXPECT_EQ(Account.Token, c.token);
        }
        EXPECT_EQ(Account.LastCode, c.lastCode);
        EXPECT_EQ(Account.LastMsg, c.lastMsg);
    }
}

TEST_F(AccountRequests, AutomaticLoginFollowsTheSettings) {
    const std::wstring longPassword = L"a password longer than one block";
    standin::SetAccount({"long", "a password longer than one block", "81", "Long", "tk81", "", "", "", ""});
    struct {
        const char* label;
        bool setIni;
        const char* b;
        const wchar_t* account;
        const wchar_t* password;  // the remembered password; null: no "data"
        AutoLoginResult result;
        const char* params;       // the login request's; null: none sent
        const wchar_t* accountName;
        const wchar_t* failure;
    } cases[] = {
        {"no Set.ini", false, "1", L"demo", L"demo123", AutoLoginResult::NotAsked, nullptr, L"before", L""},
        {"automatic login off", true, "0", L"demo", L"demo123", AutoLoginResult::NotAsked, nullptr, L"demo", L""},
        {"signed in", true, "1", L"demo", L"demo123", AutoLoginResult::SignedIn, "&u_name=demo&u_pwd=demo123", L"demo",
         L""},
        {"a long remembered password", true, "1", L"long", longPassword.c_str(), AutoLoginResult::SignedIn,
         "&u_name=long&u_pwd=a%20password%20longer%20than%20one%20block", L"long", L""},
        {"wrong password", true, "1", L"demo", L"old", AutoLoginResult::Failed, "&u_name=demo&u_pwd=old", L"demo",
         L"自动登录失败：用户名或密码错误"},
        {"no remembered password", true, "1", L"demo", nullptr, AutoLoginResult::Failed, nullptr, L"demo",
         L"自动登录失败：密码不能为空"},
        {"no account", true, "1", L"", L"demo123", AutoLoginResult::Failed, nullptr, L"", L"自动登录失败：用户名不能为空"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring folder = testfiles::FreshDir(L"auto");
        if (c.setIni) logintest::WriteSettings(folder, "1", c.b, c.account);
        if (c.password != nullptr) {
            ASSERT_TRUE(SaveRememberedPassword(folder, c.password));
        }
        ClearAccount();
        Account.AccountName = L"before";
        size_t before = logintest::RestRequestLines("Sylk42.User.Login").size();
        EXPECT_EQ(RunAutomaticLogin(folder), c.result);
        std::vector<std::string> lines = logintest::RestRequestLines("Sylk42.User.Login");
        if (c.params == nullptr) {
            EXPECT_EQ(lines.size(), before);
        } else {
            ASSERT_EQ(lines.size(), before + 1);
            EXPECT_EQ(logintest::SignedParams(lines.back()), c.params);
        }
        EXPECT_EQ(Account.AccountName, c.accountName);
        if (c.result == AutoLoginResult::SignedIn) {
            EXPECT_FALSE(Account.Token.empty());
        }
        if (c.result == AutoLoginResult::Failed) {
            EXPECT_EQ(AutoLoginFailureText(), c.failure);
        }
        testfiles::RemoveTree(folder);
    }
}

}  // namespace
