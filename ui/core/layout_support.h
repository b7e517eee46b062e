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

}  // namespace LayoutSupport
}  // namespace UIToolkit
