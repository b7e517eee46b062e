// The options dialog: start-up, download folder and naming, parallel downloads, close behaviour.
#pragma once

#include <string>

#include "vela_dialog.h"

namespace VelaUI {

class VelaOptionForm : public VelaDialogForm {
public:
    VelaOptionForm(const wchar_t* layoutFile, HWND owner);

    void Notify(UINotify& msg) override;

    void LoadSettings();
    // False when the file could not take the choices; the run-at-logon value is then left as
    // it was.
    bool SaveSettings();
    // Sets or clears the run-at-logon value; true when the value now says what was asked.
    bool SetAutoRun(bool on);
    void BrowseFolder();
    static int CALLBACK BrowseFolderCallback(HWND hWnd, UINT message, LPARAM lParam, LPARAM data);

protected:
    const wchar_t* GetWindowClassName() const override;
    void InitControls() override;

private:
    void ShowDownloadFolder();
    // The limit to save: the combo box's number, or the saved one when its text is no number.
    int ChosenDownloadLimit() const;

    CControlUI* m_editSavePath = nullptr;
    CControlUI* m_comboNum = nullptr;
    CControlUI* m_checkAutoRun = nullptr;
    CControlUI* m_checkAutoPlay = nullptr;
    CControlUI* m_checkAutoLogin = nullptr;
    CControlUI* m_btnBrowse = nullptr;
    CControlUI* m_radioSongSinger = nullptr;
    CControlUI* m_radioSingerSong = nullptr;
    CControlUI* m_radioTray = nullptr;
    CControlUI* m_radioExit = nullptr;
    CControlUI* m_btnClose = nullptr;
    CControlUI* m_btnOK = nullptr;
    CControlUI* m_btnCancel = nullptr;
    std::wstring m_downloadFolder;
    HWND m_owner;
};

// The run-at-logon value's key, value name and its text for a program path (quoted, so that a
// path with blanks names the program and nothing before it).
extern const wchar_t* const kAutoRunKey;
extern const wchar_t* const kAutoRunValue;
std::wstring AutoRunCommand(const std::wstring& programPath);
// True when the run-at-logon value is there and not empty.
bool IsAutoRunSet();

}  // namespace VelaUI
