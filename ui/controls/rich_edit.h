// Rich edit: a multi-line text box drawn inside the framework's off-screen painting by the
// windowless rich-edit engine of RICHED20.dll, hosted by CTxtWinHost.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "ui_core.h"

namespace UIToolkit {

class CTxtWinHost;

class CRichEditUI : public CContainerUI, public IMessageFilterUI, public IWantTabUI {
public:
    CRichEditUI();
    ~CRichEditUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    bool IsWantTab() override { return m_wantTab; }
    void SetWantTab(bool want) { m_wantTab = want; }
    bool IsWantReturn() const { return m_wantReturn; }
    void SetWantReturn(bool want) { m_wantReturn = want; }
    bool IsWantCtrlReturn() const { return m_wantCtrlReturn; }
    void SetWantCtrlReturn(bool want) { m_wantCtrlReturn = want; }
    bool IsRich() const { return m_rich; }
    void SetRich(bool rich);
    int GetFont() const { return m_font; }
    void SetFont(int index);
    DWORD GetTextColor() const { return m_textColor; }
    void SetTextColor(DWORD color);
    int GetLimitText() const { return m_limit; }
    DWORD GetStyle() const { return m_style; }
    CTxtWinHost* GetTextHost() const { return m_host; }

    long GetTextLength(DWORD flags = GTL_DEFAULT) const;
    void SetSel(long first, long last);
    void ReplaceSel(const wchar_t* text, bool canUndo);

    CUIString GetText() const override;
    void SetText(const wchar_t* text) override;
    void SetPos(RECT rc) override;
    void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
    void OnInit() override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

    void SetScrollPos(SIZE pos) override;
    void LineUp() override;
    void LineDown() override;
    void PageUp() override;
    void PageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void LineLeft() override;
    void LineRight() override;
    void PageLeft() override;
    void PageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;

    // Passes a message to the engine; S_FALSE without one. A Return key-down that the control
    // does not want becomes the notification "return" instead.
    virtual HRESULT TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The engine's view changed; true makes the host invalidate the control.
    virtual bool OnTxViewChanged();
    // Engine notifications other than the resize request; dropped.
    virtual void OnTxNotify(DWORD code, void* data);

    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    // The height of the text laid out at the given width; -1 when it cannot be measured.
    LONG NaturalHeight(LONG width) const;
    void SendScroll(UINT message, WPARAM code);
    void ReleaseHost();
    void RemoveFilter();

    CTxtWinHost* m_host;
    bool m_fixingScrollBar;
    bool m_wantTab;
    bool m_wantReturn;
    bool m_wantCtrlReturn;
    bool m_rich;
    DWORD m_textColor;
    int m_font;
    int m_limit;
    DWORD m_style;
    CWindowManagerUI* m_filterManager;   // the manager holding this control's message filter
};

}  // namespace UIToolkit
