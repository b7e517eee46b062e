// The column layout: fixed-height children keep their height, the others share what is left.
#include <cwchar>

#include "layout_support.h"
#include "layouts.h"

namespace UIToolkit {

using namespace LayoutSupport;

CVerticalLayoutUI::CVerticalLayoutUI() : m_separator(false) {}

const wchar_t* CVerticalLayoutUI::GetClassName() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_separator.GetSize() != 0) ? UIFLAG_SETCURSOR : 0;
}

void CVerticalLayoutUI::SetSepHeight(int height) { m_separator.SetSize(height); }

void CVerticalLayoutUI::SetSepImmMode(bool immediate) { m_separator.SetImmediate(*this, immediate); }

RECT CVerticalLayoutUI::GetSeparatorRect(bool useNewPos) const { return m_separator.GetBand(m_rcItem, useNewPos); }

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (wcscmp(name, L"sepheight") == 0) {
        SetSepHeight(ParseInt(value));
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSepImmMode(ParseBool(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CVerticalLayoutUI::HandleEvent(UIEvent& event) {
    if (m_separator.HandleEvent(*this, m_rcItem, m_fixed, event)) return;
    CContainerUI::HandleEvent(event);
}

void CVerticalLayoutUI::PostPaint(HDC hDC, const RECT&) { m_separator.PostPaint(hDC); }

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT area = WithoutBars(Shrink(m_rcItem, m_inset), m_verticalScrollBar, m_horizontalScrollBar);
    if (m_items.IsEmpty()) {
        UpdateScrollBars(area, 0, 0);
        return;
    }

    // The available size; content may be as wide as the horizontal bar lets it scroll.
    SIZE available = {area.right - area.left, area.bottom - area.top};
    available.cx += ShownRange(m_horizontalScrollBar);

    LinearSizer sizer(Axis::Vertical, m_items, available, m_childPadding);

    // Place the children from the top, scrolled by the bars.
    long long y = area.top - ShownPos(m_verticalScrollBar);
    const long long x = area.left - ShownPos(m_horizontalScrollBar);
    long long needed = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const RECT padding = child->GetPadding();
        const long long room = sizer.StartChild(padding);
        const SIZE estimate = child->EstimateSize(NonNegative(SIZE{available.cx, ToInt(room)}));
        const int height = sizer.Take(*child, estimate, padding);
        int width = child->GetFixedWidth();
        if (width == 0) width = available.cx - padding.left - padding.right;
        width = ClampWidth(*child, std::max(0, width));

        const long long left = x + padding.left;
        const long long top = y + padding.top;
        child->SetPos(RECT{ToInt(left), ToInt(top), ToInt(left + width), ToInt(top + height + padding.bottom)});

        y += static_cast<long long>(height) + m_childPadding + padding.top + padding.bottom;
        needed += static_cast<long long>(height) + padding.top + padding.bottom;
    }
    needed += sizer.Gaps();
    UpdateScrollBars(area, 0, ToInt(needed));
}

}  // namespace UIToolkit
