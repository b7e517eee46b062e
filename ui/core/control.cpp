#include "control.h"

#include "render_engine.h"

namespace UIToolkit {

namespace {

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CUIEventSource

CUIEventSource::~CUIEventSource() {
    for (int i = 0; i < m_callbacks.GetSize(); ++i) delete static_cast<CUIDelegate*>(m_callbacks[i]);
}

bool CUIEventSource::Fire(void* param) {
    for (int i = 0; i < m_callbacks.GetSize(); ++i) {
        if (!static_cast<CUIDelegate*>(m_callbacks[i])->Invoke(param)) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Construction

CControlUI::CControlUI()
    : m_manager(nullptr), m_parent(nullptr), m_layoutPending(true), m_contextMenu(false), m_rcItem{0, 0, 0, 0},
      m_rcPadding{0, 0, 0, 0}, m_fixedXY{0, 0}, m_fixed{0, 0}, m_min{0, 0}, m_max{9999, 9999}, m_visible(true),
      m_internVisible(true), m_enabled(true), m_mouseEnabled(true), m_focused(false), m_float(false),
      m_setPosGuard(false), m_shortcut(0), m_tag(0), m_bkColor(0), m_bkColor2(0), m_bkColor3(0),
      m_borderColor(0), m_focusBorderColor(0), m_colorHSL(false), m_borderSize(1), m_borderRound{0, 0},
      m_rcPaint{0, 0, 0, 0} {}

CControlUI::~CControlUI() {
    if (OnDestroyEvents.HasHandlers()) OnDestroyEvents.Fire(this);
    if (m_manager != nullptr) m_manager->OnControlDestroyed(this);
}

CUIString CControlUI::GetName() const {
    return m_name;
}

void CControlUI::SetName(const wchar_t* name) {
    const CUIString oldName = m_name;
    m_name = name;
    // An attached control keeps the manager's name map in step.
    if (m_manager != nullptr && oldName != m_name.GetData()) m_manager->OnControlRenamed(this, oldName);
}

const wchar_t* CControlUI::GetClassName() const {
    return L"ControlUI";
}

void* CControlUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Control") == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const {
    return 0;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

CWindowManagerUI* CControlUI::GetManager() const {
    return m_manager;
}

void CControlUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
    m_manager = manager;
    m_parent = parent;
    if (init && parent != nullptr) Init();
}

CControlUI* CControlUI::GetParent() const {
    return m_parent;
}

CUIString CControlUI::GetText() const {
    return m_text;
}

void CControlUI::SetText(const wchar_t* text) {
    if (m_text == (text != nullptr ? text : L"")) return;
    m_text = text;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Position and size

const RECT& CControlUI::GetPos() const {
    return m_rcItem;
}

void CControlUI::SetPos(RECT rc) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    CUIRect invalidate(::IsRectEmpty(&m_rcItem) ? rc : m_rcItem);
    m_rcItem = rc;
    if (m_manager == nullptr) return;
    if (!m_setPosGuard) {
        m_setPosGuard = true;
        if (OnSizeEvents.HasHandlers()) OnSizeEvents.Fire(this);
        m_setPosGuard = false;
    }
    if (m_float && m_parent != nullptr) {
        const RECT& rcParent = m_parent->GetPos();
        m_fixedXY.cx = m_fixedXY.cx >= 0 ? m_rcItem.left - rcParent.left : m_rcItem.right - rcParent.right;
        m_fixedXY.cy = m_fixedXY.cy >= 0 ? m_rcItem.top - rcParent.top : m_rcItem.bottom - rcParent.bottom;
        m_fixed.cx = m_rcItem.right - m_rcItem.left;
        m_fixed.cy = m_rcItem.bottom - m_rcItem.top;
    }
    m_layoutPending = false;
    invalidate.Join(m_rcItem);
    for (CControlUI* ancestor = m_parent; ancestor != nullptr; ancestor = ancestor->GetParent()) {
        RECT clipped = {};
        const RECT& rcAncestor = ancestor->GetPos();
        if (!::IntersectRect(&clipped, &invalidate, &rcAncestor)) return;
        invalidate = clipped;
    }
    m_manager->Invalidate(invalidate);
}

int CControlUI::GetWidth() const {
    return m_rcItem.right - m_rcItem.left;
}

int CControlUI::GetHeight() const {
    return m_rcItem.bottom - m_rcItem.top;
}

int CControlUI::GetX() const {
    return m_rcItem.left;
}

int CControlUI::GetY() const {
    return m_rcItem.top;
}

RECT CControlUI::GetPadding() const {
    return m_rcPadding;
}

void CControlUI::SetPadding(RECT rc) {
    m_rcPadding = rc;
    RequestParentLayout();
}

SIZE CControlUI::GetFixedXY() const {
    return m_fixedXY;
}

// After a change of fixed place or size: a floating control lays itself out again, any other
// asks its parent.
static void RequestSizeLayout(CControlUI* control) {
    if (control->IsFloat()) {
        control->RequestLayout();
    } else {
        control->RequestParentLayout();
    }
}

void CControlUI::SetFixedXY(SIZE sz) {
    m_fixedXY = sz;
    RequestSizeLayout(this);
}

int CControlUI::GetFixedWidth() const {
    return m_fixed.cx;
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_fixed.cx = cx;
    RequestSizeLayout(this);
}

int CControlUI::GetFixedHeight() const {
    return m_fixed.cy;
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_fixed.cy = cy;
    RequestSizeLayout(this);
}

int CControlUI::GetMinWidth() const {
    return m_min.cx;
}

void CControlUI::SetMinWidth(int cx) {
    if (cx < 0 || cx == m_min.cx) return;
    m_min.cx = cx;
    RequestSizeLayout(this);
}

int CControlUI::GetMaxWidth() const {
    return m_max.cx;
}

void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0 || cx == m_max.cx) return;
    m_max.cx = cx;
    RequestSizeLayout(this);
}

int CControlUI::GetMinHeight() const {
    return m_min.cy;
}

void CControlUI::SetMinHeight(int cy) {
    if (cy < 0 || cy == m_min.cy) return;
    m_min.cy = cy;
    RequestSizeLayout(this);
}

int CControlUI::GetMaxHeight() const {
    return m_max.cy;
}

void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0 || cy == m_max.cy) return;
    m_max.cy = cy;
    RequestSizeLayout(this);
}

