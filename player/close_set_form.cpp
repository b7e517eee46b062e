// The close-behaviour dialog.
#include "close_set_form.h"

#include "info_tips_form.h"
#include "main_messages.h"
#include "settings_file.h"

namespace VelaUI {

namespace {
const UINT kCloseSetLayout = 202;
}

VelaCloseSetForm::VelaCloseSetForm(const wchar_t* layoutFile) : VelaDialogForm(kCloseSetLayout, layoutFile) {}

void VelaCloseSetForm::InitControls() {
    m_radioTray = FindControl(L"RadioTray");
    m_radioExit = FindControl(L"RadioExit");
    m_checkNotDisplay = FindControl(L"CheckNotDisplay");
    LoadSettings();
    m_btnClose = FindControl(L"BtnClose");
    m_btnOK = FindControl(L"BtnOK");
    m_btnCancel = FindControl(L"BtnCancel");
}

void VelaCloseSetForm::LoadSettings() {
    if (!SettingsFileExists()) return;
    const bool tray = ReadSettingInt(kCloseAction, 0) != 0;
    SelectOption(tray ? m_radioTray : m_radioExit, true);
    SelectOption(m_checkNotDisplay, ReadSettingInt(kDoNotAsk, 0) != 0);
}

bool VelaCloseSetForm::SaveSettings() {
    if (!EnsureSettingsFile()) return false;
    const bool tray = IsOptionSelected(m_radioTray);
    bool saved = WriteSettingFlag(kCloseAction, tray);
    saved = WriteSettingFlag(kCloseToTray, tray) && saved;
    return WriteSettingFlag(kDoNotAsk, IsOptionSelected(m_checkNotDisplay)) && saved;
}

void VelaCloseSetForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    HWND parent = ::GetWindow(m_hWnd, GW_OWNER);
    if (msg.sender == m_btnClose || msg.sender == m_btnCancel) {
        if (parent != nullptr) ::PostMessageW(parent, WM_CLOSESET_CANCEL, 0, 0);
        Close(1);
    } else if (msg.sender == m_btnOK) {
        const HWND self = m_hWnd;
        const WPARAM toTray = IsOptionSelected(m_radioTray) ? 1 : 0;
        if (!SaveSettings()) {
            // The window is still hidden or closed as chosen: the user asked for that now, and
            // only the remembering failed. The tip's loop may outlive this dialog.
            ShowInfoTip(kPictureWarning, kSettingsNotSavedText, self);
            if (!::IsWindow(self)) return;
        }
        if (parent != nullptr) ::PostMessageW(parent, WM_CLOSESET_OK, toTray, 0);
        Close(1);
    }
}

}  // namespace VelaUI
