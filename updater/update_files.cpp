#include "update_files.h"

#include <ole2.h>
#include <msxml2.h>
#include <oleauto.h>

#include <climits>
#include <vector>

#include "text_file.h"
#include "win_owners.h"

namespace {

// The system's XML DOM document class and its interface.
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

HRESULT FromLastError() {
    DWORD e = GetLastError();
    return e > 0 ? static_cast<HRESULT>(0x80070000u + (e & 0xFFFFu)) : E_FAIL;
}

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* operator&() { return &b_; }
    BSTR get() const { return b_; }
    std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

bool IsYes(const std::wstring& text) { return EqualsNoCase(text, L"YES"); }

// Windows' own builder of file lists declares GB2312, which the system's XML parser may refuse;
// GBK holds GB2312, so such a list is read as GBK. Other declarations stay as they are.
void ReadGb2312AsGbk(std::string& bytes) {
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (bytes.compare(start, 5, "<?xml") != 0) return;
    size_t end = bytes.find("?>", start);
    if (end == std::string::npos) return;
    size_t key = bytes.find("encoding", start);
    if (key == std::string::npos || key > end) return;
    size_t quote = bytes.find_first_of("\"'", key);
    if (quote == std::string::npos || quote > end) return;
    size_t close = bytes.find(bytes[quote], quote + 1);
    if (close == std::string::npos || close > end) return;
    std::string name = bytes.substr(quote + 1, close - quote - 1);
    if (_stricmp(name.c_str(), "GB2312") == 0) bytes.replace(quote + 1, close - quote - 1, "GBK");
}

bool IsUnsafePart(const std::wstring& part) {
    if (part.find(L':') != std::wstring::npos) return true;
    size_t start = 0;
    while (start <= part.size()) {
        size_t end = part.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = part.size();
        std::wstring component = part.substr(start, end - start);
        // Windows drops trailing dots and blanks, so "..", ". ." and "..." all climb.
        if (!component.empty() && component.find_first_not_of(L". ") == std::wstring::npos && component != L".") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::vector<wchar_t> buffer(n + 1);
    n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size()) return {};
    return std::wstring(buffer.data(), n);
}

std::wstring ModuleFolder() {
    const std::wstring path = ModuleFilePath();
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

// --- CUpdateFile ---------------------------------------------------------------------------

CUpdateFile::CUpdateFile(std::wstring path) : fullLocalPath(std::move(path)) {}

bool CUpdateFile::FileExists(const std::wstring& path) {
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.IsValid();
}

HRESULT CUpdateFile::GetVersionStrings(const std::wstring& path, CUpdateFile& record) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return FromLastError();
    std::vector<BYTE> data(static_cast<size_t>(size) * 2);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return FromLastError();
    void* block = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO)) {
        return FromLastError();
    }
    record.fixedInfo = *static_cast<const VS_FIXEDFILEINFO*>(block);
    auto text = [](DWORD ms, DWORD ls) {
        wchar_t buffer[64];
        swprintf(buffer, 64, L"%u.%u.%u.%u", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
        return std::wstring(buffer);
    };
    record.FileVersion = text(record.fixedInfo.dwFileVersionMS, record.fixedInfo.dwFileVersionLS);
    record.ProductVersion = text(record.fixedInfo.dwProductVersionMS, record.fixedInfo.dwProductVersionLS);
    return S_OK;
}

HRESULT CUpdateFile::GetLastWriteTime(const std::wstring& path, FILETIME& time) {
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid()) return FromLastError();
    return GetFileTime(file.Get(), nullptr, nullptr, &time) ? S_OK : FromLastError();
}

bool CUpdateFile::GetLocalFileInfo() {
    if (fullLocalPath.empty()) return false;
    bool versionRead = false;
    CScopedHandle file(CreateFileW(fullLocalPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (file.IsValid()) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file.Get(), &size)) Length = size.QuadPart;
        size_t slash = fullLocalPath.find_last_of(L"\\/");
        FileName = slash == std::wstring::npos ? fullLocalPath : fullLocalPath.substr(slash + 1);
        file.Close();
        versionRead = SUCCEEDED(GetVersionStrings(fullLocalPath, *this));
    }
    bool timeRead = SUCCEEDED(GetLastWriteTime(fullLocalPath, FileDate));
    return versionRead || timeRead;
}

bool CUpdateFile::CheckNeedUpdate() {
    if (!FileExists(fullLocalPath)) {
        NeedUpdate = true;
        return NeedUpdate;
    }
    CUpdateFile local(fullLocalPath);
    if (local.GetLocalFileInfo()) {
        if (FileVersion.empty()) {
            NeedUpdate = CompareFileTime(&local.FileDate, &FileDate) == -1;
        } else {
            NeedUpdate = CompareVersions(local.FileVersion, FileVersion) < 0;
        }
    }
    return NeedUpdate;
}