void CControlUI::SetRelativePos(SIZE move, SIZE zoom) {
    m_relativePos.relative = true;
    m_relativePos.moveX = move.cx;
    m_relativePos.moveY = move.cy;
    m_relativePos.zoomX = zoom.cx;
    m_relativePos.zoomY = zoom.cy;
}

void CControlUI::SetRelativeParentSize(SIZE sz) {
    m_relativePos.parentSize = sz;
}

UIRelativePos CControlUI::GetRelativePos() const {
    return m_relativePos;
}

bool CControlUI::IsRelativePos() const {
    return m_relativePos.relative;
}

// ---------------------------------------------------------------------------------------------
// Texts and flags

CUIString CControlUI::GetToolTip() const {
    return m_toolTip;
}

void CControlUI::SetToolTip(const wchar_t* text) {
    m_toolTip = text;
}

wchar_t CControlUI::GetShortcut() const {
    return m_shortcut;
}

void CControlUI::SetShortcut(wchar_t ch) {
    m_shortcut = ch;
}

bool CControlUI::IsContextMenuEnabled() const {
    return m_contextMenu;
}

void CControlUI::SetContextMenuEnabled(bool enable) {
    m_contextMenu = enable;
}

const CUIString& CControlUI::GetUserData() const {
    return m_userData;
}

void CControlUI::SetUserData(const wchar_t* text) {
    m_userData = text;
}

UINT_PTR CControlUI::GetTag() const {
    return m_tag;
}

void CControlUI::SetTag(UINT_PTR tag) {
    m_tag = tag;
}

bool CControlUI::IsVisible() const {
    return m_visible && m_internVisible;
}

// A control that is hidden or disabled gives up the manager's focus, also when the focus is
// held by one of its descendants. Only the window's own thread moves the focus (worker threads also change controls); the
// manager drops a focus that has become unusable before it routes keys to it.
static void DropFocusWithin(CControlUI* control) {
    CWindowManagerUI* manager = control->GetManager();
    if (manager == nullptr) return;
    HWND hWnd = manager->GetPaintWindow();
    if (hWnd != nullptr && ::GetWindowThreadProcessId(hWnd, nullptr) != ::GetCurrentThreadId()) return;
    for (CControlUI* p = manager->GetFocus(); p != nullptr; p = p->GetParent()) {
        if (p == control) {
            manager->SetFocus(nullptr);
            return;
        }
    }
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    const bool wasVisible = IsVisible();
    m_visible = visible;
    m_focused = false;
    if (!visible) DropFocusWithin(this);
    if (IsVisible() != wasVisible) RequestParentLayout();
}

