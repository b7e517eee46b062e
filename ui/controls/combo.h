// The combo box: a closed box that shows the selected item and opens a drop-down list of its
// items in a popup window. The items are list elements and the combo's own children; while the
// drop-down is open they are lent to a vertical layout inside the popup and given back when it
// closes.
#pragma once

#include <windows.h>

#include "container.h"
#include "layouts.h"
#include "list.h"
#include "ui_base.h"
#include "window_manager.h"
#include "window_wnd.h"

namespace UIToolkit {

class CComboUI;

// The popup window of an open combo box. It deletes itself when its window is gone.
class CComboWnd : public CWindowWnd {
public:
    CComboWnd() = default;

    // Places and creates the popup below (or above) the combo and shows it. False when the
    // window cannot be created (the object then deletes itself).
    bool Init(CComboUI* owner);
    // Gives the items back to the combo at once and forgets the combo; the window closes by a
    // posted message. Used when the combo changes its items or goes away while open.
    void Detach();
    // Scrolls the drop-down so that the combo's selected item shows.
    void EnsureSelectionVisible();

    CWindowManagerUI& GetManager() { return m_pm; }
    CVerticalLayoutUI* GetLayout() const { return m_layout; }
    CComboUI* GetOwner() const { return m_owner; }
    int GetOldSelection() const { return m_oldSel; }

    // The screen rectangle the drop-down takes for the combo.
    static RECT ComputePlacement(CComboUI* owner);

protected:
    const wchar_t* GetWindowClassName() const override { return L"ComboWnd"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    void BuildLayout();
    void ReturnItems();

    CWindowManagerUI m_pm;
    CComboUI* m_owner = nullptr;
    CVerticalLayoutUI* m_layout = nullptr;
    int m_oldSel = -1;
    bool m_itemsReturned = false;
    bool m_creating = false;
};

class CComboUI : public CContainerUI, public IListOwnerUI {
    friend class CComboWnd;

public:
    enum : UINT {
        kStateFocused = 0x1,
        kStateDisabled = 0x4,
        kStateHot = 0x8,
        kStatePushed = 0x10,
        kStateCaptured = 0x40,
    };

    CComboUI();
    ~CComboUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    CUIString GetText() const override;
    void SetPos(RECT rc) override;
    void SetEnabled(bool enable = true) override;
    // Overrides both the control's and the owner interface's HandleEvent.
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    // IContainerUI
    bool SetItemIndex(CControlUI* control, int index) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // IListOwnerUI
    ListItemStyle* GetListItemStyle() override;
    int GetCurSel() const override;
    bool SelectItem(int index, bool takeFocus = false) override;

    SIZE GetDropBoxSize() const { return m_dropBoxSize; }
    const CUIString& GetDropBoxAttributeList() const { return m_dropBoxAttributes; }
    CComboWnd* GetDropWindow() const { return m_dropWnd; }
    bool IsDropped() const { return m_dropWnd != nullptr; }
    UINT GetButtonState() const { return m_buttonState; }
    RECT GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(RECT padding);

    const wchar_t* GetNormalImage() const { return m_normalImage; }
    void SetNormalImage(const wchar_t* image);
    const wchar_t* GetHotImage() const { return m_hotImage; }
    void SetHotImage(const wchar_t* image);
    const wchar_t* GetPushedImage() const { return m_pushedImage; }
    void SetPushedImage(const wchar_t* image);
    const wchar_t* GetFocusedImage() const { return m_focusedImage; }
    void SetFocusedImage(const wchar_t* image);
    const wchar_t* GetDisabledImage() const { return m_disabledImage; }
    void SetDisabledImage(const wchar_t* image);

private:
    // Takes the items back from an open drop-down before they change (the popup then closes).
    void ReclaimItems();
    void RenumberItems(int first, int last);
    // Gives every item an empty rectangle: the closed box shows none of them.
    void ClearItemRects();
    // Draws one state image; an image that cannot be drawn is emptied. True when drawn.
    bool DrawStateImage(HDC hDC, CUIString& image);

    CComboWnd* m_dropWnd = nullptr;
    int m_curSel = -1;
    RECT m_textPadding = {0, 0, 0, 0};
    CUIString m_dropBoxAttributes;
    SIZE m_dropBoxSize = {0, 150};
    UINT m_buttonState = 0;
    CUIString m_normalImage;
    CUIString m_hotImage;
    CUIString m_pushedImage;
    CUIString m_focusedImage;
    CUIString m_disabledImage;
    ListItemStyle m_style;
};

}  // namespace UIToolkit

namespace UIToolkit {

// Makes a manager drop every reference it holds to the controls of a subtree (focus, hover,
// click and key control, timers, name entry, queued notifications). Used when controls that were
// lent to a popup window go back to their own window.
void ForgetLentControls(CWindowManagerUI& manager, CControlUI* root);

}  // namespace UIToolkit
