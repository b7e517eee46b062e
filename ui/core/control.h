// The base class of every windowless control.
#pragma once

#include <windows.h>

#include "ui_base.h"
#include "window_manager.h"

namespace UIToolkit {

// The framework's light-blue frame: the outline of a scroll-bar part that has no image, and the
// border of the combo box's drop-down list and of the popup menu.
const DWORD kUIFrameColor = 0xFF85E4FF;

// A callback object of a control's callback lists.
class CUIDelegate {
public:
    virtual ~CUIDelegate() = default;
    virtual CUIDelegate* Copy() const = 0;
    virtual bool Invoke(void* param) = 0;
};

// A list of callbacks, owned by the list (deleted with it).
class CUIEventSource {
public:
    CUIEventSource() = default;
    CUIEventSource(const CUIEventSource&) = delete;
    CUIEventSource& operator=(const CUIEventSource&) = delete;
    ~CUIEventSource();

    void Add(CUIDelegate* callback) { m_callbacks.Add(callback); }
    bool HasHandlers() const { return !m_callbacks.IsEmpty(); }
    // Calls each callback in order; false as soon as one returns false.
    bool Fire(void* param);

private:
    CUIPtrArray m_callbacks;
};

struct UIRelativePos {
    bool relative = false;
    SIZE parentSize = {0, 0};
    int moveX = 0;
    int moveY = 0;
    int zoomX = 0;
    int zoomY = 0;
};

class CControlUI {
public:
    CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;
    virtual ~CControlUI();

    virtual CUIString GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* GetClassName() const;
    virtual void* GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const;
    virtual bool Activate();
    virtual CWindowManagerUI* GetManager() const;
    virtual void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const;
    virtual CUIString GetText() const;
    virtual void SetText(const wchar_t* text);

    virtual const RECT& GetPos() const;
    virtual void SetPos(RECT rc);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT rc);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE sz);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual void SetRelativePos(SIZE move, SIZE zoom);
    virtual void SetRelativeParentSize(SIZE sz);
    virtual UIRelativePos GetRelativePos() const;
    virtual bool IsRelativePos() const;

    virtual CUIString GetToolTip() const;
    virtual void SetToolTip(const wchar_t* text);
    virtual wchar_t GetShortcut() const;
    virtual void SetShortcut(wchar_t ch);
    virtual bool IsContextMenuEnabled() const;
    virtual void SetContextMenuEnabled(bool enable);
    virtual const CUIString& GetUserData() const;
    virtual void SetUserData(const wchar_t* text);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR tag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetInternalVisible(bool visible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enable = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enable = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool isFloat = true);

    virtual CControlUI* FindControl(FindControlProc proc, LPVOID data, UINT flags);

    virtual void Init();
    virtual void OnInit();
    virtual void DispatchEvent(UIEvent& event);
    virtual void HandleEvent(UIEvent& event);
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    virtual SIZE EstimateSize(SIZE available);

    virtual void Paint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBackgroundColor(HDC hDC);
    virtual void PaintBackgroundImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);
    virtual void PostPaint(HDC hDC, const RECT& rcPaint);

    // ---- Appearance ----
    DWORD GetBkColor() const { return m_bkColor; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const { return m_bkColor2; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const { return m_bkColor3; }
    void SetBkColor3(DWORD color);
    const wchar_t* GetBkImage() const { return m_bkImage; }
    void SetBkImage(const wchar_t* image);
    DWORD GetBorderColor() const { return m_borderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return m_focusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const { return m_colorHSL; }
    void SetColorHSL(bool colorHSL);
    int GetBorderSize() const { return m_borderSize; }
    void SetBorderSize(int size);
    SIZE GetBorderRound() const { return m_borderRound; }
    void SetBorderRound(SIZE corner);
    bool DrawImage(HDC hDC, const wchar_t* image, const wchar_t* modifier = nullptr);
    DWORD AdjustColor(DWORD color) const;

    // ---- Layout and repaint ----
    void Invalidate();
    bool IsLayoutPending() const { return m_layoutPending; }
    void RequestLayout();
    void RequestParentLayout();

    void ApplyAttributeList(const wchar_t* list);

    CUIEventSource OnInitEvents;
    CUIEventSource OnDestroyEvents;
    CUIEventSource OnSizeEvents;
    CUIEventSource OnEventEvents;
    CUIEventSource OnNotifyEvents;

    // ---- Attribute value syntax (shared by derived controls) ----
    // Decimal integer: leading blanks skipped, an optional sign, digits up to the first other
    // character (none give 0). next receives the position after the number.
    static int ParseInt(const wchar_t* text, const wchar_t** next = nullptr);
    // Up to count integers, each after one separator character; numbers missing at the end of
    // the text are 0. Returns how many were present.
    static int ParseIntList(const wchar_t* text, int* values, int count);
    // Hexadecimal ARGB with optional leading blanks and "#".
    static DWORD ParseColor(const wchar_t* text);
    static bool ParseBool(const wchar_t* text);

protected:
    CWindowManagerUI* m_manager;
    CControlUI* m_parent;
    CUIString m_name;
    bool m_layoutPending;
    bool m_contextMenu;
    RECT m_rcItem;
    RECT m_rcPadding;
    SIZE m_fixedXY;
    SIZE m_fixed;
    SIZE m_min;
    SIZE m_max;
    bool m_visible;
    bool m_internVisible;
    bool m_enabled;
    bool m_mouseEnabled;
    bool m_focused;
    bool m_float;
    bool m_setPosGuard;
    UIRelativePos m_relativePos;
    CUIString m_text;
    CUIString m_toolTip;
    wchar_t m_shortcut;
    CUIString m_userData;
    UINT_PTR m_tag;
    DWORD m_bkColor;
    DWORD m_bkColor2;
    DWORD m_bkColor3;
    CUIString m_bkImage;
    DWORD m_borderColor;
    DWORD m_focusBorderColor;
    bool m_colorHSL;
    int m_borderSize;
    SIZE m_borderRound;
    RECT m_rcPaint;
};

}  // namespace UIToolkit
