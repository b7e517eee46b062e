// Window manager services: timers, focus, capture, tooltips, notifications, option groups,
// resource parent and default colours, fonts, images, default attribute lists and the
// process-wide settings.
#include <cwchar>

#include "control.h"
#include "gdi_owners.h"
#include "render_engine.h"
#include "ui_zip.h"
#include "window_manager.h"

namespace UIToolkit {

namespace {

struct ProcessSettings {
    HINSTANCE instance = nullptr;
    CUIString resourcePath;
    CUIString resourceZip;
    bool zipCached = false;
    ZipHandle* zipHandle = nullptr;
    short hue = 180;
    short saturation = 100;
    short lightness = 100;
    CUIPtrArray plugins;
};

ProcessSettings& Settings() {
    static ProcessSettings settings;
    return settings;
}

struct TabStopSearch {
    CControlUI* focus;
    CControlUI* last;
    bool forward;
    bool nextIsIt;
};

// A font made from the stock GUI font's description with the given face and styles.
HFONT MakeFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    // The face field holds LF_FACESIZE units with the terminator: longer faces are cut.
    wmemset(lf.lfFaceName, L'\0', LF_FACESIZE);
    if (face != nullptr) wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    if (bold) lf.lfWeight += FW_BOLD;
    if (underline) lf.lfUnderline = TRUE;
    if (italic) lf.lfItalic = TRUE;
    return ::CreateFontIndirectW(&lf);
}

// Fills a record for a font made by MakeFont; its metrics are measured afresh.
void DescribeFont(UIFontInfo* info, HFONT font, const wchar_t* face, int size, bool bold, bool underline,
                  bool italic) {
    info->hFont = font;
    info->faceName = face;
    info->size = size;
    info->bold = bold;
    info->underline = underline;
    info->italic = italic;
    info->tm = TEXTMETRICW{};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Timers

bool CWindowManagerUI::SetTimer(CControlUI* control, UINT localId, UINT elapse) {
    // Without a window the system would make a thread timer under an id of its own choosing,
    // which this manager could neither match nor stop.
    if (m_hWndPaint == nullptr) return false;
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        UITimerEntry* entry = static_cast<UITimerEntry*>(m_timers[i]);
        if (entry->control == control && entry->hWnd == m_hWndPaint && entry->localId == localId) {
            if (!entry->killed) return false;
            if (::SetTimer(m_hWndPaint, entry->winTimerId, elapse, nullptr) == 0) return false;
            entry->killed = false;
            return true;
        }
    }
    // Ids run modulo 255 per window; an id still held by an entry (running or killed and kept
    // for reuse) is skipped, so a new timer never takes over a live one.
    UINT winTimerId = 0;
    bool found = false;
    for (int attempt = 0; attempt < 255 && !found; ++attempt) {
        m_timerCounter = (m_timerCounter + 1) % 255;
        found = true;
        for (int i = 0; i < m_timers.GetSize(); ++i) {
            const UITimerEntry* entry = static_cast<const UITimerEntry*>(m_timers[i]);
            if (entry->hWnd == m_hWndPaint && entry->winTimerId == m_timerCounter) {
                found = false;
                break;
            }
        }
        winTimerId = m_timerCounter;
    }
    if (!found) return false;
    if (::SetTimer(m_hWndPaint, winTimerId, elapse, nullptr) == 0) return false;
    UITimerEntry* entry = new UITimerEntry{control, localId, m_hWndPaint, winTimerId, false};
    if (!m_timers.Add(entry)) {
        ::KillTimer(m_hWndPaint, winTimerId);
        delete entry;
        return false;
    }
    return true;
}

bool CWindowManagerUI::KillTimer(CControlUI* control, UINT localId) {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        UITimerEntry* entry = static_cast<UITimerEntry*>(m_timers[i]);
        if (entry->control == control && entry->hWnd == m_hWndPaint && entry->localId == localId && !entry->killed) {
            if (::IsWindow(m_hWndPaint)) ::KillTimer(entry->hWnd, entry->winTimerId);
            entry->killed = true;
            return true;
        }
    }
    return false;
}

void CWindowManagerUI::KillTimers(CControlUI* control) {
    for (int i = m_timers.GetSize() - 1; i >= 0; --i) {
        UITimerEntry* entry = static_cast<UITimerEntry*>(m_timers[i]);
        if (entry->control != control || entry->hWnd != m_hWndPaint) continue;
        if (!entry->killed && ::IsWindow(entry->hWnd)) ::KillTimer(entry->hWnd, entry->winTimerId);
        m_timers.Remove(i);
        delete entry;
    }
}