int CompareVersions(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        auto part = [](const std::wstring& s, size_t& pos) {
            uint64_t value = 0;
            while (pos < s.size() && s[pos] != L'.') {
                if (s[pos] >= L'0' && s[pos] <= L'9' && value < UINT64_MAX / 100) {
                    value = value * 10 + static_cast<uint64_t>(s[pos] - L'0');
                }
                ++pos;
            }
            if (pos < s.size()) ++pos;  // the dot
            return value;
        };
        uint64_t x = part(a, i), y = part(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

namespace {

// A decimal number as the C runtime reads one: leading white space, an optional sign, the digits
// up to the first other character (none: 0). The magnitude stops growing just above 32 bits.
struct ListDecimal {
    bool negative = false;
    uint64_t magnitude = 0;
};

ListDecimal ScanListDecimal(const std::wstring& text) {
    std::string narrow = WideToAnsi(text);
    size_t i = 0;
    while (i < narrow.size() && (narrow[i] == ' ' || (narrow[i] >= '\t' && narrow[i] <= '\r'))) ++i;
    ListDecimal number;
    if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) number.negative = narrow[i++] == '-';
    const uint64_t cap = uint64_t{1} << 33;
    for (; i < narrow.size() && narrow[i] >= '0' && narrow[i] <= '9'; ++i) {
        number.magnitude = number.magnitude * 10 + static_cast<uint64_t>(narrow[i] - '0');
        if (number.magnitude > cap) number.magnitude = cap;
    }
    return number;
}

}  // namespace

long ParseListNumber(const std::wstring& text) {
    ListDecimal number = ScanListDecimal(text);
    if (number.negative) {
        const uint64_t limit = uint64_t{1} << 31;
        return number.magnitude >= limit ? static_cast<long>(INT32_MIN) : -static_cast<long>(number.magnitude);
    }
    return number.magnitude > INT32_MAX ? static_cast<long>(INT32_MAX) : static_cast<long>(number.magnitude);
}

DWORD ParseListUnsigned(const std::wstring& text) {
    ListDecimal number = ScanListDecimal(text);
    if (number.magnitude > UINT32_MAX) return UINT32_MAX;
    uint32_t value = static_cast<uint32_t>(number.magnitude);
    return number.negative ? 0u - value : value;
}

// --- target paths --------------------------------------------------------------------------

InstallFolders InstallFolders::OfThisProcess() {
    InstallFolders folders;
    folders.updater = ModuleFolder();
    wchar_t buffer[MAX_PATH] = {};
    if (GetWindowsDirectoryW(buffer, MAX_PATH)) folders.windows = buffer;
    buffer[0] = 0;
    if (GetSystemDirectoryW(buffer, MAX_PATH)) folders.system = buffer;
    return folders;
}

std::wstring ResolveTargetPath(const InstallFolders& folders, const std::wstring& installDir,
                               const std::wstring& localPath, const std::wstring& fileName) {
    const std::wstring& base = EqualsNoCase(installDir, L"WINDOWSDIR") ? folders.windows
                               : EqualsNoCase(installDir, L"SYSTEMDIR") ? folders.system
                                                                        : folders.updater;
    if (base.empty() || fileName.empty() || IsUnsafePart(fileName) || IsUnsafePart(localPath)) return {};
    if (fileName.back() == L'\\' || fileName.back() == L'/') return {};
    std::wstring path = localPath.empty() ? base + L"\\" + fileName : base + L"\\" + localPath + L"\\" + fileName;

    // Whatever the parts look like, the result must lie inside the base folder.
    std::wstring fullBase = FullPath(base), fullPath = FullPath(path);
    if (fullBase.empty() || fullPath.empty()) return {};
    if (fullBase.back() != L'\\') fullBase += L'\\';
    if (fullPath.size() <= fullBase.size() || _wcsnicmp(fullPath.c_str(), fullBase.c_str(), fullBase.size()) != 0) {
        return {};
    }
    return path;
}

// --- CUpdateFiles --------------------------------------------------------------------------

CUpdateFiles::CUpdateFiles() : CUpdateFiles(InstallFolders::OfThisProcess()) {}

CUpdateFiles::CUpdateFiles(InstallFolders folders) : folders_(std::move(folders)) {}

CUpdateFiles::~CUpdateFiles() { Clear(); }

bool CUpdateFiles::LoadFromXml(const std::wstring& path) {
    Clear();
    CSectionGuard guard(lock_);
    refused_.clear();

    std::string bytes;
    if (!ReadWholeFile(path, bytes) || bytes.empty()) return false;
    ReadGb2312AsGbk(bytes);

    CComPointer<IXMLDOMDocument> document;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid))) clsid = kDomDocumentClass;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface, document.ReceiveVoid()))) {
        return false;
    }
    if (FAILED(document->put_async(VARIANT_FALSE))) return false;

    // The bytes are handed over as they are, so that the parser honours the declared encoding.
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return false;
    }
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_ARRAY | VT_UI1;
    source.parray = array;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document->load(source, &loaded);
    VariantClear(&source);
    if (hr != S_OK || loaded != VARIANT_TRUE) return false;

    CComPointer<IXMLDOMElement> root;
    if (document->get_documentElement(root.Receive()) != S_OK || !root) return false;
    CComPointer<IXMLDOMNodeList> nodes;
    Bstr tag(L"File");
    if (FAILED(root->getElementsByTagName(tag.get(), nodes.Receive())) || !nodes) return false;
    return ParseFileNodes(nodes.Get());
}

