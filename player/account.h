// The signed-in account: the process-wide account state, the login and logout replies of the
// service, the requests that sign in and out, and the automatic login at start.
#pragma once

#include <string>

namespace VelaUI {

// Set at login, read by the requests made for the user, cleared at logout. No lock: every
// writer runs on the UI thread.
struct AccountState {
    std::wstring AccountName;  // the account as typed or remembered
    std::wstring Password;     // the password as typed or remembered
    std::wstring UserID;       // from the login reply
    std::wstring UserName;     // from the login reply
    std::wstring Token;        // from the login reply; the logout request sends it
    std::wstring LastCode;     // error code of the last failed reply
    std::wstring LastMsg;      // text for the user about the last failure
};

extern AccountState Account;

// Texts for the user: no reply (or no readable reply) came; the account or the password is empty.
extern const wchar_t* const kNoReplyText;
extern const wchar_t* const kEmptyAccountText;
extern const wchar_t* const kEmptyPasswordText;

// Reads the login reply file of that name in the data folder. "ok": UserID, UserName and Token
// are taken from their elements (a missing element leaves its field as it was) and the result
// is true. Otherwise false, with LastCode and LastMsg those of the service's "fail" reply, or
// LastMsg kNoReplyText when the file is missing or not XML, or both empty when the reply says
// nothing usable. Values are decoded as UTF-8.
bool ParseLoginReply(const std::wstring& replyName);

// Reads the logout reply file of that name. False when the file is missing or not XML (LastMsg
// kNoReplyText), has no root element (LastMsg empty) or says "fail" (LastCode and LastMsg of
// the service); true otherwise, whatever else "stat" says.
bool CheckLogoutReply(const std::wstring& replyName);

// Empties every field of the account state.
void ClearAccount();

// Signs in with AccountName and Password ("Sylk42.User.Login", reply "login"), synchronously;
// the result is that of ParseLoginReply.
bool SendLoginRequest();

// Signs out with AccountName and Token ("Sylk42.User.Logout", reply "logout"), synchronously.
// True when the service confirmed it: the account state is then cleared. False leaves the
// account signed in, with LastMsg telling why (empty when the service gave no reason).
bool SendLogoutRequest();

enum class AutoLoginResult {
    NotAsked,  // no "Set.ini", or automatic login is off
    SignedIn,  // the main window goes on as after a login
    Failed,    // LastMsg tells why
};

// The automatic login at start, from the settings and the remembered password of dataFolder:
// AccountName = [Login] c; only when [Login] b is on, the remembered password is read and the
// login request sent. Without "Set.ini" nothing changes. An empty account or a missing
// remembered password fails without a request, with the dialog's own texts.
AutoLoginResult RunAutomaticLogin(const std::wstring& dataFolder);

// The first line of the box that reports a failed automatic login.
std::wstring AutoLoginFailureText();

}  // namespace VelaUI
