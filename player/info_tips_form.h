// The player's small modal message: a picture, up to four lines, OK and (for questions) Cancel.
#pragma once

#include <string>

#include "vela_dialog.h"

namespace VelaUI {

// Pictures of the info tip (PNG resources).
const UINT kPictureQuestion = 330;  // green tick: questions and confirmations
const UINT kPictureWarning = 331;   // yellow warning: failures

// What a failure tip says when nothing more is known of the failure.
extern const wchar_t* const kUnknownFailureText;

// Modal results of the info tip.
const int kInfoTipOK = 1;
const int kInfoTipCancel = 2;  // Cancel, the close button, Esc

class VelaInfoTipsForm : public VelaDialogForm {
public:
    enum { LINE_COUNT = 4 };

    explicit VelaInfoTipsForm(bool twoButtons);

    // Both may be called before or after the window exists.
    void SetPicture(UINT picture);
    // Each line goes to its label; a label shows only when it has text. A line too long for its
    // label goes on in the labels below it whose lines are empty.
    void SetText(const wchar_t* line1, const wchar_t* line2, const wchar_t* line3, const wchar_t* line4);

    void Notify(UINotify& msg) override;

protected:
    void InitControls() override;
    UINT GetEscapeResult() const override { return kInfoTipCancel; }

private:
    void ShowPicture();
    void ShowText();
    int FittingLength(CControlUI* label, const std::wstring& text) const;

    bool m_twoButtons;
    UINT m_picture;
    CUIString m_lines[LINE_COUNT];
    CControlUI* m_picLabel;
    CControlUI* m_lineLabels[LINE_COUNT];
    CControlUI* m_btnClose;
    CControlUI* m_btnOK;
    CControlUI* m_btnCancel;
};

// Shows text modally with one button (an empty text shows a general failure message); owned by owner
// while that is a window.
void ShowInfoTip(UINT picture, const wchar_t* text, HWND owner);

}  // namespace VelaUI
