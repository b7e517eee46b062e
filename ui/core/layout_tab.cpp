// Tab pages: one child is current and shown, the others are hidden.
#include <cwchar>

#include "layout_support.h"
#include "layouts.h"

namespace UIToolkit {

using namespace LayoutSupport;

CTabLayoutUI::CTabLayoutUI() = default;

const wchar_t* CTabLayoutUI::GetClassName() const { return L"TabLayoutUI"; }

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"TabLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    // Straight to the container's insertion: the own AddAt would apply its rules a second time.
    if (!CContainerUI::AddAt(control, GetCount())) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
        return true;
    }
    // A page inserted at or before the current one moves the current index along; either way
    // the new page is not the current one and stays hidden.
    if (m_curSel != -1 && index <= m_curSel) ++m_curSel;
    control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    if (control == nullptr) return false;
    const int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index == m_curSel) {
        if (GetCount() > 0) {
            m_curSel = 0;
            GetItemAt(0)->SetVisible(true);
        } else {
            m_curSel = -1;
        }
        RequestParentLayout();
    } else if (index < m_curSel) {
        --m_curSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
    RequestParentLayout();
}

bool CTabLayoutUI::SetItemIndex(CControlUI* control, int index) {
    CControlUI* current = GetItemAt(m_curSel);
    if (!CContainerUI::SetItemIndex(control, index)) return false;
    // The current page stays current wherever it (or a page moved past it) now stands.
    if (current != nullptr) m_curSel = GetItemIndex(current);
    return true;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) return true;
    const int oldIndex = m_curSel;
    m_curSel = index;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* page = ChildAt(i);
        if (i == index) {
            page->SetVisible(true);
            page->SetFocus();
        } else {
            page->SetVisible(false);
        }
    }
    RequestParentLayout();
    if (m_manager != nullptr) {
        m_manager->FocusNextTabStop(true);
        m_manager->SendNotify(this, L"tabselect", static_cast<WPARAM>(m_curSel), static_cast<LPARAM>(oldIndex));
    }
    return true;
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (wcscmp(name, L"selectedid") == 0) SelectItem(ParseInt(value));
    CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT inner = Shrink(m_rcItem, m_inset);
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        if (i != m_curSel) continue;
        const RECT area = Shrink(inner, child->GetPadding());
        const SIZE room = {area.right - area.left, area.bottom - area.top};
        const SIZE estimate = child->EstimateSize(room);
        const int width = ClampWidth(*child, estimate.cx != 0 ? estimate.cx : room.cx);
        const int height = ClampHeight(*child, estimate.cy != 0 ? estimate.cy : room.cy);
        child->SetPos(RECT{area.left, area.top, area.left + width, area.top + height});
    }
}

}  // namespace UIToolkit
