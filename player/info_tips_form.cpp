// The info tip and ShowInfoTip.
#include "info_tips_form.h"

#include <new>

namespace VelaUI {

namespace {

const UINT kInfoTipsLayout = 203;
const wchar_t* const kUnknownFailure = L"发生未知错误,请稍后重试";

}  // namespace

VelaInfoTipsForm::VelaInfoTipsForm(bool twoButtons)
    : VelaDialogForm(kInfoTipsLayout, L"InfoTips.xml"),
      m_twoButtons(twoButtons),
      m_picture(kPictureQuestion),
      m_picLabel(nullptr),
      m_lineLabels(),
      m_btnClose(nullptr),
      m_btnOK(nullptr),
      m_btnCancel(nullptr) {}

void VelaInfoTipsForm::InitControls() {
    m_picLabel = FindControl(L"LablePic");
    static const wchar_t* const kLineNames[LINE_COUNT] = {L"Lable1", L"Lable2", L"Lable3", L"Lable4"};
    for (int i = 0; i < LINE_COUNT; ++i) m_lineLabels[i] = FindControl(kLineNames[i]);
    m_btnClose = FindControl(L"BtnClose");
    m_btnOK = FindControl(L"BtnOK");
    m_btnCancel = FindControl(L"BtnCancel");
    if (m_twoButtons) {
        if (m_btnOK != nullptr) m_btnOK->SetAttribute(L"pos", L"79,75,169,102");
        if (m_btnCancel != nullptr) {
            m_btnCancel->SetAttribute(L"pos", L"189,75,279,102");
            m_btnCancel->SetVisible(true);
        }
    } else if (m_btnCancel != nullptr) {
        m_btnCancel->SetVisible(false);
    }
    ShowPicture();
    ShowText();
}

void VelaInfoTipsForm::SetPicture(UINT picture) {
    m_picture = picture;
    ShowPicture();
}

void VelaInfoTipsForm::SetText(const wchar_t* line1, const wchar_t* line2, const wchar_t* line3,
                               const wchar_t* line4) {
    const wchar_t* const lines[LINE_COUNT] = {line1, line2, line3, line4};
    for (int i = 0; i < LINE_COUNT; ++i) m_lines[i] = lines[i] != nullptr ? lines[i] : L"";
    ShowText();
}

void VelaInfoTipsForm::ShowPicture() {
    if (m_picLabel == nullptr) return;
    wchar_t image[64] = {};
    ::wsprintfW(image, L"res='%u' restype='png'", m_picture);
    m_picLabel->SetAttribute(L"bkimage", image);
}

void VelaInfoTipsForm::ShowText() {
    for (int i = 0; i < LINE_COUNT; ++i) {
        if (m_lineLabels[i] == nullptr) continue;
        m_lineLabels[i]->SetText(m_lines[i].GetData());
        m_lineLabels[i]->SetVisible(!m_lines[i].IsEmpty());
    }
}

void VelaInfoTipsForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    if (msg.sender == m_btnOK) {
        Close(kInfoTipOK);
    } else if (msg.sender == m_btnCancel || msg.sender == m_btnClose) {
        Close(kInfoTipCancel);
    }
}

void ShowInfoTip(UINT picture, const wchar_t* text, HWND owner) {
    VelaInfoTipsForm* form = new (std::nothrow) VelaInfoTipsForm(false);
    if (form == nullptr) return;
    form->SetPicture(picture);
    // An empty text would leave an empty box: say that something went wrong instead.
    form->SetText(text != nullptr && text[0] != L'\0' ? text : kUnknownFailure, L"", L"", L"");
    VelaDialogForm::ShowDialog(form, owner);
}

}  // namespace VelaUI
