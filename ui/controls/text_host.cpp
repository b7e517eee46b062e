#include "text_host.h"

#include <cstdlib>
#include <cwchar>

#include "rich_edit.h"
#include "win_owners.h"

namespace UIToolkit {

const IID kIID_ITextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
const IID kIID_ITextHost = {0xC5BDD8D0, 0xD26E, 0x11CE, {0xA8, 0x9E, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};

namespace {

const LONG kHimetricPerInch = 2540;
const LONG kTwipsPerInch = 1440;
const LONG kDefaultMaxLength = 32767;
const LONG kDefaultTabStop = 720;

// RICHED20.dll stays loaded for the life of the process once a host needed it.
PCreateTextServices TextServicesFactory() {
    static PCreateTextServices factory = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE module = ::LoadLibraryW(L"riched20.dll");
        if (module != nullptr) {
            factory = reinterpret_cast<PCreateTextServices>(
                reinterpret_cast<void*>(::GetProcAddress(module, "CreateTextServices")));
        }
    }
    return factory;
}

// Logical pixels per inch of the DC (LOGPIXELSX or LOGPIXELSY), or of the screen without one.
int LogPixels(HDC hDC, int index) {
    int dpi = 0;
    if (hDC != nullptr) {
        dpi = ::GetDeviceCaps(hDC, index);
    } else {
        HDC screen = ::GetDC(nullptr);
        dpi = ::GetDeviceCaps(screen, index);
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

// Shows or hides a bar of the owner, when it has that bar; a bar that appears or goes changes
// the text area, so the owner is laid out again.
void ShowBar(CRichEditUI* owner, CScrollBarUI* bar, bool show) {
    if (bar == nullptr || bar->IsVisible() == show) return;
    bar->SetVisible(show);
    owner->RequestLayout();
}

}  // namespace

CTxtWinHost::CTxtWinHost()
    : m_owner(nullptr), m_refCount(0), m_services(nullptr), m_style(0), m_flags(0), m_selBarWidth(0),
      m_maxLength(kDefaultMaxLength), m_clientRect{0, 0, 0, 0}, m_extent{0, 0}, m_charFormat(), m_paraFormat(),
      m_acceleratorPos(-1), m_passwordChar(0) {}

CTxtWinHost::~CTxtWinHost() {
    ReleaseServices();
}

void CTxtWinHost::ReleaseServices() {
    if (m_services == nullptr) return;
    ITextServices* services = m_services;
    services->OnTxInPlaceDeactivate();
    m_services = nullptr;
    services->Release();
}

void CTxtWinHost::Detach() {
    ReleaseServices();
    m_owner = nullptr;
    m_flags &= ~(kTimer | kCaptured | kInPlaceActive);
}

HWND CTxtWinHost::OwnerWindow() const {
    if (m_owner == nullptr || m_owner->GetManager() == nullptr) return nullptr;
    return m_owner->GetManager()->GetPaintWindow();
}

HDC CTxtWinHost::OwnerDC() const {
    if (m_owner == nullptr || m_owner->GetManager() == nullptr) return nullptr;
    return m_owner->GetManager()->GetPaintDC();
}

// ---------------------------------------------------------------------------------------------
// Creation

CTxtWinHost* CreateTextHost(CRichEditUI* owner, const CREATESTRUCTW* create) {
    CTxtWinHost* host = new CTxtWinHost;
    if (!host->Init(owner, create)) {
        host->Release();
        return nullptr;
    }
    return host;
}

bool CTxtWinHost::Init(CRichEditUI* owner, const CREATESTRUCTW* create) {
    m_owner = owner;
    m_refCount = 1;
    CWindowManagerUI* manager = owner != nullptr ? owner->GetManager() : nullptr;
    InitDefaultCharFormat(manager != nullptr ? manager->GetFont(owner->GetFont()) : nullptr);
    InitDefaultParaFormat();

    m_style = ES_MULTILINE;
    if (owner != nullptr && owner->IsRich()) m_flags |= kRich;
    m_maxLength = owner != nullptr ? owner->GetLimitText() : kDefaultMaxLength;
    if (create != nullptr) {
        m_style = static_cast<DWORD>(create->style);
        if ((m_style & (ES_AUTOHSCROLL | WS_HSCROLL)) == 0) m_flags |= kWordWrap;
        if ((m_style & ES_CENTER) != 0) {
            m_paraFormat.wAlignment = PFA_CENTER;
        } else if ((m_style & ES_RIGHT) != 0) {
            m_paraFormat.wAlignment = PFA_RIGHT;
        }
    }
    m_flags |= kInPlaceActive;

    PCreateTextServices factory = TextServicesFactory();
    if (factory == nullptr) return false;
    CComPointer<IUnknown> unknown;
    if (FAILED(factory(nullptr, this, unknown.Receive())) || !unknown) return false;
    void* services = nullptr;
    const HRESULT hr = unknown->QueryInterface(kIID_ITextServices, &services);
    unknown.Reset();
    if (FAILED(hr) || services == nullptr) return false;
    m_services = static_cast<ITextServices*>(services);
    if (create != nullptr && create->lpszName != nullptr) {
        if (FAILED(m_services->TxSetText(create->lpszName))) return false;
    }
    return true;
}

void CTxtWinHost::InitDefaultCharFormat(HFONT font) {
    memset(&m_charFormat, 0, sizeof(m_charFormat));
    m_charFormat.cbSize = sizeof(m_charFormat);
    m_charFormat.dwMask = CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC |
                          CFM_UNDERLINE;
    m_charFormat.yOffset = 0;
    m_charFormat.crTextColor = m_owner != nullptr ? CUIRenderer::ToColorRef(m_owner->GetTextColor()) : 0;
    ApplyFont(font);
}

// Size, effects, character set, pitch and face of the default character format from a font.
void CTxtWinHost::ApplyFont(HFONT font) {
    if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf = {};
    if (::GetObjectW(font, sizeof(lf), &lf) == 0) return;
    // A font given by cell height (positive) has the same size as by character height here; its
    // sign must not make the size negative.
    m_charFormat.yHeight = ::MulDiv(std::abs(lf.lfHeight), kTwipsPerInch, LogPixels(OwnerDC(), LOGPIXELSY));
    m_charFormat.dwEffects &= ~(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE);
    if (lf.lfWeight >= FW_BOLD) m_charFormat.dwEffects |= CFE_BOLD;
    if (lf.lfItalic) m_charFormat.dwEffects |= CFE_ITALIC;
    if (lf.lfUnderline) m_charFormat.dwEffects |= CFE_UNDERLINE;
    m_charFormat.bCharSet = lf.lfCharSet;
    m_charFormat.bPitchAndFamily = lf.lfPitchAndFamily;
    wcsncpy(m_charFormat.szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
    m_charFormat.szFaceName[LF_FACESIZE - 1] = L'\0';
}

void CTxtWinHost::InitDefaultParaFormat() {
    memset(&m_paraFormat, 0, sizeof(m_paraFormat));
    m_paraFormat.cbSize = sizeof(m_paraFormat);
    m_paraFormat.dwMask = PFM_ALL | PFM_RTLPARA;
    m_paraFormat.wAlignment = PFA_LEFT;
    m_paraFormat.cTabCount = 1;
    m_paraFormat.rgxTabs[0] = kDefaultTabStop;
}

// ---------------------------------------------------------------------------------------------
// Operations of the control

void CTxtWinHost::PropertyChanged(DWORD bit) {
    if (m_services != nullptr) m_services->OnTxPropertyBitsChange(bit, bit);
}

void CTxtWinHost::SetFont(HFONT font) {
    ApplyFont(font);
    PropertyChanged(TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::SetColor(DWORD argb) {
    m_charFormat.crTextColor = CUIRenderer::ToColorRef(argb);
    PropertyChanged(TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::SetRichTextFlag(bool rich) {
    if (rich) {
        m_flags |= kRich;
    } else {
        m_flags &= ~kRich;
    }
    if (m_services != nullptr) m_services->OnTxPropertyBitsChange(TXTBIT_RICHTEXT, rich ? TXTBIT_RICHTEXT : 0);
}

void CTxtWinHost::SetTransparent(bool transparent) {
    if (transparent) {
        m_flags |= kTransparent;
    } else {
        m_flags &= ~kTransparent;
    }
    PropertyChanged(TXTBIT_BACKSTYLECHANGE);
}

void CTxtWinHost::UpdateExtent() {
    HDC hDC = OwnerDC();
    m_extent.cx = ::MulDiv(m_clientRect.right - m_clientRect.left, kHimetricPerInch, LogPixels(hDC, LOGPIXELSX));
    m_extent.cy = ::MulDiv(m_clientRect.bottom - m_clientRect.top, kHimetricPerInch, LogPixels(hDC, LOGPIXELSY));
}

void CTxtWinHost::SetClientRect(const RECT& rc) {
    m_clientRect = rc;
    UpdateExtent();
    PropertyChanged(TXTBIT_EXTENTCHANGE);
}

HRESULT CTxtWinHost::OnTxInPlaceActivate(const RECT* rc) {
    if (m_services == nullptr) return E_FAIL;
    m_flags |= kInPlaceActive;
    const HRESULT hr = m_services->OnTxInPlaceActivate(rc);
    if (FAILED(hr)) m_flags &= ~kInPlaceActive;
    return hr;
}

bool CTxtWinHost::DoSetCursor(const RECT* rc, POINT pt) {
    const RECT area = rc != nullptr ? *rc : m_clientRect;
    if (!::PtInRect(&area, pt) || m_services == nullptr) return false;
    const RECT* client = ((m_flags & kInPlaceActive) != 0 && rc == nullptr) ? nullptr : &area;
    m_services->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, OwnerDC(), nullptr, client, pt.x, pt.y);
    return true;
}

// ---------------------------------------------------------------------------------------------
// IUnknown

HRESULT CTxtWinHost::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIID_ITextHost)) {
        AddRef();
        *object = static_cast<ITextHost*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CTxtWinHost::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_refCount));
}

ULONG CTxtWinHost::Release() {
    const LONG count = ::InterlockedDecrement(&m_refCount);
    if (count <= 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count);
}

// ---------------------------------------------------------------------------------------------
// ITextHost

HDC CTxtWinHost::TxGetDC() {
    return OwnerDC();
}

INT CTxtWinHost::TxReleaseDC(HDC) {
    return 1;
}

WINBOOL CTxtWinHost::TxShowScrollBar(INT bar, WINBOOL show) {
    if (m_owner == nullptr) return TRUE;
    if (bar == SB_VERT || bar == SB_BOTH) ShowBar(m_owner, m_owner->GetVerticalScrollBar(), show != FALSE);
    if (bar == SB_HORZ || bar == SB_BOTH) ShowBar(m_owner, m_owner->GetHorizontalScrollBar(), show != FALSE);
    return TRUE;
}

WINBOOL CTxtWinHost::TxEnableScrollBar(INT bars, INT arrows) {
    if (m_owner == nullptr) return TRUE;
    const bool show = arrows != ESB_DISABLE_BOTH;
    const bool vertical = bars == SB_VERT || bars == SB_BOTH;
    const bool horizontal = bars == SB_HORZ || bars == SB_BOTH;
    // A bar is made only when missing: the engine asks again at every update, and making the
    // bars again would ask for a layout at every paint.
    const bool haveVertical = m_owner->GetVerticalScrollBar() != nullptr;
    const bool haveHorizontal = m_owner->GetHorizontalScrollBar() != nullptr;
    if ((vertical && !haveVertical) || (horizontal && !haveHorizontal)) {
        m_owner->EnableScrollBars(vertical || haveVertical, horizontal || haveHorizontal);
    }
    if (vertical) ShowBar(m_owner, m_owner->GetVerticalScrollBar(), show);
    if (horizontal) ShowBar(m_owner, m_owner->GetHorizontalScrollBar(), show);
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL) {
    if (m_owner == nullptr) return TRUE;
    const long long span = static_cast<long long>(maxPos) - minPos;
    CScrollBarUI* scrollBar = nullptr;
    long long overflow = 0;
    if (bar == SB_VERT) {
        scrollBar = m_owner->GetVerticalScrollBar();
        overflow = span - (m_clientRect.bottom - m_clientRect.top);
    } else if (bar == SB_HORZ) {
        scrollBar = m_owner->GetHorizontalScrollBar();
        overflow = span - (m_clientRect.right - m_clientRect.left);
    }
    if (scrollBar == nullptr) return TRUE;
    if (overflow <= 0) {
        ShowBar(m_owner, scrollBar, false);
    } else {
        ShowBar(m_owner, scrollBar, true);
        scrollBar->SetScrollRange(overflow > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(overflow));
    }
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollPos(INT bar, INT pos, WINBOOL) {
    if (m_owner == nullptr) return TRUE;
    CScrollBarUI* scrollBar = nullptr;
    if (bar == SB_VERT) scrollBar = m_owner->GetVerticalScrollBar();
    if (bar == SB_HORZ) scrollBar = m_owner->GetHorizontalScrollBar();
    if (scrollBar != nullptr) scrollBar->SetScrollPos(pos);
    return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT rc, WINBOOL) {
    if (m_owner == nullptr || m_owner->GetManager() == nullptr) return;
    m_owner->GetManager()->Invalidate(rc != nullptr ? *rc : m_clientRect);
}

void CTxtWinHost::TxViewChange(WINBOOL) {
    if (m_owner != nullptr && m_owner->OnTxViewChanged()) m_owner->Invalidate();
}

WINBOOL CTxtWinHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height) {
    HWND hWnd = OwnerWindow();
    if (hWnd == nullptr) return FALSE;
    return ::CreateCaret(hWnd, bitmap, width, height);
}

WINBOOL CTxtWinHost::TxShowCaret(WINBOOL show) {
    HWND hWnd = OwnerWindow();
    if (hWnd == nullptr) return FALSE;
    return show ? ::ShowCaret(hWnd) : ::HideCaret(hWnd);
}

WINBOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) {
    if (OwnerWindow() == nullptr) return FALSE;
    return ::SetCaretPos(x, y);
}

WINBOOL CTxtWinHost::TxSetTimer(UINT id, UINT timeout) {
    if (m_owner == nullptr || m_owner->GetManager() == nullptr) return FALSE;
    m_flags |= kTimer;
    // Asking again for a running timer restarts it with the new period, as the system's timers
    // do; the manager alone would refuse a second timer of the same id.
    CWindowManagerUI* manager = m_owner->GetManager();
    manager->KillTimer(m_owner, id);
    return manager->SetTimer(m_owner, id, timeout) ? TRUE : FALSE;
}

void CTxtWinHost::TxKillTimer(UINT id) {
    if (m_owner != nullptr && m_owner->GetManager() != nullptr) m_owner->GetManager()->KillTimer(m_owner, id);
    m_flags &= ~kTimer;
}

void CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {}

void CTxtWinHost::TxSetCapture(WINBOOL capture) {
    if (m_owner == nullptr || m_owner->GetManager() == nullptr) return;
    if (capture) {
        m_owner->GetManager()->SetCapture();
        m_flags |= kCaptured;
    } else {
        m_owner->GetManager()->ReleaseCapture();
        m_flags &= ~kCaptured;
    }
}

void CTxtWinHost::TxSetFocus() {
    if (m_owner != nullptr) m_owner->SetFocus();
}

void CTxtWinHost::TxSetCursor(HCURSOR cursor, WINBOOL) {
    ::SetCursor(cursor);
}

WINBOOL CTxtWinHost::TxScreenToClient(LPPOINT pt) {
    HWND hWnd = OwnerWindow();
    return hWnd != nullptr && pt != nullptr ? ::ScreenToClient(hWnd, pt) : FALSE;
}

WINBOOL CTxtWinHost::TxClientToScreen(LPPOINT pt) {
    HWND hWnd = OwnerWindow();
    return hWnd != nullptr && pt != nullptr ? ::ClientToScreen(hWnd, pt) : FALSE;
}

HRESULT CTxtWinHost::TxActivate(LONG*) {
    return S_OK;
}

HRESULT CTxtWinHost::TxDeactivate(LONG) {
    return S_OK;
}

HRESULT CTxtWinHost::TxGetClientRect(LPRECT rc) {
    if (rc == nullptr) return E_INVALIDARG;
    *rc = m_clientRect;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT rc) {
    if (rc == nullptr) return E_INVALIDARG;
    rc->left = rc->top = rc->right = rc->bottom = 0;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format) {
    if (format == nullptr) return E_INVALIDARG;
    *format = reinterpret_cast<const CHARFORMATW*>(&m_charFormat);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format) {
    if (format == nullptr) return E_INVALIDARG;
    *format = &m_paraFormat;
    return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int index) {
    return ::GetSysColor(index);
}

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* style) {
    if (style == nullptr) return E_INVALIDARG;
    *style = (m_flags & kTransparent) != 0 ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* length) {
    if (length == nullptr) return E_INVALIDARG;
    *length = static_cast<DWORD>(m_maxLength);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* scrollBars) {
    if (scrollBars == nullptr) return E_INVALIDARG;
    *scrollBars = m_style & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* ch) {
    if (ch == nullptr) return E_INVALIDARG;
    *ch = m_passwordChar;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* cp) {
    if (cp == nullptr) return E_INVALIDARG;
    *cp = m_acceleratorPos;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL extent) {
    if (extent == nullptr) return E_INVALIDARG;
    *extent = m_extent;
    return S_OK;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*) {
    return S_OK;
}

HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*) {
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
    if (bits == nullptr) return E_INVALIDARG;
    DWORD value = 0;
    if ((m_flags & kRich) != 0) value |= TXTBIT_RICHTEXT;
    if ((m_style & ES_MULTILINE) != 0) value |= TXTBIT_MULTILINE;
    if ((m_style & ES_READONLY) != 0) value |= TXTBIT_READONLY;
    if ((m_style & ES_PASSWORD) != 0) value |= TXTBIT_USEPASSWORD;
    if ((m_style & ES_NOHIDESEL) == 0) value |= TXTBIT_HIDESELECTION;
    if ((m_flags & kAutoWordSel) != 0) value |= TXTBIT_AUTOWORDSEL;
    if ((m_flags & kWordWrap) != 0) value |= TXTBIT_WORDWRAP;
    if ((m_flags & kAllowBeep) != 0) value |= TXTBIT_ALLOWBEEP;
    if ((m_flags & kSaveSelection) != 0) value |= TXTBIT_SAVESELECTION;
    *bits = value & mask;
    return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD notify, void* data) {
    if (notify == EN_REQUESTRESIZE) {
        const REQRESIZE* request = static_cast<const REQRESIZE*>(data);
        if (request != nullptr) {
            m_clientRect.right = m_clientRect.left + (request->rc.right - request->rc.left);
            m_clientRect.bottom = m_clientRect.top + (request->rc.bottom - request->rc.top);
        }
        return S_OK;
    }
    if (m_owner != nullptr) m_owner->OnTxNotify(notify, data);
    return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext() {
    return nullptr;
}

void CTxtWinHost::TxImmReleaseContext(HIMC) {}

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* width) {
    if (width == nullptr) return E_INVALIDARG;
    *width = m_selBarWidth;
    return S_OK;
}

}  // namespace UIToolkit
