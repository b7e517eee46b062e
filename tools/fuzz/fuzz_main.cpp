// A mutation fuzzer for the parsers of both programs, run for a bounded time under Wine
// (tools/fuzz/fuzz.sh builds it, gathers the corpus from the project's own files and runs it).
//
//   vela_fuzz <corpus folder> <output folder> <seconds> [target ...] [--seed N]
//
// Every input is handed over at the very end of its own pages, followed by a page that cannot
// be read, and while a target runs every C++ allocation is made the same way: a read past the
// end of an input or of a heap buffer, and a use of freed memory, stop the program at once.
// The input that did it is then written to "<output>/crash-<target>-<seed>-<n>.bin" and the
// program ends with exit code 3. Exit code 0: no fault in the given time.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "http_download_get.h"
#include "ini_file.h"
#include "layout_xml.h"
#include "local_helpers.h"
#include "render_engine.h"
#include "servers.h"
#include "track_info.h"
#include "ui_zip.h"
#include "update_files.h"
#include "window_manager.h"
#include "xml_text.h"

using namespace UIToolkit;

// ---------------------------------------------------------------------------------------------
// Guard-page allocations

namespace {

bool g_guarded = false;  // while a target runs
const uint64_t kGuardMagic = 0x56454C4146555A5Aull;

struct GuardHeader {
    uint64_t magic;
    void* user;
};

size_t PageSize() {
    static size_t page = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<size_t>(info.dwPageSize);
    }();
    return page;
}

// Places size bytes so that they end as close to an unreadable page as their alignment allows.
void* GuardAllocate(size_t size) {
    const size_t page = PageSize();
    size_t align = 16;
    while (align > 1 && size % align != 0) align /= 2;
    const size_t data = size + sizeof(GuardHeader) + 16;
    const size_t pages = (data + page - 1) / page + 1;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base) return nullptr;
    DWORD old = 0;
    VirtualProtect(base + (pages - 1) * page, page, PAGE_NOACCESS, &old);
    char* user = base + (pages - 1) * page - size;
    user -= reinterpret_cast<uintptr_t>(user) % align;
    GuardHeader* header = reinterpret_cast<GuardHeader*>(base);
    header->magic = kGuardMagic;
    header->user = user;
    return user;
}

bool GuardFree(void* pointer) {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(pointer, &info, sizeof info) || !info.AllocationBase) return false;
    const GuardHeader* header = static_cast<const GuardHeader*>(info.AllocationBase);
    MEMORY_BASIC_INFORMATION first;
    if (!VirtualQuery(header, &first, sizeof first) || first.State != MEM_COMMIT || first.Protect != PAGE_READWRITE)
        return false;
    if (header->magic != kGuardMagic || header->user != pointer) return false;
    // Released, not reused: a later use of the block faults.
    VirtualFree(info.AllocationBase, 0, MEM_RELEASE);
    return true;
}