void CControlUI::SetInternalVisible(bool visible) {
    m_internVisible = visible;
    if (!visible) DropFocusWithin(this);
}

bool CControlUI::IsEnabled() const {
    return m_enabled;
}

void CControlUI::SetEnabled(bool enable) {
    if (m_enabled == enable) return;
    m_enabled = enable;
    if (!enable) DropFocusWithin(this);
    Invalidate();
}

bool CControlUI::IsMouseEnabled() const {
    return m_mouseEnabled;
}

void CControlUI::SetMouseEnabled(bool enable) {
    m_mouseEnabled = enable;
}

bool CControlUI::IsFocused() const {
    return m_focused;
}

void CControlUI::SetFocus() {
    if (m_manager != nullptr) m_manager->SetFocus(this);
}

bool CControlUI::IsFloat() const {
    return m_float;
}

void CControlUI::SetFloat(bool isFloat) {
    if (m_float == isFloat) return;
    m_float = isFloat;
    RequestParentLayout();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, LPVOID data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) != 0) {
        if (!m_mouseEnabled) return nullptr;
        if (!::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) return nullptr;
    }
    return proc(this, data);
}

// ---------------------------------------------------------------------------------------------
// Events

void CControlUI::Init() {
    OnInit();
    if (OnInitEvents.HasHandlers()) OnInitEvents.Fire(this);
}

void CControlUI::OnInit() {}

void CControlUI::DispatchEvent(UIEvent& event) {
    if (!OnEventEvents.Fire(&event)) return;
    HandleEvent(event);
}

void CControlUI::HandleEvent(UIEvent& event) {
    switch (event.type) {
        case UIEVENT_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return;
        case UIEVENT_SETFOCUS:
            m_focused = true;
            Invalidate();
            return;
        case UIEVENT_KILLFOCUS:
            m_focused = false;
            Invalidate();
            return;
        case UIEVENT_TIMER:
            if (m_manager != nullptr) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
            return;
        case UIEVENT_CONTEXTMENU:
            if (m_contextMenu) {
                if (m_manager != nullptr) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
                return;
            }
            break;
        default:
            break;
    }
    if (m_parent != nullptr) m_parent->HandleEvent(event);
}

SIZE CControlUI::EstimateSize(SIZE) {
    return m_fixed;
}

// ---------------------------------------------------------------------------------------------
// Attributes

int CControlUI::ParseInt(const wchar_t* text, const wchar_t** next) {
    if (text == nullptr) {
        if (next != nullptr) *next = nullptr;
        return 0;
    }
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n') ++p;
    bool negative = false;
    if ((*p == L'-' || *p == L'+') && IsDigit(p[1])) {
        negative = *p == L'-';
        ++p;
    }
    long long value = 0;
    while (IsDigit(*p)) {
        if (value < 0x7FFFFFFFLL) value = value * 10 + (*p - L'0');
        ++p;
    }
    if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;
    if (next != nullptr) *next = p;
    return static_cast<int>(negative ? -value : value);
}

int CControlUI::ParseIntList(const wchar_t* text, int* values, int count) {
    int present = 0;
    const wchar_t* p = text;
    for (int i = 0; i < count; ++i) {
        values[i] = 0;
        if (p == nullptr || *p == L'\0') continue;
        if (i > 0) ++p;   // exactly one separator
        if (*p == L'\0') continue;
        values[i] = ParseInt(p, &p);
        ++present;
    }
    return present;
}

DWORD CControlUI::ParseColor(const wchar_t* text) {
    if (text == nullptr) return 0;
    while (*text != L'\0' && *text < 0x21) ++text;
    if (*text == L'#') ++text;
    DWORD value = 0;
    for (; *text != L'\0'; ++text) {
        int digit = -1;
        if (*text >= L'0' && *text <= L'9') digit = *text - L'0';
        else if (*text >= L'a' && *text <= L'f') digit = *text - L'a' + 10;
        else if (*text >= L'A' && *text <= L'F') digit = *text - L'A' + 10;
        if (digit < 0) break;
        value = (value << 4) | static_cast<DWORD>(digit);
    }
    return value;
}

