#include "local_helpers.h"

#include <windows.h>
#include <shlobj.h>

#include <tinyxml.h>

#include <new>
#include <utility>
#include <vector>

namespace {

const wchar_t kDataFolderName[] = L"VelaMusic";
const wchar_t kBrowserKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const wchar_t kDefaultBrowser[] = L"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";

// Owns an open registry key.
class RegKey {
public:
    RegKey() : m_key(nullptr) {}
    ~RegKey() {
        if (m_key) RegCloseKey(m_key);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    bool Open(HKEY root, const wchar_t* subKey) {
        return RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, &m_key) == ERROR_SUCCESS;
    }
    // The default value as text (REG_SZ or REG_EXPAND_SZ, expanded).
    bool ReadDefaultText(std::wstring& out) const {
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExW(m_key, nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        if (RegQueryValueExW(m_key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS)
            return false;
        out.assign(buffer.data());
        if (type == REG_EXPAND_SZ) {
            DWORD need = ExpandEnvironmentStringsW(out.c_str(), nullptr, 0);
            if (need == 0) return false;
            std::vector<wchar_t> expanded(need + 1, L'\0');
            ExpandEnvironmentStringsW(out.c_str(), expanded.data(), need + 1);
            out.assign(expanded.data());
        }
        return true;
    }

private:
    HKEY m_key;
};

}  // namespace

bool GetUserDataFolder(std::wstring& out) {
    out.clear();
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        !folder[0])
        return false;
    out = folder;
    if (out.back() != L'\\') out += L'\\';
    out += kDataFolderName;
    return true;
}

bool CreateDirectoryTree(const std::wstring& path) {
    if (path.empty()) return false;
    std::wstring full = path;
    if (full.back() != L'\\' && full.back() != L'/') full += L'\\';
    bool created = false;
    for (size_t i = 0; i < full.size(); ++i) {
        if (full[i] != L'\\' && full[i] != L'/') continue;
        if (i == 0) continue;
        std::wstring prefix = full.substr(0, i);
        DWORD attributes = GetFileAttributesW(prefix.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            created = false;
            continue;
        }
        created = CreateDirectoryW(prefix.c_str(), nullptr) != FALSE;
    }
    return created;
}

void EncodeUnit3Bytes(unsigned char out[3], wchar_t unit) {
    const unsigned int u = static_cast<unsigned int>(unit) & 0xFFFF;
    out[0] = static_cast<unsigned char>(0xE0 | (u >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
}

bool WideToUtf8Fixed3(std::string& out, const std::wstring& text) {
    out.clear();
    try {
        out.reserve(text.size() * 3);
        for (wchar_t unit : text) {
            unsigned char group[3];
            EncodeUnit3Bytes(group, unit);
            out.append(reinterpret_cast<const char*>(group), 3);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool Utf8Fixed3ToWide(std::wstring& out, const std::string& text) {
    out.clear();
    try {
        out.reserve(text.size());
        size_t i = 0;
        while (i < text.size()) {
            const unsigned char b0 = static_cast<unsigned char>(text[i]);
            if (b0 & 0x80) {
                if (text.size() - i < 3) break;  // a group cut short ends the text
                const unsigned char b1 = static_cast<unsigned char>(text[i + 1]);
                const unsigned char b2 = static_cast<unsigned char>(text[i + 2]);
                out += static_cast<wchar_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
                i += 3;
            } else {
                out += static_cast<wchar_t>(b0);
                ++i;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int RunCommandLine(const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                       nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return 0;
}

int GetBrowserPath(std::wstring& out) {
    std::wstring path;
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kBrowserKey) || !key.ReadDefaultText(path)) path.clear();
    // The value may come quoted already; quote it exactly once.
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    if (path.empty()) path = kDefaultBrowser;
    out = L"\"" + path + L"\"";
    return 0;
}

std::string AppXmlText(const std::wstring& programPath) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    TiXmlElement* root = new TiXmlElement("AppPath");
    root->LinkEndChild(new TiXmlText(WideToUtf8(programPath)));
    document.LinkEndChild(root);
    TiXmlPrinter printer;
    document.Accept(&printer);
    // The byte-order mark is how the updater knows the path is UTF-8 rather than the ANSI code
    // page that older writers used.
    return "\xEF\xBB\xBF" + printer.Str();
}

bool WriteAppXml(const std::wstring& fileName) {
    std::wstring folder;
    if (!GetUserDataFolder(folder)) return false;
    std::string text;
    try {
        text = AppXmlText(ModuleFilePath());
    } catch (const std::exception&) {
        return false;
    }
    return WriteWholeFile(folder + fileName, text);
}
