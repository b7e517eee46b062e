// The about box: the texts, picture and versions come from its layout.
#pragma once

#include "vela_dialog.h"

namespace VelaUI {

class VelaAboutForm : public VelaDialogForm {
public:
    explicit VelaAboutForm(const wchar_t* layoutFile);

    void Notify(UINotify& msg) override;

protected:
    void InitControls() override;

private:
    CControlUI* m_picLabel;
    CControlUI* m_curVerLabel;
    CControlUI* m_latestVerLabel;
    CControlUI* m_releaseDateLabel;
    CControlUI* m_btnClose;
    CControlUI* m_btnOK;
};

}  // namespace VelaUI