bool CControlUI::ParseBool(const wchar_t* text) {
    return text != nullptr && wcscmp(text, L"true") == 0;
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    const CUIString n(name);
    int v[4] = {};
    if (n == L"pos") {
        ParseIntList(value, v, 4);
        SetFixedXY(SIZE{v[0] >= 0 ? v[0] : v[2], v[1] >= 0 ? v[1] : v[3]});
        SetFixedWidth(v[2] - v[0]);
        SetFixedHeight(v[3] - v[1]);
    } else if (n == L"relativepos") {
        ParseIntList(value, v, 4);
        SetRelativePos(SIZE{v[0], v[1]}, SIZE{v[2], v[3]});
    } else if (n == L"padding") {
        ParseIntList(value, v, 4);
        SetPadding(RECT{v[0], v[1], v[2], v[3]});
    } else if (n == L"bkcolor" || n == L"bkcolor1") {
        SetBkColor(ParseColor(value));
    } else if (n == L"bkcolor2") {
        SetBkColor2(ParseColor(value));
    } else if (n == L"bkcolor3") {
        SetBkColor3(ParseColor(value));
    } else if (n == L"bordercolor") {
        SetBorderColor(ParseColor(value));
    } else if (n == L"focusbordercolor") {
        SetFocusBorderColor(ParseColor(value));
    } else if (n == L"colorhsl") {
        SetColorHSL(ParseBool(value));
    } else if (n == L"bordersize") {
        SetBorderSize(ParseInt(value));
    } else if (n == L"borderround") {
        ParseIntList(value, v, 2);
        SetBorderRound(SIZE{v[0], v[1]});
    } else if (n == L"bkimage") {
        SetBkImage(value);
    } else if (n == L"width") {
        SetFixedWidth(ParseInt(value));
    } else if (n == L"height") {
        SetFixedHeight(ParseInt(value));
    } else if (n == L"minwidth") {
        SetMinWidth(ParseInt(value));
    } else if (n == L"minheight") {
        SetMinHeight(ParseInt(value));
    } else if (n == L"maxwidth") {
        SetMaxWidth(ParseInt(value));
    } else if (n == L"maxheight") {
        SetMaxHeight(ParseInt(value));
    } else if (n == L"name") {
        SetName(value);
    } else if (n == L"text") {
        SetText(value);
    } else if (n == L"tooltip") {
        SetToolTip(value);
    } else if (n == L"userdata") {
        SetUserData(value);
    } else if (n == L"enabled") {
        SetEnabled(ParseBool(value));
    } else if (n == L"mouse") {
        SetMouseEnabled(ParseBool(value));
    } else if (n == L"visible") {
        SetVisible(ParseBool(value));
    } else if (n == L"float") {
        SetFloat(ParseBool(value));
    } else if (n == L"shortcut") {
        SetShortcut(value[0]);
    } else if (n == L"menu") {
        SetContextMenuEnabled(ParseBool(value));
    }
}

void CControlUI::ApplyAttributeList(const wchar_t* list) {
    if (list == nullptr) return;
    const wchar_t* p = list;
    while (*p != L'\0') {
        CUIString name;
        while (*p != L'\0' && *p != L'=') {
            const wchar_t* next = ::CharNextW(p);
            name.Append(CUIString(p, static_cast<int>(next - p)));
            p = next;
        }
        if (*p != L'=') return;
        ++p;
        if (*p != L'"') return;
        ++p;
        CUIString value;
        while (*p != L'\0' && *p != L'"') {
            const wchar_t* next = ::CharNextW(p);
            value.Append(CUIString(p, static_cast<int>(next - p)));
            p = next;
        }
        if (*p != L'"') return;
        ++p;
        SetAttribute(name, value);
        if (*p != L' ') return;
        ++p;
    }
}

// ---------------------------------------------------------------------------------------------
// Appearance

void CControlUI::SetBkColor(DWORD color) {
    if (m_bkColor == color) return;
    m_bkColor = color;
    Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
    if (m_bkColor2 == color) return;
    m_bkColor2 = color;
    Invalidate();
}

void CControlUI::SetBkColor3(DWORD color) {
    if (m_bkColor3 == color) return;
    m_bkColor3 = color;
    Invalidate();
}

void CControlUI::SetBkImage(const wchar_t* image) {
    if (m_bkImage == (image != nullptr ? image : L"")) return;
    m_bkImage = image;
    Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
    if (m_borderColor == color) return;
    m_borderColor = color;
    Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
    if (m_focusBorderColor == color) return;
    m_focusBorderColor = color;
    Invalidate();
}

