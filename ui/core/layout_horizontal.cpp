// The row layout: fixed-width children keep their width, the others share what is left.
#include <cwchar>

#include "layout_support.h"
#include "layouts.h"

namespace UIToolkit {

using namespace LayoutSupport;

CHorizontalLayoutUI::CHorizontalLayoutUI() : m_separator(true) {}

const wchar_t* CHorizontalLayoutUI::GetClassName() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_separator.GetSize() != 0) ? UIFLAG_SETCURSOR : 0;
}

void CHorizontalLayoutUI::SetSepWidth(int width) { m_separator.SetSize(width); }

void CHorizontalLayoutUI::SetSepImmMode(bool immediate) { m_separator.SetImmediate(*this, immediate); }

RECT CHorizontalLayoutUI::GetSeparatorRect(bool useNewPos) const { return m_separator.GetBand(m_rcItem, useNewPos); }

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (wcscmp(name, L"sepwidth") == 0) {
        SetSepWidth(ParseInt(value));
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSepImmMode(ParseBool(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CHorizontalLayoutUI::HandleEvent(UIEvent& event) {
    if (m_separator.HandleEvent(*this, m_rcItem, m_fixed, event)) return;
    CContainerUI::HandleEvent(event);
}

void CHorizontalLayoutUI::PostPaint(HDC hDC, const RECT&) { m_separator.PostPaint(hDC); }

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT inner = Shrink(m_rcItem, m_inset);
    if (m_items.IsEmpty()) {
        UpdateScrollBars(inner, 0, 0);
        return;
    }
    const RECT area = WithoutBars(inner, m_verticalScrollBar, m_horizontalScrollBar);
    SIZE available = {area.right - area.left, area.bottom - area.top};
    available.cx += ShownRange(m_horizontalScrollBar);

    LinearSizer sizer(Axis::Horizontal, m_items, available, m_childPadding);

    // Place the children from the left, scrolled by the horizontal bar; the vertical bar does not
    // move them.
    long long x = area.left - ShownPos(m_horizontalScrollBar);
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const RECT padding = child->GetPadding();
        const long long room = sizer.StartChild(padding);
        const SIZE estimate = child->EstimateSize(NonNegative(SIZE{ToInt(room), available.cy}));
        const int width = sizer.Take(*child, estimate, padding);
        int height = child->GetFixedHeight();
        if (height == 0) height = (area.bottom - area.top) - padding.top - padding.bottom;
        height = ClampHeight(*child, std::max(0, height));

        const long long left = x + padding.left;
        const int top = area.top + padding.top;
        child->SetPos(RECT{ToInt(left), top, ToInt(left + width + padding.right), ToInt(static_cast<long long>(top) + height)});

        x += static_cast<long long>(width) + m_childPadding + padding.left + padding.right;
    }
    // The row never asks for height of its own: a vertical bar is not shown by it.
    UpdateScrollBars(area, 0, 0);
}

}  // namespace UIToolkit