void* Allocate(size_t size) {
    void* p = g_guarded ? GuardAllocate(size) : std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void Release(void* pointer) {
    if (!pointer) return;
    if (!GuardFree(pointer)) std::free(pointer);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

// ---------------------------------------------------------------------------------------------
// Inputs and mutations

namespace {

// One input at the end of its own pages.
class GuardedInput {
public:
    explicit GuardedInput(const std::string& bytes) : m_size(bytes.size()) {
        const size_t page = PageSize();
        m_pages = (m_size + page - 1) / page + 1;
        m_base = static_cast<char*>(VirtualAlloc(nullptr, m_pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_base + (m_pages - 1) * page, page, PAGE_NOACCESS, &old);
        m_data = m_base + (m_pages - 1) * page - m_size;
        if (m_size) std::memcpy(m_data, bytes.data(), m_size);
    }
    ~GuardedInput() { VirtualFree(m_base, 0, MEM_RELEASE); }
    GuardedInput(const GuardedInput&) = delete;
    GuardedInput& operator=(const GuardedInput&) = delete;

    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(m_data); }
    size_t size() const { return m_size; }

private:
    size_t m_size;
    size_t m_pages = 0;
    char* m_base = nullptr;
    char* m_data = nullptr;
};

class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    uint64_t m_state;
};

// Pieces that the parsers give meaning to.
const char* const kTokens[] = {
    "<", ">", "</", "/>", "<?xml version=\"1.0\"?>", "&amp;", "&#", "&#x", ";", "\"", "'", "=", "\r\n", "\n",
    "\xE6\x92\xAD", "\xE6", "\xF0\x9F", "\xC4\xBF", "\xEF\xBB\xBF", "\xFF\xFE", "0", "-1", "4294967295",
    "99999999999999999999", "[", "]", "{", "}", "<b>", "</b>", "<a>", "<a ", "<c #FF0000>", "<x 5>", "<i 1>",
    "<f 1>", "<p>", "<n>", "<s>", "<u>", "<r>", "<l>", "file='", "source='", "corner='", "fade='", "dest='",
    "mask='", "res='", "restype='", "HTTP/1.1 200 OK\r\n", "HTTP/1.1 206 Partial\r\n", "Content-Length: ",
    "Content-Range: bytes ", "Location: ", "Transfer-Encoding: chunked\r\n", "PK\x03\x04", "PK\x01\x02",
    "PK\x05\x06", "\x89PNG", "IHDR", "IDAT", "GIF89a", "BM", "\xFF\xD8\xFF", "|", ",", "%", "%s", "\t"};

std::string Mutate(std::string input, const std::vector<std::string>& corpus, Random& random) {
    const int steps = 1 + static_cast<int>(random.Below(8));
    for (int step = 0; step < steps; ++step) {
        const size_t n = input.size();
        switch (random.Below(9)) {
        case 0:  // flip a bit
            if (n) input[random.Below(n)] ^= static_cast<char>(1 << random.Below(8));
            break;
        case 1:  // any byte
            if (n) input[random.Below(n)] = static_cast<char>(random.Below(256));
            break;
        case 2:  // a few random bytes in
            input.insert(random.Below(n + 1), std::string(1 + random.Below(4), static_cast<char>(random.Below(256))));
            break;
        case 3: {  // a range out
            if (!n) break;
            size_t at = random.Below(n);
            input.erase(at, 1 + random.Below(std::min<size_t>(n - at, 64)));
            break;
        }
        case 4: {  // a range twice
            if (!n) break;
            size_t at = random.Below(n);
            size_t length = 1 + random.Below(std::min<size_t>(n - at, 256));
            input.insert(random.Below(n + 1), input.substr(at, length));
            break;
        }
        case 5:  // cut short
            input.resize(random.Below(n + 1));
            break;
        case 6: {  // a token in, or over
            const char* token = kTokens[random.Below(sizeof kTokens / sizeof kTokens[0])];
            size_t at = random.Below(n + 1);
            if (random.Below(2) && at < n)
                input.replace(at, std::min(std::strlen(token), n - at), token);
            else
                input.insert(at, token);
            break;
        }
        case 7: {  // a piece of another input
            const std::string& other = corpus[random.Below(corpus.size())];
            if (other.empty()) break;
            size_t at = random.Below(other.size());
            input.insert(random.Below(n + 1), other.substr(at, 1 + random.Below(std::min<size_t>(other.size() - at, 512))));
            break;
        }
        default: {  // a number changed
            for (size_t i = random.Below(n + 1); i < n; ++i) {
                if (input[i] >= '0' && input[i] <= '9') {
                    input[i] = static_cast<char>('0' + random.Below(10));
                    if (random.Below(2)) input.insert(i, "9999999");
                    break;
                }
            }
            break;
        }
        }
    }
    if (input.size() > 256 * 1024) input.resize(256 * 1024);
    return input;
}

// ---------------------------------------------------------------------------------------------
// Targets

std::wstring g_work;       // a folder for inputs that a parser reads from a file
std::wstring g_dataFolder;  // the player's data folder (reply files are read from there)
HWND g_window = nullptr;
CWindowManagerUI* g_manager = nullptr;

std::wstring WideOf(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (n) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

void WriteFileBytes(const std::wstring& path, const GuardedInput& input) {
    WriteWholeFile(path, std::string(reinterpret_cast<const char*>(input.bytes()), input.size()));
}

void WalkLayout(CLayoutXmlNode node, int depth) {
    for (; node.IsValid() && depth < 200; node = node.GetSibling()) {
        node.GetName();
        int count = node.GetAttributeCount();
        for (int i = 0; i < count; ++i) {
            node.GetAttributeName(i);
            node.GetAttributeValue(i);
        }
        wchar_t value[16] = {};
        node.CopyAttributeValue(L"name", value, 15);
        WalkLayout(node.GetChild(), depth + 1);
    }
}

void FuzzLayout(const GuardedInput& input) {
    for (LayoutEncoding encoding : {LAYOUT_ENCODING_UTF8, LAYOUT_ENCODING_UTF16, LAYOUT_ENCODING_ANSI}) {
        CLayoutXml layout;
        if (layout.LoadFromMemory(input.bytes(), static_cast<DWORD>(input.size()), encoding))
            WalkLayout(layout.GetRoot(), 0);
    }
}

void FuzzZip(const GuardedInput& input) {
    ZipHandle* zip = ZipOpen(const_cast<unsigned char*>(input.bytes()), static_cast<DWORD>(input.size()), ZIP_MEMORY);
    if (!zip) return;
    for (int index = 0; index < 64; ++index) {
        ZipItemInfoA info = {};
        if (zip->reader->GetItem(index, &info) != ZR_OK) break;
        std::vector<char> out(std::min<DWORD>(info.unpackedSize, 1u << 20) + 1);
        DWORD written = 0;
        ZipUnzipItem(zip, index, out.data(), static_cast<DWORD>(out.size()), ZIP_MEMORY, &written);
    }
    int index = -1;
    ZipItemInfo found = {};
    ZipFindItem(zip, L"main.xml", true, &index, &found);
    ZipClose(zip);
}

void FuzzImage(const GuardedInput& input) {
    UIImageInfo* image = CUIRenderer::LoadImageFromMemory(input.bytes(), input.size(), 0xFFFF00FF);
    if (image) CUIRenderer::FreeImage(image);
}

void FuzzImageString(const GuardedInput& input) {
    std::string text(reinterpret_cast<const char*>(input.bytes()), input.size());
    size_t bar = text.find('|');
    std::wstring image = WideOf(text.substr(0, bar), CP_UTF8);
    std::wstring modifier = bar == std::string::npos ? std::wstring() : WideOf(text.substr(bar + 1), CP_UTF8);
    RECT item = {0, 0, 120, 40};
    std::vector<UIImageAttributes> draws;
    CUIRenderer::ParseImageString(image.c_str(), modifier.empty() ? nullptr : modifier.c_str(), item, draws);
}

void FuzzTaggedText(const GuardedInput& input) {
    std::wstring text = WideOf(std::string(reinterpret_cast<const char*>(input.bytes()), input.size()), CP_UTF8);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (UINT style : {UINT(DT_CALCRECT | DT_WORDBREAK), UINT(DT_SINGLELINE | DT_END_ELLIPSIS), UINT(DT_WORDBREAK)}) {
        RECT rc = {0, 0, 150, 60};
        RECT links[8];
        CUIString linkTexts[8];
        int linkCount = 8;
        CUIRenderer::DrawTaggedText(dc, g_manager, rc, text.c_str(), 0xFF000000, links, linkTexts, linkCount, style);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

void FuzzXml(const GuardedInput& input) {
    for (TiXmlEncoding encoding : {TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY, TIXML_ENCODING_UNKNOWN}) {
        TiXmlDocument document;
        ParseXmlText(document, std::string(reinterpret_cast<const char*>(input.bytes()), input.size()), encoding);
    }
}

void FuzzReplies(const GuardedInput& input) {
    WriteFileBytes(g_dataFolder + L"\\fuzz-reply", input);
    ParseTrackListReply(L"fuzz-reply");
    std::wstring url;
    ParsePlayUrlReply(L"fuzz-reply", url);
}

void FuzzIni(const GuardedInput& input) {
    CIni ini("");
    if (!ini.LoadText(std::string(reinterpret_cast<const char*>(input.bytes()), input.size()))) return;
    for (const char* section : {"version", "Set", "", "["})
        for (const char* key : {"ver", "url", "", "="}) ini.GetString(section, key);
}

void FuzzServerList(const GuardedInput& input) {
    std::wstring text = WideOf(std::string(reinterpret_cast<const char*>(input.bytes()), input.size()), 936);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name, url;
        ParseServerLine(text.substr(start, end - start), name, url);
        start = end + 1;
    }
    WriteFileBytes(g_work + L"\\serverlist.txt", input);
    CServers servers;
    servers.AddFromFile(g_work + L"\\serverlist.txt");
}

void FuzzFileList(const GuardedInput& input) {
    WriteFileBytes(g_work + L"\\filelist.xml", input);
    InstallFolders folders;
    folders.updater = g_work;
    CUpdateFiles files(folders);
    if (!files.LoadFromXml(g_work + L"\\filelist.xml")) return;
    files.RemoveUpToDate();
    while (CUpdateFile* file = files.PopHead()) delete file;
}

void FuzzHttpReply(const GuardedInput& input) {
    std::string head(reinterpret_cast<const char*>(input.bytes()), input.size());
    HttpReplyHead reply;
    ParseHttpReplyHead(head, reply);
    // Also as a redirect seen from a download target.
    HttpTarget from, to;
    from.host = "127.0.0.1";
    from.directory = "http://127.0.0.1/a/";
    from.file = "b.mp3?x=1";
    ResolveLocation(head.substr(0, head.find('\r')), from, to);
}

struct Target {
    const char* name;
    void (*run)(const GuardedInput&);
    const char* extensions;  // corpus files it prefers ("" = any)
};

const Target kTargets[] = {
    {"layout", FuzzLayout, ".xml"},         {"zip", FuzzZip, ".zip"},
    {"image", FuzzImage, ".png.gif.bmp.jpg"}, {"imagestring", FuzzImageString, ".imgstr"},
    {"tagged", FuzzTaggedText, ".tagged"},  {"xml", FuzzXml, ".xml.reply"},
    {"replies", FuzzReplies, ".reply"},     {"ini", FuzzIni, ".ini"},
    {"servers", FuzzServerList, ".servers"}, {"filelist", FuzzFileList, ".filelist"},
    {"http", FuzzHttpReply, ".http"},
};

struct CorpusFile {
    std::wstring name;
    std::string bytes;
};

std::vector<CorpusFile> ReadCorpus(const std::wstring& folder) {
    std::vector<CorpusFile> files;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CorpusFile file;
        file.name = found.cFileName;
        if (ReadWholeFile(folder + L"\\" + file.name, file.bytes) && file.bytes.size() <= 4u * 1024 * 1024)
            files.push_back(std::move(file));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return files;
}

bool Prefers(const Target& target, const std::wstring& name) {
    if (!*target.extensions) return true;
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::string extension;
    for (size_t i = dot; i < name.size(); ++i) extension += static_cast<char>(towlower(name[i]));
    std::string all = target.extensions;
    for (size_t at = all.find(extension); at != std::string::npos; at = all.find(extension, at + 1)) {
        size_t end = at + extension.size();
        if (end == all.size() || all[end] == '.') return true;
    }
    return false;
}

// What is running, for the report of a fault.
const Target* g_current = nullptr;
const std::string* g_currentInput = nullptr;
std::wstring g_output;
uint64_t g_seed = 0;
unsigned long long g_runs = 0;

LONG WINAPI ReportFault(EXCEPTION_POINTERS* pointers) {
    g_guarded = false;
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    const std::string target = g_current ? g_current->name : "none";
    const std::string name = "crash-" + target + "-" + std::to_string(g_seed) + "-" + std::to_string(g_runs) + ".bin";
    std::wstring path = g_output + L"\\" + WideOf(name, CP_UTF8);
    if (g_currentInput) WriteWholeFile(path, *g_currentInput);
    std::fprintf(stderr, "FAULT 0x%08lX in target %s after %llu runs; input: %s\n", static_cast<unsigned long>(code),
                 target.c_str(), g_runs, name.c_str());
    std::fflush(stderr);
    ExitProcess(3);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Faults are reported before any handler of the code under test could hide them.
LONG WINAPI CatchFault(EXCEPTION_POINTERS* pointers) {
    DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
        code == EXCEPTION_ILLEGAL_INSTRUCTION)
        return ReportFault(pointers);
    return EXCEPTION_CONTINUE_SEARCH;
}

LRESULT CALLBACK FuzzWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: vela_fuzz <corpus> <output> <seconds> [target ...] [--seed N]\n");
        return 2;
    }
    const std::wstring corpusFolder = argv[1];
    g_output = argv[2];
    const double seconds = _wtof(argv[3]);
    g_seed = GetTickCount64() ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    std::vector<const Target*> chosen;
    for (int i = 4; i < argc; ++i) {
        if (wcscmp(argv[i], L"--seed") == 0 && i + 1 < argc) {
            g_seed = _wcstoui64(argv[++i], nullptr, 10);
            continue;
        }
        for (const Target& target : kTargets) {
            if (WideOf(target.name, CP_UTF8) == argv[i]) chosen.push_back(&target);
        }
    }
    if (chosen.empty())
        for (const Target& target : kTargets) chosen.push_back(&target);

    std::vector<CorpusFile> corpus = ReadCorpus(corpusFolder);
    if (corpus.empty()) {
        std::fprintf(stderr, "no corpus files in the corpus folder\n");
        return 2;
    }
    std::vector<std::string> pool;
    for (const CorpusFile& file : corpus) pool.push_back(file.bytes);

    CreateDirectoryW(g_output.c_str(), nullptr);
    g_work = g_output + L"\\work";
    CreateDirectoryW(g_work.c_str(), nullptr);
    GetUserDataFolder(g_dataFolder);
    CreateDirectoryTree(g_dataFolder);
    CoInitialize(nullptr);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FuzzWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelaFuzzWindow";
    RegisterClassW(&windowClass);
    g_window = CreateWindowExW(0, L"VelaFuzzWindow", L"fuzz", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    g_manager = new CWindowManagerUI;
    g_manager->Init(g_window);
    CWindowManagerUI::SetResourcePath(g_work.c_str());
    CWindowManagerUI::SetResourceZip(L"", false);

    SetUnhandledExceptionFilter(ReportFault);
    AddVectoredExceptionHandler(1, CatchFault);

    Random random(g_seed);
    std::fprintf(stderr, "seed %llu, %zu corpus files, %zu targets, %.0f s\n", static_cast<unsigned long long>(g_seed),
                 corpus.size(), chosen.size(), seconds);
    const auto start = std::chrono::steady_clock::now();
    std::vector<unsigned long long> runsPerTarget(chosen.size(), 0);
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) {
        const size_t which = random.Below(chosen.size());
        const Target& target = *chosen[which];
        // Mostly from the files the target reads; sometimes from any, and sometimes unchanged.
        std::vector<size_t> preferred;
        for (size_t i = 0; i < corpus.size(); ++i)
            if (Prefers(target, corpus[i].name)) preferred.push_back(i);
        size_t seed = preferred.empty() || random.Below(8) == 0 ? random.Below(corpus.size())
                                                                : preferred[random.Below(preferred.size())];
        std::string input = random.Below(16) == 0 ? pool[seed] : Mutate(pool[seed], pool, random);
        GuardedInput guarded(input);
        g_current = &target;
        g_currentInput = &input;
        ++g_runs;
        ++runsPerTarget[which];
        g_guarded = true;
        try {
            target.run(guarded);
        } catch (const std::exception&) {
            // Refusing an input by an exception is allowed; what counts is no fault.
        }
        g_guarded = false;
        g_current = nullptr;
        g_currentInput = nullptr;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    for (size_t i = 0; i < chosen.size(); ++i)
        std::fprintf(stderr, "%-12s %llu runs\n", chosen[i]->name, runsPerTarget[i]);
    std::fprintf(stderr, "no fault in %llu runs\n", g_runs);
    delete g_manager;
    DestroyWindow(g_window);
    CoUninitialize();
    return 0;
}
