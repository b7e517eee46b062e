// The options dialog, the run-at-logon value and the folder chooser.
#include "option_form.h"

#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "info_tips_form.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "player_startup.h"
#include "settings_file.h"

namespace VelaUI {

const wchar_t* const kAutoRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kAutoRunValue = L"VelMusic";

namespace {

const UINT kOptionsLayout = 213;

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A whole decimal number of the text; false for anything else (empty, letters, signs).
bool ParseCount(const std::wstring& text, int& value) {
    if (text.empty() || text.size() > 6) return false;
    value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    return true;
}

}  // namespace

std::wstring AutoRunCommand(const std::wstring& programPath) { return L"\"" + programPath + L"\""; }

bool IsAutoRunSet() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    wchar_t value[2] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG result = ::RegQueryValueExW(key, kAutoRunValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    // A value too long for the probe is set all the same.
    return (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && type == REG_SZ && size > sizeof(wchar_t) &&
           (result == ERROR_MORE_DATA || value[0] != 0);
}

VelaOptionForm::VelaOptionForm(const wchar_t* layoutFile, HWND owner)
    : VelaDialogForm(kOptionsLayout, layoutFile), m_owner(owner) {}

const wchar_t* VelaOptionForm::GetWindowClassName() const { return L"VelaUI::VelaOptionForm"; }

void VelaOptionForm::InitControls() {
    m_editSavePath = FindControl(L"EditSavePath");
    m_comboNum = FindControl(L"ComboNum");
    m_checkAutoRun = FindControl(L"CheckPowerAutoRun");
    m_checkAutoPlay = FindControl(L"CheckPowerAutoplay");
    m_checkAutoLogin = FindControl(L"CheckPowerAutoLogin");
    m_btnBrowse = FindControl(L"BtnBrowse");
    m_radioSongSinger = FindControl(L"RadioSong_Singer");
    m_radioSingerSong = FindControl(L"RadioSinger_Song");
    m_radioTray = FindControl(L"RadioTray");
    m_radioExit = FindControl(L"RadioExit");
    m_btnClose = FindControl(L"BtnClose");
    m_btnOK = FindControl(L"BtnOK");
    m_btnCancel = FindControl(L"BtnCancel");
    if (m_checkAutoPlay != nullptr) m_checkAutoPlay->SetVisible(false);
    LoadSettings();
    if (m_editSavePath != nullptr) {
        m_editSavePath->SetEnabled(false);  // the folder is chosen with "BtnBrowse" only
        m_editSavePath->Invalidate();
    }
}

void VelaOptionForm::LoadSettings() {
    if (!SettingsFileExists()) return;
    SelectOption(m_checkAutoRun, ReadSettingInt(kRunAtLogon, 0) != 0);
    SelectOption(m_checkAutoPlay, ReadSettingInt(kAutoPlay, 0) != 0);
    SelectOption(m_checkAutoLogin, ReadSettingInt(kShowAutoLogin, 0) != 0);
    SelectOption(ReadSettingInt(kSongNameFirst, 0) != 0 ? m_radioSongSinger : m_radioSingerSong, true);
    SelectOption(ReadSettingInt(kCloseToTray, 0) != 0 ? m_radioTray : m_radioExit, true);
    m_downloadFolder = ReadDownloadFolder();
    ShowDownloadFolder();
    if (auto* combo = dynamic_cast<UIToolkit::CComboUI*>(m_comboNum)) {
        combo->SelectItem(combo->GetCount() - ReadSettingInt(kDownloadLimit, 1));
    }
}

void VelaOptionForm::ShowDownloadFolder() {
    if (m_editSavePath != nullptr) m_editSavePath->SetText(m_downloadFolder.c_str());
}

int VelaOptionForm::ChosenDownloadLimit() const {
    int chosen = 0;
    if (m_comboNum != nullptr && ParseCount(m_comboNum->GetText().GetData(), chosen) && chosen >= 1) return chosen;
    return ReadDownloadLimit();
}

bool VelaOptionForm::SaveSettings() {
    if (!EnsureSettingsFile()) return false;
    bool saved = WriteSetting(kAutoPlay, L"0");
    saved = WriteSettingFlag(kShowAutoLogin, IsOptionSelected(m_checkAutoLogin)) && saved;
    saved = WriteSettingFlag(kSongNameFirst, IsOptionSelected(m_radioSongSinger)) && saved;
    const bool tray = IsOptionSelected(m_radioTray);
    saved = WriteSettingFlag(kCloseToTray, tray) && saved;
    saved = WriteSettingFlag(kCloseAction, tray) && saved;
    saved = WriteSetting(kDownloadFolder, m_downloadFolder) && saved;
    saved = WriteSetting(kDownloadLimit, std::to_wstring(ChosenDownloadLimit())) && saved;
    // The registry changes only when the file can say so.
    if (!saved) return false;
    SetAutoRun(IsOptionSelected(m_checkAutoRun));
    // What the file says must be true of the registry, also when the value could not be changed.
    return WriteSettingFlag(kRunAtLogon, IsAutoRunSet());
}

bool VelaOptionForm::SetAutoRun(bool on) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
    const std::wstring value = on ? AutoRunCommand(ProgramPath()) : std::wstring();
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LONG result =
        ::RegSetValueExW(key, kAutoRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        ::MessageBoxW(nullptr, L"error", L"系统参数错误,不能随系统启动", MB_OK);
        return false;
    }
    return true;
}

int CALLBACK VelaOptionForm::BrowseFolderCallback(HWND hWnd, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) ::SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, data);
    return message == BFFM_VALIDATEFAILEDW ? 1 : 0;
}

void VelaOptionForm::BrowseFolder() {
    BROWSEINFOW info = {};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = L"青岚音乐盒";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    if (FolderExists(m_downloadFolder)) {
        info.lpfn = &VelaOptionForm::BrowseFolderCallback;
        info.lParam = reinterpret_cast<LPARAM>(m_downloadFolder.c_str());
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (chosen == nullptr) return;
    std::vector<wchar_t> path(MAX_PATH + 1, 0);
    if (::SHGetPathFromIDListW(chosen, path.data())) {
        m_downloadFolder = std::wstring(path.data());
        if (m_downloadFolder.empty() || m_downloadFolder.back() != L'\\') m_downloadFolder += L'\\';
        ShowDownloadFolder();
    }
    ::CoTaskMemFree(chosen);
}

void VelaOptionForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    if (msg.sender == m_btnClose || msg.sender == m_btnCancel) {
        Close(1);
        if (m_owner != nullptr) ::PostMessageW(m_owner, WM_OPTION_CANCEL, 0, 0);
    } else if (msg.sender == m_btnOK) {
        if (!SaveSettings()) {
            // The dialog stays open with the user's choices, to be saved again once the file can
            // be written, or given up with Cancel. Nothing of this object is used after the tip,
            // whose loop may outlive the dialog.
            ShowInfoTip(kPictureWarning, kSettingsNotSavedText, m_hWnd);
            return;
        }
        Close(1);
        if (m_owner != nullptr) ::PostMessageW(m_owner, WM_OPTION_SAVED, 0, 0);
    } else if (msg.sender == m_btnBrowse) {
        BrowseFolder();
    }
}

}  // namespace VelaUI