bool CUpdateFiles::ParseFileNodes(IXMLDOMNodeList* nodes) {
    CSectionGuard guard(lock_);
    long count = 0;
    if (!nodes || FAILED(nodes->get_length(&count))) return false;
    for (long index = 0; index < count; ++index) {
        CComPointer<IXMLDOMNode> node;
        if (nodes->get_item(index, node.Receive()) != S_OK || !node) continue;
        CUpdateFile* entry = new (std::nothrow) CUpdateFile();
        if (!entry) return false;

        CComPointer<IXMLDOMNode> current;
        node->get_firstChild(current.Receive());
        while (current) {
            DOMNodeType type = NODE_INVALID;
            current->get_nodeType(&type);
            if (type == NODE_ELEMENT) {
                Bstr name, text;
                current->get_nodeName(&name);
                current->get_text(&text);
                std::wstring n = name.str(), v = text.str();
                if (EqualsNoCase(n, L"FileName")) entry->FileName = v;
                else if (EqualsNoCase(n, L"FileVersion")) entry->FileVersion = v;
                else if (EqualsNoCase(n, L"ProductVersion")) entry->ProductVersion = v;
                else if (EqualsNoCase(n, L"Length")) entry->Length = ParseListNumber(v);
                else if (EqualsNoCase(n, L"FileDateLow")) entry->FileDate.dwLowDateTime = ParseListUnsigned(v);
                else if (EqualsNoCase(n, L"FileDateHigh")) entry->FileDate.dwHighDateTime = ParseListUnsigned(v);
                else if (EqualsNoCase(n, L"InstallDir")) entry->InstallDir = v;
                else if (EqualsNoCase(n, L"Register")) entry->Register = IsYes(v);
                else if (EqualsNoCase(n, L"ZipFile")) entry->ZipFile = IsYes(v);
                else if (EqualsNoCase(n, L"ForceOverwrite")) entry->ForceOverwrite = IsYes(v);
                else if (EqualsNoCase(n, L"Execute")) entry->Execute = IsYes(v);
                else if (EqualsNoCase(n, L"ExecutePar")) entry->ExecutePar = v;
                else if (EqualsNoCase(n, L"LocalPath")) entry->LocalPath = v;
                else if (EqualsNoCase(n, L"URL")) entry->URL = v;
                else if (EqualsNoCase(n, L"UserName")) entry->UserName = v;
                else if (EqualsNoCase(n, L"Password")) entry->Password = v;
            }
            CComPointer<IXMLDOMNode> next;
            if (current->get_nextSibling(next.Receive()) != S_OK) break;
            current = std::move(next);
        }

        entry->fullLocalPath = ResolveTargetPath(folders_, entry->InstallDir, entry->LocalPath, entry->FileName);
        if (entry->fullLocalPath.empty()) {
            refused_.push_back(entry->FileName);
            delete entry;
            continue;
        }
        files_.push_back(entry);
    }
    return true;
}

size_t CUpdateFiles::RemoveUpToDate() {
    CSectionGuard guard(lock_);
    for (auto it = files_.begin(); it != files_.end();) {
        if ((*it)->CheckNeedUpdate()) {
            ++it;
        } else {
            delete *it;
            it = files_.erase(it);
        }
    }
    return files_.size();
}

DWORD CUpdateFiles::GetTotalLength() {
    CSectionGuard guard(lock_);
    DWORD total = 0;
    for (CUpdateFile* file : files_) {
        if (file->NeedUpdate) total += static_cast<DWORD>(file->Length);
    }
    return total;
}

CUpdateFile* CUpdateFiles::PopHead() {
    CSectionGuard guard(lock_);
    if (files_.empty()) return nullptr;
    CUpdateFile* head = files_.front();
    files_.pop_front();
    return head;
}

size_t CUpdateFiles::GetCount() {
    CSectionGuard guard(lock_);
    return files_.size();
}

void CUpdateFiles::Clear() {
    CSectionGuard guard(lock_);
    while (!files_.empty()) {
        delete files_.front();
        files_.pop_front();
    }
}