void CWindowManagerUI::RemoveAllTimers() {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        UITimerEntry* entry = static_cast<UITimerEntry*>(m_timers[i]);
        if (!entry->killed && entry->hWnd != nullptr && ::IsWindow(entry->hWnd)) {
            ::KillTimer(entry->hWnd, entry->winTimerId);
        }
        delete entry;
    }
    m_timers.Empty();
}

// ---------------------------------------------------------------------------------------------
// Focus and capture

bool CWindowManagerUI::IsFocusable(CControlUI* control) const {
    return control != nullptr && control->GetManager() == this && control->IsVisible() && control->IsEnabled();
}

// Takes the focus from the focus control; next is the control named in its kill-focus event.
void CWindowManagerUI::KillFocus(CControlUI* next) {
    if (m_focus == nullptr) return;
    CControlUI* old = m_focus;
    FireEvent(old, UIEVENT_KILLFOCUS, next, POINT{0, 0});
    // The event may have destroyed the old focus control (its references are then gone).
    if (m_focus == old) SendNotify(old, L"killfocus");
    m_focus = nullptr;
}

void CWindowManagerUI::SetFocus(CControlUI* control) {
    HWND focusWnd = ::GetFocus();
    if (m_hWndPaint != nullptr && focusWnd != m_hWndPaint && control != m_focus) {
        // A control that takes the focus brings the keyboard to this window. Dropping the focus
        // (no control) only takes the keyboard back from a child window of this one (such as
        // an edit's native box, which closes when it loses it): the system's focus in another
        // window, and with it the activation, is left alone.
        if (control != nullptr || (focusWnd != nullptr && ::IsChild(m_hWndPaint, focusWnd)))
            ::SetFocus(m_hWndPaint);
    }
    if (control == m_focus) return;
    KillFocus(control);
    if (IsFocusable(control)) {
        m_focus = control;
        FireEvent(control, UIEVENT_SETFOCUS, control, POINT{0, 0});
        if (m_focus == control) SendNotify(control, L"setfocus");
    }
}

CControlUI* CALLBACK CWindowManagerUI::TabStopProc(CControlUI* control, LPVOID data) {
    TabStopSearch* search = static_cast<TabStopSearch*>(data);
    if (control == search->focus) {
        if (search->forward) {
            search->nextIsIt = true;
            return nullptr;
        }
        return search->last;
    }
    if ((control->GetControlFlags() & UIFLAG_TABSTOP) == 0) return nullptr;
    search->last = control;
    if (search->nextIsIt || search->focus == nullptr) return control;
    return nullptr;
}

bool CWindowManagerUI::FocusNextTabStop(bool forward) {
    if (m_layoutPending && forward) {
        m_focusNeeded = true;
        if (m_hWndPaint != nullptr) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
        return true;
    }
    CControlUI* found = nullptr;
    if (m_root != nullptr) {
        const UINT flags = UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST;
        TabStopSearch search = {m_focus, nullptr, forward, false};
        found = m_root->FindControl(TabStopProc, &search, flags);
        if (found == nullptr) {
            if (!forward) {
                found = search.last;
            } else {
                TabStopSearch wrap = {nullptr, nullptr, true, false};
                found = m_root->FindControl(TabStopProc, &wrap, flags);
            }
        }
    }
    if (found != nullptr) SetFocus(found);
    m_focusNeeded = false;
    return true;
}

void CWindowManagerUI::RefocusAfterLayout(CControlUI* control) {
    if (m_hWndPaint != nullptr) ::SetFocus(m_hWndPaint);
    if (control == nullptr) return;
    KillFocus(control);
    if (m_root != nullptr) {
        TabStopSearch search = {control, nullptr, false, false};
        m_focus = m_root->FindControl(TabStopProc, &search, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    }
    m_focusNeeded = true;
    if (m_root != nullptr) m_root->RequestLayout();
}

void CWindowManagerUI::SetCapture() {
    ::SetCapture(m_hWndPaint);
    m_captured = true;
}

void CWindowManagerUI::ReleaseCapture() {
    ::ReleaseCapture();
    m_captured = false;
}

// ---------------------------------------------------------------------------------------------
// Tooltip

void CWindowManagerUI::ShowTooltip(CControlUI* control) {
    if (control == nullptr) return;
    // The text lives in the manager for as long as the record points at it.
    m_toolTipText = control->GetToolTip();
    if (m_toolTipText.IsEmpty()) return;
    memset(&m_toolTip, 0, sizeof(m_toolTip));
    m_toolTip.cbSize = TTTOOLINFOW_V2_SIZE;   // without the trailing reserved pointer
    m_toolTip.uFlags = TTF_IDISHWND;
    m_toolTip.hwnd = m_hWndPaint;
    m_toolTip.uId = reinterpret_cast<UINT_PTR>(m_hWndPaint);
    m_toolTip.hinst = GetInstance();
    m_toolTip.lpszText = const_cast<LPWSTR>(m_toolTipText.GetData());
    m_toolTip.rect = control->GetPos();
    if (m_hWndTooltip == nullptr) {
        m_hWndTooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint,
                                          nullptr, GetInstance(), nullptr);
        if (m_hWndTooltip == nullptr) return;
        ::SendMessageW(m_hWndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_toolTip));
    }
    ::SendMessageW(m_hWndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_toolTip));
    ::SendMessageW(m_hWndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_toolTip));
}

