#include "login_form.h"

#include "account.h"
#include "info_tips_form.h"
#include "local_helpers.h"
#include "login_credentials.h"
#include "vela_deployment.h"

namespace VelaUI {

namespace {

const UINT kLoginLayout = 204;
const wchar_t kAccountPages[] = L"http://" VELA_ACCOUNT_HOST;
const wchar_t kRegisterPath[] = L"/passport/reg.php";
const wchar_t kFindPasswordPath[] = L"/passport/find_pass.php";

}  // namespace

std::wstring RegisterPageUrl() { return std::wstring(kAccountPages) + kRegisterPath; }

std::wstring FindPasswordPageUrl() { return std::wstring(kAccountPages) + kFindPasswordPath; }

VelaLoginForm::VelaLoginForm(const wchar_t* layoutFile, HWND parent)
    : VelaDialogForm(kLoginLayout, layoutFile),
      m_parent(parent),
      m_resultMessage(WM_LOGIN_CLOSED),
      m_resultPosted(false),
      m_editAccount(nullptr),
      m_editPassword(nullptr),
      m_checkPassword(nullptr),
      m_checkAuto(nullptr),
      m_btnOK(nullptr),
      m_btnClose(nullptr),
      m_btnCancel(nullptr),
      m_btnRegister(nullptr),
      m_btnForgotPassword(nullptr) {}

const wchar_t* VelaLoginForm::GetWindowClassName() const { return L"VelaUI::VelaLoginForm"; }

void VelaLoginForm::InitControls() {
    m_resultMessage = WM_LOGIN_CLOSED;
    GetBrowserPath(m_browserPath);
    m_editAccount = FindControl(L"EditAccount");
    m_editPassword = FindControl(L"EditPWD");
    m_checkPassword = FindControl(L"CheckBoxPWD");
    m_checkAuto = FindControl(L"CheckBoxAuto");
    m_btnOK = FindControl(L"BtnOK");
    m_btnClose = FindControl(L"BtnClose");
    m_btnCancel = FindControl(L"BtnCancel");
    m_btnRegister = FindControl(L"BtnRegAccount");
    m_btnForgotPassword = FindControl(L"BtnForgetPWD");
    if (m_editAccount != nullptr) m_editAccount->SetFocus();
    GetUserDataFolder(m_dataFolder);
    LoadCredentials();
}

LRESULT VelaLoginForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // However the dialog ends, its parent learns of it once; the close itself goes on.
    if (message == WM_CLOSE && !m_resultPosted) {
        m_resultPosted = true;
        if (m_parent != nullptr) ::PostMessageW(m_parent, m_resultMessage, 0, 0);
    }
    return VelaDialogForm::HandleMessage(message, wParam, lParam);
}

void VelaLoginForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    CControlUI* sender = msg.sender;
    if (sender == m_btnClose || sender == m_btnCancel) {
        Close(1);
    } else if (sender == m_btnOK) {
        Submit();
    } else if (sender == m_checkAuto) {
        // The click comes before the box changes: a box about to be checked takes the
        // remembered password along, which the automatic login needs.
        if (!IsChecked(m_checkAuto)) SetChecked(m_checkPassword, true);
    } else if (sender == m_btnRegister) {
        OpenRegisterPage();
    } else if (sender == m_btnForgotPassword) {
        OpenFindPasswordPage();
    }
}

LRESULT VelaLoginForm::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (message != WM_KEYDOWN) return 0;
    if (wParam == VK_ESCAPE) {
        Close(1);
    } else if (wParam == VK_RETURN) {
        // Marked before the login runs: the dialog may be gone when it returns.
        handled = true;
        Submit();
    }
    return 0;
}

void VelaLoginForm::Submit() {
    if (Validate() != 0) return;
    SaveCredentials();
    m_resultMessage = WM_LOGIN_OK;
    Close(1);
}

int VelaLoginForm::Validate() {
    if (TextOf(m_editAccount).empty()) {
        Account.LastMsg = kEmptyAccountText;
        ShowFailure(m_editAccount);
        return -1;
    }
    if (TextOf(m_editPassword).empty()) {
        Account.LastMsg = kEmptyPasswordText;
        ShowFailure(m_editPassword);
        return -1;
    }
    return Login();
}

int VelaLoginForm::Login() {
    Account.AccountName = TextOf(m_editAccount);
    Account.Password = TextOf(m_editPassword);
    if (SendLoginRequest()) return 0;
    ShowFailure(m_editAccount);
    return -1;
}

void VelaLoginForm::ShowFailure(CControlUI* focusControl) {
    // The tip runs a message loop of its own, in which the dialog could be destroyed (its owner
    // closing): only locals are trusted until the window is known to be alive.
    const HWND self = m_hWnd;
    ShowInfoTip(kPictureWarning, Account.LastMsg.c_str(), self);
    if (::IsWindow(self) && focusControl != nullptr) focusControl->SetFocus();
}

void VelaLoginForm::LoadCredentials() {
    LoginSettings settings;
    if (!ReadLoginSettings(m_dataFolder, settings)) return;
    if (m_editAccount != nullptr) m_editAccount->SetText(settings.account.c_str());
    if (settings.rememberPassword) SetChecked(m_checkPassword, true);
    if (settings.autoLogin) SetChecked(m_checkAuto, true);
    if (!IsChecked(m_checkPassword) && !IsChecked(m_checkAuto)) return;
    // Without a remembered password the box stays empty rather than showing what a
    // deciphered nothing would give.
    if (m_editPassword != nullptr) m_editPassword->SetText(LoadRememberedPassword(m_dataFolder).c_str());
}

void VelaLoginForm::SaveCredentials() {
    LoginSettings settings;
    settings.rememberPassword = IsChecked(m_checkPassword);
    settings.autoLogin = IsChecked(m_checkAuto);
    settings.account = TextOf(m_editAccount);
    const bool remember = settings.rememberPassword || settings.autoLogin;
    if (!WriteLoginSettings(m_dataFolder, settings, remember)) return;
    if (remember) SaveRememberedPassword(m_dataFolder, Account.Password);
}

void VelaLoginForm::OpenRegisterPage() { OpenPage(RegisterPageUrl()); }

void VelaLoginForm::OpenFindPasswordPage() { OpenPage(FindPasswordPageUrl()); }

void VelaLoginForm::OpenPage(const std::wstring& url) {
    RunCommandLine(m_browserPath + L" " + url);
}

std::wstring VelaLoginForm::TextOf(CControlUI* control) const {
    return control != nullptr ? std::wstring(control->GetText().GetData()) : std::wstring();
}

bool VelaLoginForm::IsChecked(CControlUI* option) const {
    auto* box = option != nullptr ? static_cast<UIToolkit::COptionUI*>(option->GetInterface(L"Option")) : nullptr;
    return box != nullptr && box->IsSelected();
}

void VelaLoginForm::SetChecked(CControlUI* option, bool checked) {
    auto* box = option != nullptr ? static_cast<UIToolkit::COptionUI*>(option->GetInterface(L"Option")) : nullptr;
    if (box != nullptr) box->SetSelected(checked);
}

}  // namespace VelaUI
