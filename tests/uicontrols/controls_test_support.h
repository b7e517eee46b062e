// Helpers of the control tests: a shown window whose root places controls at fixed positions and
// records notifications, synthesized mouse and key messages, and off-screen painting of one
// control into a 32-bit surface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render_test_support.h"
#include "uicore_test_util.h"

namespace ctltest {

using namespace UIToolkit;

struct Note {
    std::wstring type;
    CControlUI* sender;
    WPARAM wParam;
};

// Records the notifications of a manager, except the focus notifications of the manager itself.
class NoteRecorder : public INotifyUI {
public:
    void Notify(UINotify& msg) override;
    // "type:sender name" of every note, in order.
    std::vector<std::wstring> Texts() const;
    int Count(const wchar_t* type) const;
    void Clear() { notes.clear(); }

    std::vector<Note> notes;
};

// A solid PNG written into the fixture's resource folder; returns its name.
std::wstring SolidImage(rendertest::ManagerFixture& fixture, const wchar_t* name, int width, int height,
                        uint32_t argb);

// A shown window with a root box; controls are placed at fixed client positions. While it
// lives, images are read from a fresh resource folder (see SolidImage).
class ControlWindow {
public:
    ControlWindow(int width = 400, int height = 200);
    ~ControlWindow();
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    // Places the control at (x, y) with the given size and attaches it; the window owns it.
    template <class T>
    T* Add(T* control, int x, int y, int width, int height) {
        Place(control, x, y, width, height);
        return control;
    }

    CWindowManagerUI& manager() { return m_window.pm; }
    HWND hwnd() const { return m_window.GetHWND(); }

    void Move(int x, int y);
    void Down(int x, int y);
    void Up(int x, int y);
    void Click(int x, int y);
    void DoubleClick(int x, int y);
    void RightClick(int x, int y);
    // One wheel notch at the client point: away from the user when up, toward when not.
    void Wheel(int x, int y, bool up);
    void Key(WPARAM vk);
    // The mouse leaves the window (as when tracking reports WM_MOUSELEAVE).
    void Leave();

    // A 4-by-4 solid image in the resource folder.
    void AddImage(const wchar_t* name, uint32_t argb) { SolidImage(m_resources, name, 4, 4, argb); }
    // The pixel (client coordinates) of the control painted alone, in its current state, into a
    // white surface of the window's size.
    uint32_t PaintedPixel(CControlUI* control, int x, int y);

    NoteRecorder recorder;

private:
    void Place(CControlUI* control, int x, int y, int width, int height);
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);

    rendertest::ManagerFixture m_resources;
    uitest::TestWindow m_window;
    uitest::TestBox* m_root;
    int m_width;
    int m_height;
};

// Moves the shared pointer off every test window.
void ParkCursor();

// Paints one control, detached from any tree, into a surface with the fixture's manager.
class PaintBench {
public:
    PaintBench(int width = 200, int height = 60);
    ~PaintBench();

    // Attaches the control (the bench owns it) and places it at rc.
    template <class T>
    T* Take(T* control, RECT rc) {
        Attach(control, rc);
        return control;
    }
    void Paint();
    uint32_t Pixel(int x, int y) { return m_surface.Pixel(x, y); }
    // Pixels of the area that the predicate accepts.
    int Count(const RECT& area, bool (*match)(uint32_t));
    // The smallest rectangle holding every pixel of the area that the predicate accepts (empty
    // when there is none).
    RECT Box(const RECT& area, bool (*match)(uint32_t));
    // A solid PNG written into the resource folder; returns its name.
    std::wstring SolidImage(const wchar_t* name, int width, int height, uint32_t argb);

    rendertest::ManagerFixture fixture;

private:
    void Attach(CControlUI* control, RECT rc);

    rendertest::Surface m_surface;
    CControlUI* m_control;
    RECT m_rc;
};

// Colour tests on 0xRRGGBB pixels (anti-aliased text counts by its dominant channel).
bool IsRedInk(uint32_t p);
bool IsBlueInk(uint32_t p);
bool IsGreenInk(uint32_t p);
bool IsDarkInk(uint32_t p);

}  // namespace ctltest
