// Small geometry helpers shared by the layouts' placement code.
#pragma once

#include <windows.h>

#include <algorithm>
#include <climits>

#include "container.h"
#include "scroll_bar.h"

namespace UIToolkit {
namespace LayoutSupport {

// A value within a control's limits: raised to the minimum first, then lowered to the maximum,
// so the maximum wins when the two conflict.
inline int Clamp(int value, int minimum, int maximum) {
    if (value < minimum) value = minimum;
    if (value > maximum) value = maximum;
    return value;
}

inline int ClampWidth(const CControlUI& control, int width) {
    return Clamp(width, control.GetMinWidth(), control.GetMaxWidth());
}

inline int ClampHeight(const CControlUI& control, int height) {
    return Clamp(height, control.GetMinHeight(), control.GetMaxHeight());
}

inline int ToInt(long long value) {
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// The rectangle shrunk by the inset; an inset larger than the rectangle leaves an empty area at
// the near edges rather than one of negative size.
inline RECT Shrink(const RECT& rc, const RECT& inset) {
    RECT inner = {rc.left + inset.left, rc.top + inset.top, rc.right - inset.right, rc.bottom - inset.bottom};
    if (inner.right < inner.left) inner.right = inner.left;
    if (inner.bottom < inner.top) inner.bottom = inner.top;
    return inner;
}

inline bool IsShown(const CScrollBarUI* bar) { return bar != nullptr && bar->IsVisible(); }

// The bar's position when it is shown, else 0.
inline int ShownPos(const CScrollBarUI* bar) { return IsShown(bar) ? bar->GetScrollPos() : 0; }

// The bar's range when it is shown, else 0.
inline int ShownRange(const CScrollBarUI* bar) { return IsShown(bar) ? bar->GetScrollRange() : 0; }

// Takes the shown bars' room off the inner rectangle: the vertical bar's fixed width off the
// right, the horizontal bar's fixed height off the bottom.
inline RECT WithoutBars(RECT inner, const CScrollBarUI* vertical, const CScrollBarUI* horizontal) {
    if (IsShown(vertical)) inner.right = std::max(inner.left, inner.right - vertical->GetFixedWidth());
    if (IsShown(horizontal)) inner.bottom = std::max(inner.top, inner.bottom - horizontal->GetFixedHeight());
    return inner;
}

inline SIZE NonNegative(SIZE size) {
    return SIZE{std::max<LONG>(0, size.cx), std::max<LONG>(0, size.cy)};
}

// The direction in which a row (horizontal) or a column (vertical) stacks its children.
enum class Axis { Horizontal, Vertical };

inline LONG Along(const SIZE& size, Axis axis) { return axis == Axis::Horizontal ? size.cx : size.cy; }

// The padding before and after a child along the axis.
inline int NearPadding(const RECT& padding, Axis axis) {
    return axis == Axis::Horizontal ? padding.left : padding.top;
}

inline int FarPadding(const RECT& padding, Axis axis) {
    return axis == Axis::Horizontal ? padding.right : padding.bottom;
}

inline int ClampAlong(const CControlUI& control, int size, Axis axis) {
    return axis == Axis::Horizontal ? ClampWidth(control, size) : ClampHeight(control, size);
}

inline Axis Across(Axis axis) { return axis == Axis::Horizontal ? Axis::Vertical : Axis::Horizontal; }

// Shares the room along a row's or column's axis among its children: a child whose estimate
// gives a size along the axis keeps it (within its limits), the others share what is left
// equally, and the last of those takes the rounding remainder. Construction measures the
// visible, non-floating children; placement then asks for each of them in order, first
// StartChild and then Take.
class LinearSizer {
public:
    LinearSizer(Axis axis, const CUIPtrArray& children, SIZE available, int childPadding)
        : m_axis(axis), m_childPadding(childPadding), m_remaining(Along(available, axis)) {
        int counted = 0;
        for (int i = 0; i < children.GetSize(); ++i) {
            const auto child = static_cast<CControlUI*>(children[i]);
            if (!child->IsVisible() || child->IsFloat()) continue;
            const SIZE estimated = child->EstimateSize(available);
            const LONG estimate = Along(estimated, axis);
            if (estimate == 0) {
                ++m_adjustable;
            } else {
                m_fixedRemaining += ClampAlong(*child, estimate, axis);
            }
            const RECT padding = child->GetPadding();
            m_fixedRemaining += NearPadding(padding, axis) + FarPadding(padding, axis);
            const int across = std::max<int>(0, Along(estimated, Across(axis)));
            m_widestAcross = std::max(m_widestAcross, ClampAlong(*child, across, Across(axis)));
            ++counted;
        }
        m_gaps = static_cast<long long>(counted > 0 ? counted - 1 : 0) * childPadding;
        m_fixedRemaining += m_gaps;
        if (m_adjustable > 0) {
            m_share = ToInt(std::max<long long>(0, (m_remaining - m_fixedRemaining) / m_adjustable));
        }
    }

    // The room the child padding between the measured children takes.
    long long Gaps() const { return m_gaps; }

    // The largest size across the axis that the measured children estimated, within their limits.
    int WidestAcross() const { return m_widestAcross; }

    // Steps over the next child's near padding; returns the room left from there on.
    long long StartChild(const RECT& padding) {
        m_remaining -= NearPadding(padding, m_axis);
        return m_remaining;
    }

    // The child's size along the axis, given its estimate for the room StartChild returned; moves
    // on past the child, its far padding and the gap after it.
    int Take(const CControlUI& child, SIZE estimate, const RECT& padding) {
        const LONG estimated = Along(estimate, m_axis);
        int size;
        if (estimated == 0) {
            ++m_adjustableSeen;
            size = m_share;
            if (m_adjustableSeen == m_adjustable) {
                size = ToInt(std::max<long long>(0, m_remaining - FarPadding(padding, m_axis) - m_fixedRemaining));
            }
            size = ClampAlong(child, size, m_axis);
        } else {
            size = ClampAlong(child, estimated, m_axis);
            m_fixedRemaining -= size;
        }
        m_remaining -= static_cast<long long>(size) + m_childPadding + FarPadding(padding, m_axis);
        return size;
    }

private:
    const Axis m_axis;
    const int m_childPadding;
    long long m_remaining;          // room left along the axis from the current child on
    long long m_fixedRemaining = 0; // what the fixed children, paddings and gaps still take
    long long m_gaps = 0;
    int m_adjustable = 0;
    int m_adjustableSeen = 0;
    int m_share = 0;
    int m_widestAcross = 0;
};

}  // namespace LayoutSupport
}  // namespace UIToolkit
