#include "layout_test_support.h"

#include <cstdio>

namespace layouttest {

Child Sized(int width, int height) {
    Child child;
    child.width = width;
    child.height = height;
    return child;
}

Child Padded(Child child, RECT padding) {
    child.padding = padding;
    return child;
}

SIZE Leaf::EstimateSize(SIZE available) {
    asked.push_back(available);
    return customEstimate ? estimate : CControlUI::EstimateSize(available);
}

Leaf* MakeLeaf(const Child& spec) {
    Leaf* leaf = new Leaf;
    leaf->SetFixedWidth(spec.width);
    leaf->SetFixedHeight(spec.height);
    leaf->SetPadding(spec.padding);
    leaf->SetMinWidth(spec.minWidth);
    leaf->SetMaxWidth(spec.maxWidth);
    leaf->SetMinHeight(spec.minHeight);
    leaf->SetMaxHeight(spec.maxHeight);
    if (spec.isFloat) {
        leaf->SetFloat(true);
        leaf->SetFixedXY(spec.floatXY);
    }
    if (!spec.visible) leaf->SetVisible(false);
    return leaf;
}

std::vector<Leaf*> AddLeaves(CContainerUI& layout, const std::vector<Child>& specs) {
    std::vector<Leaf*> leaves;
    for (const Child& spec : specs) {
        Leaf* leaf = MakeLeaf(spec);
        layout.Add(leaf);
        leaves.push_back(leaf);
    }
    return leaves;
}

std::string Text(int l, int t, int r, int b) {
    char buffer[80];
    std::snprintf(buffer, sizeof(buffer), "(%d,%d,%d,%d)", l, t, r, b);
    return buffer;
}

std::string Text(const RECT& rc) {
    return Text(static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
                static_cast<int>(rc.bottom));
}

void NotifyRecorder::Notify(UINotify& msg) {
    entries.push_back(Entry{std::wstring(msg.type), msg.sender, msg.wParam, msg.lParam});
}

int NotifyRecorder::Count(const wchar_t* type) const {
    int n = 0;
    for (const Entry& e : entries) n += e.type == type ? 1 : 0;
    return n;
}

}  // namespace layouttest