void CWindowManagerUI::HideTooltip() {
    if (m_hWndTooltip != nullptr) {
        ::SendMessageW(m_hWndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolTip));
    }
}

// ---------------------------------------------------------------------------------------------
// Notifications

bool CWindowManagerUI::AddNotifier(INotifyUI* notifier) {
    return m_notifiers.Add(notifier);
}

void CWindowManagerUI::SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam,
                                  bool async) {
    UINotify msg;
    msg.type = type;
    msg.sender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotifyRecord(msg, async);
}

void CWindowManagerUI::SendNotifyRecord(UINotify& msg, bool async) {
    msg.ptMouse = m_lastMousePos;
    msg.timestamp = ::GetTickCount();
    if (async) {
        UINotify* copy = new UINotify(msg);
        if (!m_asyncNotify.Add(copy)) delete copy;
        return;
    }
    DeliverNotify(msg);
}

void CWindowManagerUI::DeliverNotify(UINotify& msg) {
    if (msg.sender != nullptr && msg.sender->OnNotifyEvents.HasHandlers()) msg.sender->OnNotifyEvents.Fire(&msg);
    for (int i = 0; i < m_notifiers.GetSize(); ++i) static_cast<INotifyUI*>(m_notifiers[i])->Notify(msg);
}

void CWindowManagerUI::DeliverQueuedNotifications() {
    while (!m_asyncNotify.IsEmpty()) {
        UINotify* msg = static_cast<UINotify*>(m_asyncNotify[0]);
        m_asyncNotify.Remove(0);
        DeliverNotify(*msg);
        delete msg;
    }
}

// ---------------------------------------------------------------------------------------------
// Option groups

bool CWindowManagerUI::AddOptionGroup(const wchar_t* group, CControlUI* control) {
    CUIPtrArray* members = static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
    if (members != nullptr) {
        if (members->Find(control) >= 0) return false;
        members->Add(control);
        return true;
    }
    members = new CUIPtrArray(6);
    members->Add(control);
    if (!m_optionGroups.Insert(group, members)) {
        delete members;
        return false;
    }
    return true;
}

CUIPtrArray* CWindowManagerUI::GetOptionGroup(const wchar_t* group) const {
    return static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
}

void CWindowManagerUI::RemoveOptionGroup(const wchar_t* group, CControlUI* control) {
    CUIPtrArray* members = static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
    if (members == nullptr) return;
    const int index = members->Find(control);
    if (index >= 0) members->Remove(index);
    if (members->IsEmpty()) {
        m_optionGroups.Remove(group);
        delete members;
    }
}

void CWindowManagerUI::RemoveAllOptionGroups() {
    for (int i = 0; i < m_optionGroups.GetSize(); ++i) {
        const wchar_t* key = m_optionGroups.GetKeyAt(i);
        if (key != nullptr) delete static_cast<CUIPtrArray*>(m_optionGroups.Find(key));
    }
    m_optionGroups.Resize(83);
}

// ---------------------------------------------------------------------------------------------
// Resource parent and default colours

bool CWindowManagerUI::SetResourceParent(CWindowManagerUI* parent) {
    for (CWindowManagerUI* p = parent; p != nullptr; p = p->m_resourceParent) {
        if (p == this) return false;
    }
    m_resourceParent = parent;
    return true;
}

DWORD CWindowManagerUI::GetDefaultDisabledColor() const {
    return m_resourceParent != nullptr ? m_resourceParent->GetDefaultDisabledColor() : m_defaultDisabledColor;
}

DWORD CWindowManagerUI::GetDefaultFontColor() const {
    return m_resourceParent != nullptr ? m_resourceParent->GetDefaultFontColor() : m_defaultFontColor;
}

