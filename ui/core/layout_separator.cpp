// The draggable separator of the vertical and horizontal layouts. The logic is written for the
// vertical axis (y, top, bottom, height); the horizontal layout runs the same code on
// rectangles and points with x and y exchanged, so both behave as mirror images.
#include <algorithm>

#include "layout_support.h"
#include "layouts.h"
#include "render_engine.h"

namespace UIToolkit {

namespace {

// Exchanges x and y; applying it twice gives the original.
RECT Transposed(const RECT& rc) { return RECT{rc.top, rc.left, rc.bottom, rc.right}; }
POINT Transposed(POINT pt) { return POINT{pt.y, pt.x}; }

}  // namespace

void CLayoutSeparator::SetImmediate(CControlUI& layout, bool immediate) {
    if (m_immediate == immediate) return;
    if (IsDragging() && !m_immediate && layout.GetManager() != nullptr) {
        layout.GetManager()->RemovePostPaint(&layout);
    }
    m_immediate = immediate;
}

RECT CLayoutSeparator::GetBand(const RECT& itemRect, bool useNewPos) const {
    const RECT source = (useNewPos && IsDragging()) ? m_newPos : itemRect;
    const RECT r = m_horizontal ? Transposed(source) : source;
    RECT band = r;
    // Worked out wide: a huge separator size must not wrap round.
    if (m_size >= 0) {
        long long top = static_cast<long long>(r.bottom) - m_size;
        // The vertical band stays inside the layout; the horizontal one is not clipped.
        if (!m_horizontal) top = std::max<long long>(top, r.top);
        band.top = LayoutSupport::ToInt(top);
    } else {
        long long bottom = static_cast<long long>(r.top) - m_size;
        if (!m_horizontal) bottom = std::min<long long>(bottom, r.bottom);
        band.bottom = LayoutSupport::ToInt(bottom);
    }
    return m_horizontal ? Transposed(band) : band;
}

bool CLayoutSeparator::HandleEvent(CControlUI& layout, RECT& itemRect, SIZE& fixed, UIEvent& event) {
    if (m_size == 0) return false;
    CWindowManagerUI* manager = layout.GetManager();
    switch (event.type) {
        case UIEVENT_BUTTONDOWN: {
            if (!layout.IsEnabled()) return false;
            const RECT band = GetBand(itemRect, false);
            if (!::PtInRect(&band, event.ptMouse)) return false;
            // A second button-down during a drag restarts it without listing the layout twice.
            if (IsDragging() && !m_immediate && manager != nullptr) manager->RemovePostPaint(&layout);
            m_dragState |= UISTATE_SEPARATOR_DRAG;
            m_lastMouse = event.ptMouse;
            m_newPos = itemRect;
            if (!m_immediate && manager != nullptr) manager->AddPostPaint(&layout);
            return true;
        }
        case UIEVENT_BUTTONUP: {
            if (!IsDragging()) return false;
            m_dragState &= ~UISTATE_SEPARATOR_DRAG;
            itemRect = m_newPos;
            if (!m_immediate && manager != nullptr) manager->RemovePostPaint(&layout);
            layout.RequestParentLayout();
            return true;
        }
        case UIEVENT_MOUSEMOVE: {
            if (!IsDragging()) return false;
            MoveEdge(layout, itemRect, fixed, event.ptMouse);
            return true;
        }
        case UIEVENT_SETCURSOR: {
            if (!layout.IsEnabled()) return false;
            const RECT band = GetBand(itemRect, false);
            if (!::PtInRect(&band, event.ptMouse)) return false;
            ::SetCursor(::LoadCursorW(nullptr, m_horizontal ? IDC_SIZEWE : IDC_SIZENS));
            return true;
        }
        default:
            return false;
    }
}

void CLayoutSeparator::MoveEdge(CControlUI& layout, RECT& itemRect, SIZE& fixed, POINT mouse) {
    const POINT pt = m_horizontal ? Transposed(mouse) : mouse;
    const POINT last = m_horizontal ? Transposed(m_lastMouse) : m_lastMouse;
    const int delta = pt.y - last.y;
    m_lastMouse = mouse;

    const RECT current = m_horizontal ? Transposed(m_newPos) : m_newPos;
    const bool farEdge = m_size >= 0;
    // The edge follows only moves that start in or beyond the band in the direction of the
    // move; a mouse coming back from past a size limit waits until it reaches the band again.
    const long long y = pt.y;
    if (farEdge) {
        if (delta > 0 && y < static_cast<long long>(current.bottom) - m_size) return;
        if (delta < 0 && y > current.bottom) return;
    } else {
        if (delta > 0 && y < current.top) return;
        if (delta < 0 && y > static_cast<long long>(current.top) - m_size) return;
    }

    const int minimum = m_horizontal ? layout.GetMinWidth() : layout.GetMinHeight();
    const int maximum = m_horizontal ? layout.GetMaxWidth() : layout.GetMaxHeight();
    const int currentSize = current.bottom - current.top;
    RECT moved = current;
    if (farEdge) moved.bottom += delta; else moved.top += delta;
    // At a size limit the edge stops there; a layout already at or beyond that limit stays as
    // it is, so the edge never jumps against the direction of the drag.
    const int unlimited = moved.bottom - moved.top;
    int size = unlimited;
    if (size <= minimum) {
        if (currentSize <= minimum) return;
        size = minimum;
    }
    if (size >= maximum) {
        if (currentSize >= maximum) return;
        size = maximum;
    }
    size = std::max(0, size);
    if (size != unlimited) {
        if (farEdge) moved.bottom = moved.top + size; else moved.top = moved.bottom - size;
    }

    const RECT oldBand = GetBand(itemRect, true);
    m_newPos = m_horizontal ? Transposed(moved) : moved;
    if (m_horizontal) fixed.cx = size; else fixed.cy = size;
    if (m_immediate) {
        itemRect = m_newPos;
        layout.RequestParentLayout();
    } else if (layout.GetManager() != nullptr) {
        CUIRect dirty(oldBand);
        dirty.Join(GetBand(itemRect, true));
        dirty.Join(GetBand(itemRect, false));
        layout.GetManager()->Invalidate(dirty);
    }
}

void CLayoutSeparator::PostPaint(HDC hDC) const {
    if (!IsDragging() || m_immediate) return;
    CUIRenderer::DrawColor(hDC, GetBand(m_newPos, true), 0xAA000000);
}

}  // namespace UIToolkit
