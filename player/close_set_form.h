// The close-behaviour dialog: hide to the tray or exit, and whether to ask again.
#pragma once

#include "vela_dialog.h"

namespace VelaUI {

class VelaCloseSetForm : public VelaDialogForm {
public:
    explicit VelaCloseSetForm(const wchar_t* layoutFile);

    void Notify(UINotify& msg) override;

    void LoadSettings();
    // False when the file could not take the choices.
    bool SaveSettings();

protected:
    void InitControls() override;

private:
    CControlUI* m_radioTray = nullptr;
    CControlUI* m_radioExit = nullptr;
    CControlUI* m_checkNotDisplay = nullptr;
    CControlUI* m_btnOK = nullptr;
    CControlUI* m_btnCancel = nullptr;
    CControlUI* m_btnClose = nullptr;
};

}  // namespace VelaUI
