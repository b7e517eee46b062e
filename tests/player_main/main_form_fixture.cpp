// In-process support of the main window's tests.
#include "main_form_fixture.h"

#include "local_helpers.h"
#include "menu_right_key.h"
#include "player_forms_util.h"
#include "test_files.h"

namespace mainform {

using UIToolkit::CControlUI;

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg = {};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            if (!UIToolkit::CWindowManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Pump(DWORD ms) {
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

namespace {
Script* g_script = nullptr;
}

Script::Script(std::vector<std::function<bool()>> steps) : m_steps(std::move(steps)) {
    g_script = this;
    m_timer = ::SetTimer(nullptr, 0, 20, &Script::Tick);
}

Script::~Script() {
    ::KillTimer(nullptr, m_timer);
    if (g_script == this) g_script = nullptr;
}

void CALLBACK Script::Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = g_script;
    if (script == nullptr || script->Done()) return;
    if (script->m_steps[script->m_next]()) ++script->m_next;
}

namespace {
struct WindowSearch {
    const wchar_t* cls;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    wchar_t cls[128] = {};
    wchar_t title[128] = {};
    ::GetClassNameW(hWnd, cls, 128);
    ::GetWindowTextW(hWnd, title, 128);
    if (::IsWindowVisible(hWnd) && std::wstring(cls) == search->cls &&
        (search->title == nullptr || std::wstring(title) == search->title)) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindThreadWindow(const wchar_t* className, const wchar_t* title) {
    WindowSearch search = {className, title, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ClickControl(HWND hWnd, UIToolkit::CWindowManagerUI& manager, const wchar_t* name) {
    CControlUI* control = manager.FindControlByName(name);
    if (control == nullptr) return false;
    formtest::PostClick(hWnd, control);
    return true;
}

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

void RemoveDataFiles() {
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
}

void WriteSettings(const std::string& text) {
    const std::wstring wide = testfiles::Widen(text);
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : wide) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    testfiles::WriteAll(DataFile(L"Set.ini"), bytes);
}

std::wstring ReadSetting(const wchar_t* section, const wchar_t* key) {
    wchar_t value[300] = {};
    ::GetPrivateProfileStringW(section, key, L"<missing>", value, 300, DataFile(L"Set.ini").c_str());
    return value;
}

std::string Fixed3(const std::string& utf8) {
    std::string out;
    WideToUtf8Fixed3(out, testfiles::Widen(utf8));
    return out;
}

std::string PlayListFile(const std::vector<TrackFields>& tracks) {
    static const char* const kNames[14] = {"TrackID", "TrackName", "TrackUrl", "ArtistNameList", "ArtistIDList",
                                           "AlbumName", "Time_Play", "Time_Collection", "FileSize", "Middleimage",
                                           "AlbumID", "FilePath", "FileName", "FileURL"};
    std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    for (const TrackFields& track : tracks) {
        file += "<Track>\n";
        for (int i = 0; i < 14; ++i) {
            file += std::string("    <") + kNames[i] + ">" + Fixed3(track.texts[i]) + "</" + kNames[i] + ">\n";
        }
        file += std::string("    <IsDownloading>") + (track.downloading ? "true" : "false") + "</IsDownloading>\n";
        file += std::string("    <IsLocalFile>") + (track.local ? "true" : "false") + "</IsLocalFile>\n";
        file += "</Track>\n";
    }
    return file;
}

void MainFormTest::SetUp() {
    formtest::UseOwnResources();
    formtest::ParkPointer();
    RemoveDataFiles();
    VelaUI::SetAlwaysOnTop(false);
}

void MainFormTest::TearDown() {
    if (hWnd != nullptr && ::IsWindow(hWnd)) CloseWith(WM_CLOSE);
}

void MainFormTest::Open() {
    form = new VelaUI::VelaMainForm(L"MainForm.xml");
    hWnd = form->Create(nullptr, L"VelaMusic", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 900, 600);
    ASSERT_NE(hWnd, nullptr);
    form->CenterWindow();
    ::ShowWindow(hWnd, SW_SHOW);
    ::UpdateWindow(hWnd);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 2; }));
}

void MainFormTest::CloseWith(UINT message, WPARAM wParam, LPARAM lParam) {
    ::PostMessageW(hWnd, message, wParam, lParam);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hWnd); }, 20000));
    form = nullptr;
}

CControlUI* MainFormTest::Control(const wchar_t* name) { return form->GetManager().FindControlByName(name); }

void MainFormTest::Click(const wchar_t* name) {
    Pump(30);  // laid out
    ASSERT_TRUE(ClickControl(hWnd, form->GetManager(), name));
    Pump(100);
}

UIToolkit::CListUI* MainFormTest::List(const wchar_t* name) { return dynamic_cast<UIToolkit::CListUI*>(Control(name)); }

std::wstring MainFormTest::Cell(int row, int column) {
    UIToolkit::CListUI* list = List(L"ListPlayList");
    CControlUI* rowControl = list != nullptr ? list->GetItemAt(row) : nullptr;
    if (rowControl == nullptr) return L"<no row>";
    return form->GetItemText(rowControl, row, column);
}

}  // namespace mainform
