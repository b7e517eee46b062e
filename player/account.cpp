#include "account.h"

#include <windows.h>

#include <cstring>

#include <tinyxml.h>

#include "info_tips_form.h"
#include "local_helpers.h"
#include "login_credentials.h"
#include "rest_request.h"
#include "track_info.h"

namespace VelaUI {

AccountState Account;

const wchar_t* const kNoReplyText = L"网络连接超时, 请重试";
const wchar_t* const kEmptyAccountText = L"用户名不能为空";
const wchar_t* const kEmptyPasswordText = L"密码不能为空";

namespace {

const wchar_t kAutoLoginFailed[] = L"自动登录失败：";

enum class ReplyStat { None, Ok, Fail, Other };

// The root element of a reply file and what its "stat" says. None: the file is missing or not
// XML (LastMsg then says that no reply came) or has no root element. A "fail" reply's code and
// message go to LastCode and LastMsg. The two are emptied first, so no earlier failure's text
// is ever shown for this reply.
ReplyStat ReadReply(const std::wstring& replyName, TiXmlDocument& doc, const TiXmlElement*& root) {
    Account.LastCode.clear();
    Account.LastMsg.clear();
    root = nullptr;
    const std::wstring path = RestReplyPath(replyName);
    if (path.empty() || !LoadXmlFile(doc, path)) {
        Account.LastMsg = kNoReplyText;
        return ReplyStat::None;
    }
    root = doc.RootElement();
    if (root == nullptr) return ReplyStat::None;
    const char* stat = root->Attribute("stat");
    if (stat != nullptr && std::strcmp(stat, "ok") == 0) return ReplyStat::Ok;
    if (stat == nullptr || std::strcmp(stat, "fail") != 0) return ReplyStat::Other;
    if (const TiXmlElement* err = root->FirstChildElement("err")) {
        Account.LastCode = Utf8ToCString(err->Attribute("code"));
        Account.LastMsg = Utf8ToCString(err->Attribute("msg"));
    }
    return ReplyStat::Fail;
}

// Sets field to the text of root's child element of that name, when there is one.
void TakeElement(const TiXmlElement* root, const char* name, std::wstring& field) {
    if (const TiXmlElement* element = root->FirstChildElement(name)) field = Utf8ToCString(element->GetText());
}

}  // namespace

bool ParseLoginReply(const std::wstring& replyName) {
    RestReplyLock hold(replyName);
    TiXmlDocument doc;
    const TiXmlElement* root = nullptr;
    if (ReadReply(replyName, doc, root) != ReplyStat::Ok) return false;
    TakeElement(root, "UserID", Account.UserID);
    TakeElement(root, "UserName", Account.UserName);
    TakeElement(root, "Token", Account.Token);
    return true;
}

bool CheckLogoutReply(const std::wstring& replyName) {
    RestReplyLock hold(replyName);
    TiXmlDocument doc;
    const TiXmlElement* root = nullptr;
    const ReplyStat stat = ReadReply(replyName, doc, root);
    return stat == ReplyStat::Ok || stat == ReplyStat::Other;
}

void ClearAccount() { Account = AccountState(); }

bool SendLoginRequest() {
    // Held across the request and the parse, so no other call replaces the reply in between.
    RestReplyLock hold(RestReply::Login);
    RestGetForUser(RestReply::Login, RestMethod::Login, Account.AccountName, "u_pwd", Account.Password, false);
    return ParseLoginReply(RestReply::Login);
}

bool SendLogoutRequest() {
    RestReplyLock hold(RestReply::Logout);
    RestGetForUser(RestReply::Logout, RestMethod::Logout, Account.AccountName, "tk", Account.Token, true);
    if (!CheckLogoutReply(RestReply::Logout)) return false;
    ClearAccount();
    return true;
}

AutoLoginResult RunAutomaticLogin(const std::wstring& dataFolder) {
    LoginSettings settings;
    if (!ReadLoginSettings(dataFolder, settings)) return AutoLoginResult::NotAsked;
    Account.AccountName = settings.account;
    if (!settings.autoLogin) return AutoLoginResult::NotAsked;
    Account.Password = LoadRememberedPassword(dataFolder);
    // The service would only refuse these; the login dialog never sends them either.
    if (Account.AccountName.empty() || Account.Password.empty()) {
        Account.LastCode.clear();
        Account.LastMsg = Account.AccountName.empty() ? kEmptyAccountText : kEmptyPasswordText;
        return AutoLoginResult::Failed;
    }
    return SendLoginRequest() ? AutoLoginResult::SignedIn : AutoLoginResult::Failed;
}

std::wstring AutoLoginFailureText() {
    // A refusal without a text of the service's still says that the login failed.
    return kAutoLoginFailed + (Account.LastMsg.empty() ? std::wstring(kUnknownFailureText) : Account.LastMsg);
}

}  // namespace VelaUI