DWORD CWindowManagerUI::GetDefaultLinkFontColor() const {
    return m_resourceParent != nullptr ? m_resourceParent->GetDefaultLinkFontColor() : m_defaultLinkFontColor;
}

DWORD CWindowManagerUI::GetDefaultLinkHoverFontColor() const {
    return m_resourceParent != nullptr ? m_resourceParent->GetDefaultLinkHoverFontColor()
                                       : m_defaultLinkHoverFontColor;
}

DWORD CWindowManagerUI::GetDefaultSelectedBkColor() const {
    return m_resourceParent != nullptr ? m_resourceParent->GetDefaultSelectedBkColor() : m_defaultSelectedBkColor;
}

// ---------------------------------------------------------------------------------------------
// Fonts

void CWindowManagerUI::MeasureFont(UIFontInfo* font) {
    if (font == nullptr || font->tm.tmHeight != 0 || m_hDcPaint == nullptr || font->hFont == nullptr) return;
    CSelectObject select(m_hDcPaint, font->hFont);
    ::GetTextMetricsW(m_hDcPaint, &font->tm);
}

UIFontInfo* CWindowManagerUI::GetDefaultFontInfo() {
    if (m_resourceParent != nullptr) return m_resourceParent->GetDefaultFontInfo();
    MeasureFont(&m_defaultFont);
    return &m_defaultFont;
}

void CWindowManagerUI::SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
    HFONT font = MakeFont(face, size, bold, underline, italic);
    if (font == nullptr) return;
    if (m_defaultFont.hFont != nullptr) ::DeleteObject(m_defaultFont.hFont);
    DescribeFont(&m_defaultFont, font, face, size, bold, underline, italic);
    MeasureFont(&m_defaultFont);
}

HFONT CWindowManagerUI::AddFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
    HFONT font = MakeFont(face, size, bold, underline, italic);
    if (font == nullptr) return nullptr;
    UIFontInfo* info = new UIFontInfo();
    DescribeFont(info, font, face, size, bold, underline, italic);
    MeasureFont(info);
    if (!m_fonts.Add(info)) {
        ::DeleteObject(font);
        delete info;
        return nullptr;
    }
    return font;
}

HFONT CWindowManagerUI::GetFont(int index) {
    if (index < 0 || index >= m_fonts.GetSize()) return GetDefaultFontInfo()->hFont;
    return static_cast<UIFontInfo*>(m_fonts[index])->hFont;
}

HFONT CWindowManagerUI::FindFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const {
    for (int i = 0; i < m_fonts.GetSize(); ++i) {
        const UIFontInfo* info = static_cast<const UIFontInfo*>(m_fonts[i]);
        if (info->faceName == face && info->size == size && info->bold == bold && info->underline == underline &&
            info->italic == italic) {
            return info->hFont;
        }
    }
    if (m_resourceParent != nullptr) return m_resourceParent->FindFont(face, size, bold, underline, italic);
    return nullptr;
}

UIFontInfo* CWindowManagerUI::GetFontInfo(int index) {
    if (index < 0 || index >= m_fonts.GetSize()) return GetDefaultFontInfo();
    UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts[index]);
    MeasureFont(info);
    return info;
}

UIFontInfo* CWindowManagerUI::GetFontInfoByHandle(HFONT hFont) {
    for (int i = 0; i < m_fonts.GetSize(); ++i) {
        UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts[i]);
        if (info->hFont == hFont) {
            MeasureFont(info);
            return info;
        }
    }
    if (m_resourceParent != nullptr) return m_resourceParent->GetFontInfoByHandle(hFont);
    return GetDefaultFontInfo();
}

void CWindowManagerUI::RemoveAllFonts() {
    for (int i = 0; i < m_fonts.GetSize(); ++i) {
        UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts[i]);
        if (info->hFont != nullptr) ::DeleteObject(info->hFont);
        delete info;
    }
    m_fonts.Empty();
}

// ---------------------------------------------------------------------------------------------
// Images

UIImageInfo* CWindowManagerUI::GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr) return nullptr;
    UIImageInfo* image = static_cast<UIImageInfo*>(m_images.Find(name));
    if (image != nullptr) return image;
    AddImage(name, type, mask);
    return static_cast<UIImageInfo*>(m_images.Find(name));
}

