// Driving the real player from outside.
#include "player_driver.h"

#include <tlhelp32.h>

#include "local_helpers.h"
#include "standin_client.h"
#include "test_files.h"
#include "ui_controls.h"
#include "vela_main_form.h"

namespace e2e {

namespace {

// The player's layouts: the main window and the close-behaviour dialog.
const WORD kMainLayoutId = 205;
const WORD kCloseSetLayoutId = 202;

struct WindowSearch {
    DWORD processId;
    const wchar_t* cls;
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    if (search->processId != 0 && owner != search->processId) return TRUE;
    wchar_t cls[128] = {};
    wchar_t title[128] = {};
    ::GetClassNameW(hWnd, cls, 128);
    ::GetWindowTextW(hWnd, title, 128);
    if (search->cls != nullptr && (!::IsWindowVisible(hWnd) || std::wstring(cls) != search->cls)) return TRUE;
    if (search->title != nullptr && std::wstring(title) != search->title) return TRUE;
    search->found.push_back(hWnd);
    return TRUE;
}

// A hidden framework window that only holds a laid-out control tree.
class LayoutProbe : public UIToolkit::CWindowWnd {
public:
    UIToolkit::CWindowManagerUI pm;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaE2ELayoutProbe"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (message != WM_PAINT && pm.HandleMessage(message, wParam, lParam, result)) return result;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
};

}  // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(50);
    }
}

std::wstring BuiltProgram(const wchar_t* name) { return testfiles::FromUnixPath(VELA_BIN_DIR) + L"\\" + name; }

std::wstring BuiltTestProgram(const wchar_t* name) { return testfiles::FromUnixPath(VELA_TEST_BIN_DIR) + L"\\" + name; }

std::wstring PrepareProgramFolder(const std::wstring& tag) {
    const std::wstring folder = testfiles::FreshDir(tag) + L"\\";
    for (const wchar_t* file : {L"VelaMusic.exe", L"skin.zip"}) {
        ::CopyFileW(BuiltProgram(file).c_str(), (folder + file).c_str(), FALSE);
    }
    return folder;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title) {
    WindowSearch search = {processId, className, title, {}};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::vector<HWND> PlayerWindows() {
    WindowSearch search = {0, nullptr, L"VelaMusic", {}};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int RunningProcesses(const wchar_t* exeName) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName) == 0) ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

PlayerProcess::~PlayerProcess() {
    if (IsRunning()) Kill();
    if (m_process != nullptr) ::CloseHandle(m_process);
}

bool PlayerProcess::Start(const std::wstring& program, const std::wstring& commandLine,
                          const std::wstring& currentFolder) {
    m_program = program;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    const std::wstring folder = currentFolder.empty() ? program.substr(0, program.rfind(L'\\')) : currentFolder;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(program.c_str(), commandLine.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.c_str(), &startup, &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
    return true;
}

HWND PlayerProcess::WaitForMainWindow(DWORD timeoutMs) {
    WaitFor([&] { return (m_main = FindProcessWindow(m_id, L"VelaUI::VelaMainForm", L"VelaMusic")) != nullptr; },
            timeoutMs);
    return m_main;
}

HWND PlayerProcess::WaitForWindow(const wchar_t* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindProcessWindow(m_id, className)) != nullptr; }, timeoutMs);
    return found;
}

bool PlayerProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (m_process == nullptr || ::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) ::GetExitCodeProcess(m_process, exitCode);
    return true;
}

