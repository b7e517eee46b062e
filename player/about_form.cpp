// The about box.
#include "about_form.h"

namespace VelaUI {

namespace {
const UINT kAboutLayout = 201;
}

VelaAboutForm::VelaAboutForm(const wchar_t* layoutFile)
    : VelaDialogForm(kAboutLayout, layoutFile),
      m_picLabel(nullptr),
      m_curVerLabel(nullptr),
      m_latestVerLabel(nullptr),
      m_releaseDateLabel(nullptr),
      m_btnClose(nullptr),
      m_btnOK(nullptr) {}

void VelaAboutForm::InitControls() {
    m_picLabel = FindControl(L"LablePic");
    m_curVerLabel = FindControl(L"LableCurVer");
    m_latestVerLabel = FindControl(L"LableLatestVer");
    m_releaseDateLabel = FindControl(L"LableReleaseDate");
    m_btnClose = FindControl(L"BtnClose");
    m_btnOK = FindControl(L"BtnOK");
}

void VelaAboutForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    if (msg.sender == m_btnClose || msg.sender == m_btnOK) Close(1);
}

}  // namespace VelaUI
