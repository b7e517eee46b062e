// The info tip and ShowInfoTip.
#include "info_tips_form.h"

#include <new>
#include <string>

namespace VelaUI {

using UIToolkit::CLabelUI;

namespace {

const UINT kInfoTipsLayout = 203;

}  // namespace

const wchar_t* const kUnknownFailureText = L"发生未知错误,请稍后重试";

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

// How many characters of text fit on the line label, or -1 when it cannot be measured (no
// window yet). A break after a blank is preferred, so that words stay whole.
int VelaInfoTipsForm::FittingLength(CControlUI* label, const std::wstring& text) const {
    CLabelUI* line = label != nullptr ? static_cast<CLabelUI*>(label->GetInterface(L"Label")) : nullptr;
    CWindowManagerUI* manager = line != nullptr ? line->GetManager() : nullptr;
    HDC dc = manager != nullptr ? manager->GetPaintDC() : nullptr;
    if (dc == nullptr) return -1;
    const RECT padding = line->GetTextPadding();
    int width = line->GetFixedWidth();
    if (width <= 0) width = line->GetPos().right - line->GetPos().left;
    width -= padding.left + padding.right;
    if (width <= 0) return -1;
    HGDIOBJ old = ::SelectObject(dc, manager->GetFont(line->GetFont()));
    int fit = 0;
    SIZE size = {0, 0};
    const BOOL measured = ::GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), width, &fit,
                                                  nullptr, &size);
    ::SelectObject(dc, old);
    if (!measured) return -1;
    if (fit <= 0) return 1;  // at least one character a line
    if (fit < static_cast<int>(text.size()) && text[fit] != L' ') {
        const size_t blank = text.find_last_of(L' ', static_cast<size_t>(fit - 1));
        if (blank != std::wstring::npos && blank > 0) fit = static_cast<int>(blank) + 1;
    }
    return fit;
}

// Each line goes to its label. A line too long for its label goes on in the labels below it
// whose own lines are empty, so that a long message is read to its end; only what the last
// label cannot hold ends in dots.
void VelaInfoTipsForm::ShowText() {
    std::wstring shown[LINE_COUNT];
    for (int i = 0; i < LINE_COUNT; ++i) shown[i] = m_lines[i].GetData();
    for (int i = 0; i + 1 < LINE_COUNT; ++i) {
        if (shown[i].empty() || !m_lines[i + 1].IsEmpty()) continue;
        const int fit = FittingLength(m_lineLabels[i], shown[i]);
        if (fit < 0 || fit >= static_cast<int>(shown[i].size())) continue;
        const size_t next = shown[i].find_first_not_of(L' ', static_cast<size_t>(fit));
        shown[i + 1] = next == std::wstring::npos ? std::wstring() : shown[i].substr(next);
        shown[i].resize(static_cast<size_t>(fit));
        while (!shown[i].empty() && shown[i].back() == L' ') shown[i].pop_back();
    }
    for (int i = 0; i < LINE_COUNT; ++i) {
        if (m_lineLabels[i] == nullptr) continue;
        m_lineLabels[i]->SetText(shown[i].c_str());
        m_lineLabels[i]->SetVisible(!shown[i].empty());
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
    form->SetText(text != nullptr && text[0] != L'\0' ? text : kUnknownFailureText, L"", L"", L"");
    VelaDialogForm::ShowDialog(form, owner);
}

}  // namespace VelaUI