bool PlayerProcess::IsRunning() const {
    return m_process != nullptr && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

void PlayerProcess::Kill() {
    if (m_process == nullptr) return;
    ::TerminateProcess(m_process, 1);
    ::WaitForSingleObject(m_process, 5000);
}

namespace {

// Builds the layout in a hidden probe window at the window's client size, makes the changes and
// hands the laid-out manager to look; the look's answer is the result.
bool WithLayout(const std::wstring& program, WORD layoutId, HWND window, const std::vector<LayoutChange>& changes,
                const std::function<bool(UIToolkit::CWindowManagerUI& pm, UIToolkit::CControlUI* root, const RECT& client)>& look) {
    RECT client = {};
    if (!::GetClientRect(window, &client)) return false;
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return false;
    UIToolkit::CWindowManagerUI::SetInstance(reinterpret_cast<HINSTANCE>(module));
    bool found = false;
    {
        LayoutProbe probe;
        if (probe.Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, client.right, client.bottom) != nullptr) {
            probe.pm.Init(probe.GetHWND());
            UIToolkit::CDialogBuilder builder;
            VelaUI::CDialogBuilderCallbackEx callback;
            UIToolkit::CControlUI* root =
                builder.Create(UIToolkit::LayoutSource::Resource(layoutId), L"xml", &callback, &probe.pm);
            if (root != nullptr && probe.pm.AttachRoot(root)) {
                for (const LayoutChange& change : changes) {
                    if (auto* control = probe.pm.FindControlByName(change.control.c_str())) {
                        control->SetAttribute(change.attribute.c_str(), change.value.c_str());
                    }
                }
                found = look(probe.pm, root, client);
            }
            ::DestroyWindow(probe.GetHWND());
        }
    }
    UIToolkit::CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    ::FreeLibrary(module);
    return found;
}

bool HasArea(const RECT& rect) { return rect.right > rect.left && rect.bottom > rect.top; }

}  // namespace

bool ControlRect(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* name, RECT& rect,
                 const std::vector<LayoutChange>& changes) {
    return WithLayout(program, layoutId, window, changes,
                      [&](UIToolkit::CWindowManagerUI& pm, UIToolkit::CControlUI* root, const RECT& client) {
                          root->SetPos(client);
                          UIToolkit::CControlUI* control = pm.FindControlByName(name);
                          if (control == nullptr) return false;
                          rect = control->GetPos();
                          return HasArea(rect);
                      });
}

bool ListRowRect(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* list, int rows, int row,
                 RECT& rect, const std::vector<LayoutChange>& changes) {
    return WithLayout(program, layoutId, window, changes,
                      [&](UIToolkit::CWindowManagerUI& pm, UIToolkit::CControlUI* root, const RECT& client) {
                          auto* owner = dynamic_cast<UIToolkit::CListUI*>(pm.FindControlByName(list));
                          if (owner == nullptr || row < 0 || row >= rows) return false;
                          for (int i = 0; i < rows; ++i) owner->Add(new UIToolkit::CListTextElementUI);
                          // Twice, as the window lays out again after every change: the second
                          // pass places the rows beside the scroll bars that the first one left.
                          root->SetPos(client);
                          root->SetPos(client);
                          UIToolkit::CControlUI* item = owner->GetItemAt(row);
                          if (item == nullptr) return false;
                          rect = item->GetPos();
                          return HasArea(rect);
                      });
}

