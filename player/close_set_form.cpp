// The close-behaviour dialog.
#include "close_set_form.h"

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

void VelaCloseSetForm::SaveSettings() {
    if (!EnsureSettingsFile()) return;
    const bool tray = IsOptionSelected(m_radioTray);
    WriteSettingFlag(kCloseAction, tray);
    WriteSettingFlag(kCloseToTray, tray);
    WriteSettingFlag(kDoNotAsk, IsOptionSelected(m_checkNotDisplay));
}

void VelaCloseSetForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    HWND parent = ::GetWindow(m_hWnd, GW_OWNER);
    if (msg.sender == m_btnClose || msg.sender == m_btnCancel) {
        if (parent != nullptr) ::PostMessageW(parent, WM_CLOSESET_CANCEL, 0, 0);
        Close(1);
    } else if (msg.sender == m_btnOK) {
        SaveSettings();
        if (parent != nullptr) ::PostMessageW(parent, WM_CLOSESET_OK, IsOptionSelected(m_radioTray) ? 1 : 0, 0);
        Close(1);
    }
}

}  // namespace VelaUI
