// The account in the main window: the login dialog, what the window shows while a user is
// signed in or out, signing out, and the automatic login while the window is created.
#include "vela_main_form.h"

#include "account.h"
#include "info_tips_form.h"
#include "login_form.h"

namespace VelaUI {

namespace {

const wchar_t kLoadingUserText[] = L"用户信息加载中";

void Show(CControlUI* control, bool visible) {
    if (control == nullptr) return;
    control->SetVisible(visible);
    control->Invalidate();
}

}  // namespace

bool VelaMainForm::IsSignedIn() const { return m_btnLogout != nullptr && m_btnLogout->IsVisible(); }

void VelaMainForm::ShowLoginForm() { VelaDialogForm::ShowDialog(new VelaLoginForm(L"Logon.xml", m_hWnd), m_hWnd); }

void VelaMainForm::OnLoginMenu() {
    if (IsSignedIn()) {
        Logout();
    } else {
        ShowLoginForm();
    }
}

void VelaMainForm::OnLoggedIn() {
    if (m_closing) return;
    // The automatic login posts this while the window is created, so it can arrive before the
    // first paint that builds the local playlists. They are built first whatever the order, so
    // that they keep indexes 0 and 1 and the online ones follow them (and are never saved in
    // their place).
    InitLocalPlayLists();
    if (m_textUserName != nullptr) m_textUserName->SetText(kLoadingUserText);
    Show(m_btnLogin, false);
    Show(m_btnRegAccount, false);
    Show(m_textUserName, true);
    Show(m_btnLogout, true);
    LoadOnlinePlayLists();
}

int VelaMainForm::Logout() {
    if (!SendLogoutRequest()) {
        // Still signed in. Say why, also when no reply came at all.
        ShowInfoTip(kPictureWarning, Account.LastMsg.c_str(), m_hWnd);
        return -1;
    }
    if (m_textUserName != nullptr) m_textUserName->SetText(L"");
    Show(m_textUserName, false);
    Show(m_btnLogout, false);
    Show(m_btnLogin, true);
    Show(m_btnRegAccount, true);
    RemoveOnlinePlayLists();
    return 0;
}

void VelaMainForm::LoadLoginSettings() {
    switch (RunAutomaticLogin(m_dataFolder)) {
    case AutoLoginResult::SignedIn:
        PostMessage(WM_LOGIN_OK);
        break;
    case AutoLoginResult::Failed:
        // The window is not shown yet: the box comes before it.
        ShowInfoTip(kPictureWarning, AutoLoginFailureText().c_str(), m_hWnd);
        break;
    case AutoLoginResult::NotAsked:
        break;
    }
}

}  // namespace VelaUI
