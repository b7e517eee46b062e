// The login dialog: account and password, remember-password and automatic-login boxes, the
// register and forgotten-password pages. It signs in itself and tells its parent window how it
// ended.
#pragma once

#include <string>

#include "vela_dialog.h"

namespace VelaUI {

// Posted to the parent window when the dialog closes (wParam 0, lParam 0). The main window's
// message header will name these numbers too.
constexpr UINT WM_LOGIN_CLOSED = 1088;  // closed without a login
constexpr UINT WM_LOGIN_OK = 1089;      // signed in: the account state is filled

// The service's account pages, also opened from the main window.
std::wstring RegisterPageUrl();
std::wstring FindPasswordPageUrl();

class VelaLoginForm : public VelaDialogForm {
public:
    VelaLoginForm(const wchar_t* layoutFile, HWND parent);

    HWND GetParentWindow() const { return m_parent; }
    UINT GetResultMessage() const { return m_resultMessage; }

    // Checks the two texts and signs in: 0 when signed in; -1 after the tip that says why not.
    int Validate();
    // Signs in with the typed account and password: 0, or -1 after the tip with the failure.
    int Login();
    // Shows the remembered account, boxes and password (when a box is checked).
    void LoadCredentials();
    // Remembers the account and the boxes, and the password when a box is checked.
    void SaveCredentials();
    // Start the web browser with the service's registration / forgotten-password page.
    void OpenRegisterPage();
    void OpenFindPasswordPage();

    void Notify(UINotify& msg) override;
    // Esc closes the dialog; Return signs in as the OK button does and goes no further, so the
    // focused button or box never acts on it as well.
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void InitControls() override;

private:
    // Validate; when signed in, remember the credentials and close with the login's result.
    void Submit();
    // Shows LastMsg in a tip over the dialog, then focuses focusControl unless the dialog went
    // away while the tip was up (this object is then gone too: the caller must not touch it).
    void ShowFailure(CControlUI* focusControl);
    void OpenPage(const std::wstring& url);
    std::wstring TextOf(CControlUI* control) const;
    bool IsChecked(CControlUI* option) const;
    void SetChecked(CControlUI* option, bool checked);

    HWND m_parent;
    std::wstring m_browserPath;
    std::wstring m_dataFolder;
    UINT m_resultMessage;
    bool m_resultPosted;
    CControlUI* m_editAccount;
    CControlUI* m_editPassword;
    CControlUI* m_checkPassword;
    CControlUI* m_checkAuto;
    CControlUI* m_btnOK;
    CControlUI* m_btnClose;
    CControlUI* m_btnCancel;
    CControlUI* m_btnRegister;
    CControlUI* m_btnForgotPassword;
};

}  // namespace VelaUI
