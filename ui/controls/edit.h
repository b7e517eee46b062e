// Single-line edit: drawn like a label while it does not have the focus; with the focus a real
// system edit window (CEditWnd) lies over its text area, and every change typed there is copied
// back into the control at once.
#pragma once

#include <windows.h>

#include "label.h"
#include "window_wnd.h"

namespace UIToolkit {

class CEditUI;

// The native edit window of an edit control, superclassed from the system class "Edit". It
// deletes itself when its window is destroyed, and closes itself when it loses the keyboard.
class CEditWnd : public CWindowWnd {
public:
    CEditWnd();
    ~CEditWnd() override;

    // Creates and shows the window over the owner's text area and gives it the keyboard. False
    // when the window cannot be made (the caller then deletes this object).
    bool Init(CEditUI* owner);
    // Where the window goes: the owner's text area, cut to the default font's height and
    // centred vertically when it is higher than that.
    RECT CalPos() const;
    // Copies the window's text into the owner and sends "textchanged".
    void OnTextChanged();
    // The owner is going away: from now on the window never reaches it.
    void DetachOwner() { m_owner = nullptr; }
    CEditUI* GetOwner() const { return m_owner; }
    // True while one of the window's messages is being handled (a notification sent from there
    // may be what deletes the owner: the window must then not be destroyed under its own feet).
    bool IsHandlingMessage() const { return m_depth > 0; }

protected:
    const wchar_t* GetWindowClassName() const override;
    const wchar_t* GetSuperClassName() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColor(HDC hDC);

    CEditUI* m_owner;
    HBRUSH m_bkBrush;
    bool m_initialized;
    int m_depth;         // messages of this window being handled, nested
    bool m_destroyed;    // the window is gone; the object goes when the outermost message ends
};

class CEditUI : public CLabelUI {
    friend class CEditWnd;

public:
    // The native background colour that leaves the native window's colours to the system.
    static const DWORD kSystemColors = 0xFFFFFFFF;

    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetText(const wchar_t* text) override;
    void SetPos(RECT rc) override;
    void SetVisible(bool visible = true) override;
    void SetInternalVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    // The most characters the native window accepts; 0 (and anything below, stored as 0) means
    // the system's maximum.
    void SetMaxChar(int maxChar);
    int GetMaxChar() const { return m_maxChar; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_readOnly; }
    void SetPasswordMode(bool password);
    bool IsPasswordMode() const { return m_password; }
    wchar_t GetPasswordChar() const { return m_passwordChar; }
    void SetNativeEditBkColor(DWORD color) { m_nativeBkColor = color; }
    DWORD GetNativeEditBkColor() const { return m_nativeBkColor; }

    void SetNormalImage(const wchar_t* image);
    void SetHotImage(const wchar_t* image);
    void SetFocusedImage(const wchar_t* image);
    void SetDisabledImage(const wchar_t* image);
    const wchar_t* GetNormalImage() const { return m_normalImage; }
    const wchar_t* GetHotImage() const { return m_hotImage; }
    const wchar_t* GetFocusedImage() const { return m_focusedImage; }
    const wchar_t* GetDisabledImage() const { return m_disabledImage; }

    // The open native window, null while none is open.
    HWND GetNativeWindow() const;
    UINT GetEditState() const { return m_editState; }

private:
    class DeletionWatch;

    // Sends a notification of this control; false when the form deleted the control meanwhile
    // (nothing of it may be touched then).
    bool NotifySurvived(const wchar_t* type);
    // Opens the native window; false when it could not be made.
    bool OpenNativeWindow();
    void SelectAllInNativeWindow();
    // A hidden control must not leave its native window over the form.
    void CloseNativeWindowWhenHidden();
    void SetImage(CUIString& image, const wchar_t* value);

    CEditWnd* m_window;
    int m_maxChar;
    bool m_readOnly;
    bool m_password;
    wchar_t m_passwordChar;
    UINT m_editState;
    CUIString m_normalImage;
    CUIString m_hotImage;
    CUIString m_focusedImage;
    CUIString m_disabledImage;
    DWORD m_nativeBkColor;
    bool* m_deletedFlag;   // set by the destructor while a watch is out
};

}  // namespace UIToolkit
