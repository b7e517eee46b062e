#include "list_test_util.h"

#include <string>

namespace listtest {

void ListWindow::Notify(UINotify& msg) {
    // The manager's own focus and start-up notifications are not what these tests look at.
    if (msg.type == L"setfocus" || msg.type == L"killfocus" || msg.type == L"windowinit") return;
    log.push_back(Note{std::wstring(msg.type), msg.sender, msg.wParam, msg.lParam});
}

std::vector<std::wstring> ListWindow::Texts() const {
    std::vector<std::wstring> texts;
    for (const Note& note : log) {
        texts.push_back(note.type + L":" + std::to_wstring(note.wParam) + L":" +
                        std::to_wstring(static_cast<long long>(note.lParam)));
    }
    return texts;
}

void ParkCursor() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

CListUI* MakeLabelList(int count, int rowHeight) {
    CListUI* list = new CListUI;
    for (int i = 0; i < count; ++i) {
        CListLabelElementUI* row = new CListLabelElementUI;
        const std::wstring name = L"row" + std::to_wstring(i);
        row->SetName(name.c_str());
        row->SetText(name.c_str());
        row->SetFixedHeight(rowHeight);
        list->Add(row);
    }
    return list;
}

void AddColumns(CListUI* list, const std::vector<int>& widths) {
    for (size_t i = 0; i < widths.size(); ++i) {
        CListHeaderItemUI* column = new CListHeaderItemUI;
        const std::wstring name = L"col" + std::to_wstring(i);
        column->SetName(name.c_str());
        column->SetFixedWidth(widths[i]);
        list->Add(column);
    }
}

void PressKey(CControlUI* control, wchar_t key) {
    UIEvent event = MakeEvent(UIEVENT_KEYDOWN, nullptr, POINT{0, 0}, key);
    control->DispatchEvent(event);
}

LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = ::SendMessageW(hWnd, message, wParam, lParam);
    uitest::Pump();
    return result;
}

LPARAM Point(int x, int y) {
    return MAKELPARAM(x, y);
}

std::string SolidBmp(DWORD rgb) {
    const int side = 4;
    const int rowBytes = side * 3;   // already a multiple of 4
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + rowBytes * side;
    info.biSize = sizeof(info);
    info.biWidth = side;
    info.biHeight = side;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int i = 0; i < side * side; ++i) {
        bytes += static_cast<char>(rgb & 0xFF);
        bytes += static_cast<char>((rgb >> 8) & 0xFF);
        bytes += static_cast<char>((rgb >> 16) & 0xFF);
    }
    return bytes;
}

POINT Center(CControlUI* control) {
    const RECT& rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace listtest
