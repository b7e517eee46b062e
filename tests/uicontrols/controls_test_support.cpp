#include "controls_test_support.h"

#include <gtest/gtest.h>

namespace ctltest {

// ---- NoteRecorder ----

void NoteRecorder::Notify(UINotify& msg) {
    if (msg.type == L"setfocus" || msg.type == L"killfocus") return;
    notes.push_back(Note{std::wstring(msg.type), msg.sender, msg.wParam});
}

std::vector<std::wstring> NoteRecorder::Texts() const {
    std::vector<std::wstring> texts;
    for (const Note& note : notes) {
        const std::wstring sender = note.sender != nullptr ? std::wstring(note.sender->GetName()) : L"-";
        texts.push_back(note.type + L":" + sender);
    }
    return texts;
}

int NoteRecorder::Count(const wchar_t* type) const {
    int n = 0;
    for (const Note& note : notes) {
        if (note.type == type) ++n;
    }
    return n;
}

// ---- ControlWindow ----

ControlWindow::ControlWindow(int width, int height) : m_root(nullptr), m_width(width), m_height(height) {
    const HWND hWnd = m_window.CreateShown(width, height);
    EXPECT_NE(hWnd, nullptr);
    m_root = new uitest::TestBox(L"root", nullptr);
    m_window.pm.AttachRoot(m_root);
    m_window.pm.AddNotifier(&recorder);
    m_root->SetPos(RECT{0, 0, width, height});
}

ControlWindow::~ControlWindow() {
    if (m_window.GetHWND() != nullptr) ::DestroyWindow(m_window.GetHWND());
    // The manager deletes the tree with the window object.
}

void ControlWindow::Place(CControlUI* control, int x, int y, int width, int height) {
    control->SetFixedXY(SIZE{x, y});
    control->SetFixedWidth(width);
    control->SetFixedHeight(height);
    m_root->Add(control);
    m_root->SetPos(RECT{0, 0, m_width, m_height});
}

LRESULT ControlWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_window.GetHWND(), message, wParam, lParam);
}

void ControlWindow::Move(int x, int y) {
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void ControlWindow::Down(int x, int y) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void ControlWindow::Up(int x, int y) {
    Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void ControlWindow::Click(int x, int y) {
    Move(x, y);
    Down(x, y);
    Up(x, y);
}

void ControlWindow::DoubleClick(int x, int y) {
    Click(x, y);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    Up(x, y);
}

void ControlWindow::RightClick(int x, int y) {
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    Send(WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    POINT screen = {x, y};
    ::ClientToScreen(m_window.GetHWND(), &screen);
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_window.GetHWND()), MAKELPARAM(screen.x, screen.y));
}

void ControlWindow::Wheel(int x, int y, bool up) {
    POINT screen = {x, y};
    ::ClientToScreen(m_window.GetHWND(), &screen);
    const short delta = up ? WHEEL_DELTA : -WHEEL_DELTA;
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(screen.x, screen.y));
}

void ControlWindow::Key(WPARAM vk) {
    Send(WM_KEYDOWN, vk, 1);
    Send(WM_KEYUP, vk, 0xC0000001);
}

void ControlWindow::Leave() {
    Send(WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
}

uint32_t ControlWindow::PaintedPixel(CControlUI* control, int x, int y) {
    rendertest::Surface surface(m_width, m_height);
    control->Paint(surface.dc(), control->GetPos());
    ::GdiFlush();
    return surface.Pixel(x, y);
}

void ParkCursor() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

// ---- PaintBench ----

PaintBench::PaintBench(int width, int height) : m_surface(width, height), m_control(nullptr), m_rc{0, 0, 0, 0} {}

PaintBench::~PaintBench() {
    delete m_control;
}

void PaintBench::Attach(CControlUI* control, RECT rc) {
    delete m_control;
    m_control = control;
    m_rc = rc;
    control->SetManager(&fixture.manager(), nullptr, false);
    control->SetPos(rc);
}

void PaintBench::Paint() {
    m_surface.Fill(RGB(255, 255, 255));
    m_control->Paint(m_surface.dc(), m_rc);
    ::GdiFlush();
}

int PaintBench::Count(const RECT& area, bool (*match)(uint32_t)) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (match(m_surface.Pixel(x, y))) ++n;
        }
    }
    return n;
}

RECT PaintBench::Box(const RECT& area, bool (*match)(uint32_t)) {
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!match(m_surface.Pixel(x, y))) continue;
            if (x < box.left) box.left = x;
            if (y < box.top) box.top = y;
            if (x + 1 > box.right) box.right = x + 1;
            if (y + 1 > box.bottom) box.bottom = y + 1;
        }
    }
    if (box.right < box.left) box = RECT{0, 0, 0, 0};
    return box;
}

std::wstring PaintBench::SolidImage(const wchar_t* name, int width, int height, uint32_t argb) {
    return ctltest::SolidImage(fixture, name, width, height, argb);
}

std::wstring SolidImage(rendertest::ManagerFixture& fixture, const wchar_t* name, int width, int height,
                        uint32_t argb) {
    fixture.WriteResource(name, rendertest::EncodePng(width, height, rendertest::SolidPixels(width, height, argb)));
    return name;
}

// ---- Colour tests ----

namespace {
int Red(uint32_t p) { return (p >> 16) & 0xFF; }
int Green(uint32_t p) { return (p >> 8) & 0xFF; }
int Blue(uint32_t p) { return p & 0xFF; }
}  // namespace

bool IsRedInk(uint32_t p) {
    return Red(p) > 160 && Green(p) < 90 && Blue(p) < 90;
}

bool IsBlueInk(uint32_t p) {
    return Blue(p) > 160 && Red(p) < 90 && Green(p) < 90;
}

bool IsGreenInk(uint32_t p) {
    return Green(p) > 100 && Red(p) < 90 && Blue(p) < 90;
}

bool IsDarkInk(uint32_t p) {
    return Red(p) < 90 && Green(p) < 90 && Blue(p) < 90;
}

}  // namespace ctltest