void ClickAt(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void DoubleClickAt(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
    ::PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void WheelAt(HWND window, int x, int y, int notches) {
    POINT at = {x, y};
    ::ClientToScreen(window, &at);
    const WORD delta = static_cast<WORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA);
    for (int i = 0; i < (notches > 0 ? notches : -notches); ++i) {
        ::PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
    }
}

void PressKey(HWND window, WPARAM key) {
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void PressAltF4(HWND window) {
    const LPARAM altHeld = 0x20000000;
    const LPARAM scanF4 = static_cast<LPARAM>(::MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(window, WM_SYSKEYDOWN, VK_F4, altHeld | scanF4 | 1);
    ::PostMessageW(window, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xC0000001) | altHeld | scanF4);
}

bool ClickControl(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* name,
                  const std::vector<LayoutChange>& changes) {
    RECT rc = {};
    if (!ControlRect(program, layoutId, window, name, rc, changes)) return false;
    ClickAt(window, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return true;
}

HWND OpenCloseDialog(PlayerProcess& player) {
    if (!ClickControl(player.Program(), kMainLayoutId, player.MainWindow(), L"BtnClose")) return nullptr;
    return player.WaitForWindow(L"VelaUI::VelaCloseSetForm");
}

bool AnswerCloseDialog(const std::wstring& program, HWND dialog, const std::vector<const wchar_t*>& clicks) {
    for (const wchar_t* name : clicks) {
        if (!ClickControl(program, kCloseSetLayoutId, dialog, name)) return false;
    }
    ::Sleep(100);
    return ClickControl(program, kCloseSetLayoutId, dialog, L"BtnOK");
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs, std::string* contents) {
    std::string last;
    bool seen = false;
    const bool settled = WaitFor(
        [&] {
            if (!testfiles::Exists(path)) return false;
            const std::string now = testfiles::ReadAll(path);
            const bool same = seen && now == last;
            last = now;
            seen = true;
            return same;
        },
        timeoutMs);
    if (contents != nullptr) *contents = last;
    return settled;
}

bool WritePlayListFile(const std::wstring& path, const std::vector<std::string>& trackIds) {
    std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    for (const std::string& id : trackIds) {
        std::string encodedId, encodedName;
        WideToUtf8Fixed3(encodedId, testfiles::Widen(id));
        WideToUtf8Fixed3(encodedName, testfiles::Widen("track " + id));
        file += "<Track>\n    <TrackID>" + encodedId + "</TrackID>\n    <TrackName>" + encodedName +
                "</TrackName>\n    <IsDownloading>false</IsDownloading>\n    <IsLocalFile>false</IsLocalFile>\n</Track>\n";
    }
    return testfiles::WriteAll(path, file);
}

std::vector<std::string> PlayUrlRequests() {
    std::vector<std::string> ids;
    for (const std::string& request : standin::RequestsMatching("Sylk42.Track.GetTrackPlayUrl")) {
        const size_t at = request.find("ProductID=");
        if (at == std::string::npos) continue;
        const size_t end = request.find_first_of("& ", at);
        ids.push_back(request.substr(at + 10, end - at - 10));
    }
    return ids;
}

std::vector<int> DrawnRows(HWND window, const RECT& area, int x0, int x1, int (*classify)(BYTE r, BYTE g, BYTE b)) {
    std::vector<int> centres;
    const int width = area.right - area.left, height = area.bottom - area.top;
    POINT origin = {area.left, area.top};
    ::ClientToScreen(window, &origin);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        ::GdiFlush();
        const BYTE* pixels = static_cast<const BYTE*>(bits);
        int start = -1;
        int runKind = 0;
        for (int y = 0; y <= height; ++y) {
            int kind = 0;
            for (int x = x0; y < height && x < x1 && x < width && kind == 0; ++x) {
                const BYTE* p = pixels + (static_cast<size_t>(y) * width + x) * 4;
                kind = classify(p[2], p[1], p[0]);
            }
            if (kind != runKind && start >= 0) {
                centres.push_back(area.top + (start + y - 1) / 2);
                start = -1;
            }
            if (kind != 0 && start < 0) start = y;
            runKind = kind;
        }
        ::SelectObject(memory, old);
    }
    if (bitmap != nullptr) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return centres;
}

int ScrollBarThumb(BYTE r, BYTE g, BYTE b) {
    const BYTE colours[3][3] = {{0xA6, 0xB6, 0xCA}, {0x84, 0x9B, 0xB8}, {0x5E, 0x7E, 0xA6}};
    for (const BYTE* c : colours) {
        if (r == c[0] && g == c[1] && b == c[2]) return 1;
    }
    return 0;
}

bool SaveScreenshot(const std::wstring& path) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        ::SelectObject(memory, old);
        const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageBytes;
        std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
        bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        bytes.append(static_cast<const char*>(bits), imageBytes);
        ok = ok && testfiles::WriteAll(path, bytes);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

std::vector<DWORD> ClientPixels(HWND window, const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    POINT origin = {rect.left, rect.top};
    if (width <= 0 || height <= 0 || !::ClientToScreen(window, &origin)) return {};
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<DWORD> pixels;
    if (bitmap != nullptr) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        if (::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
            ::GdiFlush();
            const DWORD* first = static_cast<const DWORD*>(bits);
            pixels.assign(first, first + static_cast<size_t>(width) * static_cast<size_t>(height));
            for (DWORD& pixel : pixels) pixel &= 0x00FFFFFF;
        }
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace e2e