void CControlUI::SetColorHSL(bool colorHSL) {
    if (m_colorHSL == colorHSL) return;
    m_colorHSL = colorHSL;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    if (m_borderSize == size) return;
    m_borderSize = size;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE corner) {
    m_borderRound = corner;
    Invalidate();
}

bool CControlUI::DrawImage(HDC hDC, const wchar_t* image, const wchar_t* modifier) {
    return CUIRenderer::DrawImageString(hDC, m_manager, m_rcItem, m_rcPaint, image, modifier);
}

DWORD CControlUI::AdjustColor(DWORD color) const {
    if (!m_colorHSL) return color;
    short h = 180;
    short s = 100;
    short l = 100;
    CWindowManagerUI::GetHSL(&h, &s, &l);
    return CUIRenderer::AdjustColor(color, h, s, l);
}

// ---------------------------------------------------------------------------------------------
// Layout and repaint

void CControlUI::Invalidate() {
    if (!IsVisible() || m_manager == nullptr) return;
    RECT rc = m_rcItem;
    for (CControlUI* ancestor = m_parent; ancestor != nullptr; ancestor = ancestor->GetParent()) {
        RECT clipped = {};
        const RECT& rcAncestor = ancestor->GetPos();
        if (!::IntersectRect(&clipped, &rc, &rcAncestor)) return;
        rc = clipped;
    }
    if (::IsRectEmpty(&rc)) return;
    m_manager->Invalidate(rc);
}

void CControlUI::RequestLayout() {
    if (!IsVisible()) return;
    m_layoutPending = true;
    Invalidate();
    if (m_manager != nullptr) m_manager->RequestLayout();
}

void CControlUI::RequestParentLayout() {
    if (m_parent != nullptr) {
        m_parent->RequestLayout();
        m_parent->Invalidate();
    } else {
        RequestLayout();
    }
    if (m_manager != nullptr) m_manager->RequestLayout();
}

// ---------------------------------------------------------------------------------------------
// Painting

void CControlUI::Paint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
        CUIClip clip;
        CUIClip::CreateRounded(hDC, m_rcPaint, m_rcItem, m_borderRound.cx, m_borderRound.cy, clip);
        PaintBackgroundColor(hDC);
        PaintBackgroundImage(hDC);
        PaintStatusImage(hDC);
        PaintText(hDC);
        PaintBorder(hDC);
        return;
    }
    PaintBackgroundColor(hDC);
    PaintBackgroundImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
}

void CControlUI::PaintBackgroundColor(HDC hDC) {
    if (m_bkColor == 0) return;
    if (m_bkColor2 == 0) {
        if (m_bkColor >= 0xFF000000) {
            CUIRenderer::DrawColor(hDC, m_rcPaint, AdjustColor(m_bkColor));
        } else {
            CUIRenderer::DrawColor(hDC, m_rcItem, AdjustColor(m_bkColor));
        }
        return;
    }
    if (m_bkColor3 != 0) {
        RECT rc = m_rcItem;
        rc.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
        CUIRenderer::DrawGradient(hDC, rc, AdjustColor(m_bkColor), AdjustColor(m_bkColor2), true, 8);
        rc.top = rc.bottom;
        rc.bottom = m_rcItem.bottom;
        CUIRenderer::DrawGradient(hDC, rc, AdjustColor(m_bkColor2), AdjustColor(m_bkColor3), true, 8);
        return;
    }
    CUIRenderer::DrawGradient(hDC, m_rcItem, AdjustColor(m_bkColor), AdjustColor(m_bkColor2), true, 16);
}

void CControlUI::PaintBackgroundImage(HDC hDC) {
    if (m_bkImage.IsEmpty()) return;
    if (!DrawImage(hDC, m_bkImage)) m_bkImage.Empty();
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_borderSize <= 0) return;
    const bool useFocusColor = m_focused && m_focusBorderColor != 0;
    if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
        const DWORD color = useFocusColor ? m_focusBorderColor : m_borderColor;
        CUIRenderer::DrawRoundRect(hDC, m_rcItem, m_borderSize, m_borderRound.cx, m_borderRound.cy,
                                   AdjustColor(color));
        return;
    }
    if (useFocusColor) {
        CUIRenderer::DrawRect(hDC, m_rcItem, m_borderSize, AdjustColor(m_focusBorderColor));
    } else if (m_borderColor != 0) {
        CUIRenderer::DrawRect(hDC, m_rcItem, m_borderSize, AdjustColor(m_borderColor));
    }
}

void CControlUI::PostPaint(HDC, const RECT&) {}

}  // namespace UIToolkit
