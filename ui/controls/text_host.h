// The text host of the rich edit control: the object through which the windowless rich-edit
// engine (the text services of RICHED20.dll) asks the framework for a device context, caret,
// timers, capture, scroll bars, invalidation, formats and properties.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <richedit.h>
#include <textserv.h>

namespace UIToolkit {

class CRichEditUI;

// Interface identifiers of the text services, defined here because no import library has them.
extern const IID kIID_ITextServices;   // {8D33F740-CF58-11CE-A89D-00AA006CADC5}
extern const IID kIID_ITextHost;       // {C5BDD8D0-D26E-11CE-A89E-00AA006CADC5}

class CTxtWinHost : public ITextHost {
public:
    // Host flag bits.
    enum : DWORD {
        kAutoWordSel = 0x1,
        kWordWrap = 0x2,
        kAllowBeep = 0x4,
        kRich = 0x8,
        kSaveSelection = 0x10,
        kInPlaceActive = 0x20,
        kTransparent = 0x40,
        kTimer = 0x80,
        kCaptured = 0x100,
    };

    CTxtWinHost();
    CTxtWinHost(const CTxtWinHost&) = delete;
    CTxtWinHost& operator=(const CTxtWinHost&) = delete;

    // Creation parameters: style (edit-style bits) and name (initial text) are read.
    bool Init(CRichEditUI* owner, const CREATESTRUCTW* create);

    // Deactivates and releases the engine and forgets the owner: every later request of the
    // engine (or of anyone still holding a reference) is answered without touching the control.
    void Detach();

    ITextServices* GetTextServices() const { return m_services; }
    CRichEditUI* GetOwner() const { return m_owner; }
    void SetFont(HFONT font);
    void SetColor(DWORD argb);
    void SetRichTextFlag(bool rich);
    void SetTransparent(bool transparent);
    void SetClientRect(const RECT& rc);
    RECT GetControlRect() const { return m_clientRect; }
    bool IsCaptured() const { return (m_flags & kCaptured) != 0; }
    DWORD GetFlags() const { return m_flags; }
    // The character the engine shows for each character of a password box.
    void SetPasswordChar(WCHAR ch) { m_passwordChar = ch; }
    HRESULT OnTxInPlaceActivate(const RECT* rc);
    bool DoSetCursor(const RECT* rc, POINT pt);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC hdc) override;
    WINBOOL TxShowScrollBar(INT bar, WINBOOL show) override;
    WINBOOL TxEnableScrollBar(INT bars, INT arrows) override;
    WINBOOL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL redraw) override;
    WINBOOL TxSetScrollPos(INT bar, INT pos, WINBOOL redraw) override;
    void TxInvalidateRect(LPCRECT rc, WINBOOL mode) override;
    void TxViewChange(WINBOOL update) override;
    WINBOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    WINBOOL TxShowCaret(WINBOOL show) override;
    WINBOOL TxSetCaretPos(INT x, INT y) override;
    WINBOOL TxSetTimer(UINT id, UINT timeout) override;
    void TxKillTimer(UINT id) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update, LPRECT updateRect,
                          UINT flags) override;
    void TxSetCapture(WINBOOL capture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR cursor, WINBOOL text) override;
    WINBOOL TxScreenToClient(LPPOINT pt) override;
    WINBOOL TxClientToScreen(LPPOINT pt) override;
    HRESULT TxActivate(LONG* oldState) override;
    HRESULT TxDeactivate(LONG newState) override;
    HRESULT TxGetClientRect(LPRECT rc) override;
    HRESULT TxGetViewInset(LPRECT rc) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TxGetSysColor(int index) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TxGetMaxLength(DWORD* length) override;
    HRESULT TxGetScrollBars(DWORD* scrollBars) override;
    HRESULT TxGetPasswordChar(TCHAR* ch) override;
    HRESULT TxGetAcceleratorPos(LONG* cp) override;
    HRESULT TxGetExtent(LPSIZEL extent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TxNotify(DWORD notify, void* data) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC himc) override;
    HRESULT TxGetSelectionBarWidth(LONG* width) override;

protected:
    // Only Release deletes the host.
    virtual ~CTxtWinHost();

private:
    void InitDefaultCharFormat(HFONT font);
    void InitDefaultParaFormat();
    void ApplyFont(HFONT font);
    void UpdateExtent();
    void PropertyChanged(DWORD bit);
    HWND OwnerWindow() const;
    HDC OwnerDC() const;
    void ReleaseServices();

    CRichEditUI* m_owner;
    LONG m_refCount;
    ITextServices* m_services;
    DWORD m_style;
    DWORD m_flags;
    LONG m_selBarWidth;
    LONG m_maxLength;
    RECT m_clientRect;
    SIZEL m_extent;
    CHARFORMAT2W m_charFormat;
    PARAFORMAT2 m_paraFormat;
    LONG m_acceleratorPos;
    WCHAR m_passwordChar;
};

// Makes a host with one reference, its engine created; null when the engine cannot be had.
CTxtWinHost* CreateTextHost(CRichEditUI* owner, const CREATESTRUCTW* create);

}  // namespace UIToolkit
