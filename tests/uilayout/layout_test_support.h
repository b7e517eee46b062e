// Helpers of the layout tests: leaf children described by a record, rectangles as text, and a
// recorder of notifications.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui_core.h"

namespace layouttest {

using namespace UIToolkit;

// How a test child is set up; 0 in a fixed size means "takes a share".
struct Child {
    int width = 0;
    int height = 0;
    RECT padding = {0, 0, 0, 0};
    int minWidth = 0;
    int maxWidth = 9999;
    int minHeight = 0;
    int maxHeight = 9999;
    bool visible = true;
    bool isFloat = false;
    SIZE floatXY = {0, 0};
};

Child Sized(int width, int height);
Child Padded(Child child, RECT padding);

// A leaf control whose size estimate may differ from its fixed size (as a text label's does).
class Leaf : public CControlUI {
public:
    explicit Leaf(const wchar_t* name = L"") { SetName(name); }
    SIZE EstimateSize(SIZE available) override;

    bool customEstimate = false;
    SIZE estimate = {0, 0};
    std::vector<SIZE> asked;   // the available sizes it was asked for
};

Leaf* MakeLeaf(const Child& spec);
// Adds one leaf per record and returns them in order.
std::vector<Leaf*> AddLeaves(CContainerUI& layout, const std::vector<Child>& specs);

std::string Text(const RECT& rc);
std::string Text(int l, int t, int r, int b);

// Records every notification with its parameters.
class NotifyRecorder : public INotifyUI {
public:
    struct Entry {
        std::wstring type;
        CControlUI* sender;
        WPARAM wParam;
        LPARAM lParam;
    };
    void Notify(UINotify& msg) override;
    std::vector<Entry> entries;
    int Count(const wchar_t* type) const;
};

}  // namespace layouttest