UIImageInfo* CWindowManagerUI::AddImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr || name[0] == L'\0') return nullptr;
    UIImageInfo* image = nullptr;
    if (type != nullptr) {
        if (name[0] < L'0' || name[0] > L'9') return nullptr;
        UINT id = 0;
        for (const wchar_t* p = name; *p >= L'0' && *p <= L'9'; ++p) id = id * 10 + static_cast<UINT>(*p - L'0');
        image = CUIRenderer::LoadImage(id, type, mask);
    } else {
        image = CUIRenderer::LoadImage(name, nullptr, mask);
    }
    if (image == nullptr) return nullptr;
    if (type != nullptr) image->resType = type;
    image->mask = mask;
    if (!m_images.Insert(name, image)) {
        CUIRenderer::FreeImage(image);
        return nullptr;
    }
    return image;
}

void CWindowManagerUI::RemoveAllImages() {
    for (int i = 0; i < m_images.GetSize(); ++i) {
        const wchar_t* key = m_images.GetKeyAt(i);
        if (key != nullptr) CUIRenderer::FreeImage(static_cast<UIImageInfo*>(m_images.Find(key)));
    }
    m_images.Resize(83);
}

// ---------------------------------------------------------------------------------------------
// Default attribute lists

void CWindowManagerUI::AddDefaultAttributeList(const wchar_t* controlName, const wchar_t* attrList) {
    if (controlName == nullptr) return;
    CUIString* copy = new CUIString(attrList);
    if (!m_defaultAttrLists.Insert(controlName, copy)) delete copy;
}

const wchar_t* CWindowManagerUI::GetDefaultAttributeList(const wchar_t* controlName) const {
    const CUIString* list = static_cast<const CUIString*>(m_defaultAttrLists.Find(controlName));
    if (list != nullptr) return list->GetData();
    if (m_resourceParent != nullptr) return m_resourceParent->GetDefaultAttributeList(controlName);
    return nullptr;
}

void CWindowManagerUI::RemoveAllDefaultAttributeLists() {
    for (int i = 0; i < m_defaultAttrLists.GetSize(); ++i) {
        const wchar_t* key = m_defaultAttrLists.GetKeyAt(i);
        if (key != nullptr) delete static_cast<CUIString*>(m_defaultAttrLists.Find(key));
    }
    m_defaultAttrLists.Resize(83);
}

// ---------------------------------------------------------------------------------------------
// Process-wide settings

void CWindowManagerUI::SetInstance(HINSTANCE instance) {
    Settings().instance = instance;
}

HINSTANCE CWindowManagerUI::GetInstance() {
    return Settings().instance;
}

CUIString CWindowManagerUI::GetInstancePath() {
    if (Settings().instance == nullptr) return CUIString();
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(Settings().instance, path, MAX_PATH);
    if (length == 0) return CUIString();
    path[MAX_PATH] = L'\0';
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash != nullptr) slash[1] = L'\0';
    return CUIString(path);
}

HINSTANCE CWindowManagerUI::GetResourceInstance() {
    return Settings().instance;
}

void CWindowManagerUI::SetResourcePath(const wchar_t* path) {
    CUIString& folder = Settings().resourcePath;
    folder = path;
    const int length = folder.GetLength();
    if (length > 0) {
        const wchar_t last = folder.GetAt(length - 1);
        if (last != L'\\' && last != L'/') folder += L'\\';
    }
}

const CUIString& CWindowManagerUI::GetResourcePath() {
    return Settings().resourcePath;
}

void CWindowManagerUI::SetResourceZip(const wchar_t* zip, bool cached) {
    ProcessSettings& settings = Settings();
    if (settings.resourceZip == zip && settings.zipCached == cached) return;
    if (settings.zipCached && settings.zipHandle != nullptr) {
        ZipClose(settings.zipHandle);
        settings.zipHandle = nullptr;
    }
    settings.resourceZip = zip;
    settings.zipCached = cached;
    if (cached) {
        CUIString file = settings.resourcePath + settings.resourceZip;
        settings.zipHandle = ZipOpen(const_cast<wchar_t*>(file.GetData()), 0, ZIP_FILENAME);
    }
}

const CUIString& CWindowManagerUI::GetResourceZip() {
    return Settings().resourceZip;
}

bool CWindowManagerUI::IsResourceZipCached() {
    return Settings().zipCached;
}

ZipHandle* CWindowManagerUI::GetResourceZipHandle() {
    return Settings().zipHandle;
}

void CWindowManagerUI::GetHSL(short* hue, short* saturation, short* lightness) {
    if (hue != nullptr) *hue = Settings().hue;
    if (saturation != nullptr) *saturation = Settings().saturation;
    if (lightness != nullptr) *lightness = Settings().lightness;
}

CUIPtrArray* CWindowManagerUI::GetPlugins() {
    return &Settings().plugins;
}

}  // namespace UIToolkit
