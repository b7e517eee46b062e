#include "builder_test_util.h"

#include "test_files.h"

namespace buildertest {

namespace {

void DumpNode(CLayoutXmlNode node, std::wstring& out) {
    out += node.GetName();
    if (node.HasAttributes()) {
        out += L"(";
        for (int i = 0; i < node.GetAttributeCount(); ++i) {
            if (i > 0) out += L",";
            out += node.GetAttributeName(i);
            out += L"=";
            out += node.GetAttributeValue(i);
        }
        out += L")";
    }
    if (node.HasChildren()) {
        out += L"[";
        bool first = true;
        for (CLayoutXmlNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
            if (!first) out += L" ";
            first = false;
            DumpNode(child, out);
        }
        out += L"]";
    }
}

}  // namespace

std::wstring DumpTree(CLayoutXml& doc) {
    CLayoutXmlNode root = doc.GetRoot();
    if (!root.IsValid()) return L"-";
    std::wstring out;
    for (CLayoutXmlNode node = root; node.IsValid(); node = node.GetSibling()) {
        if (!out.empty()) out += L" ";
        DumpNode(node, out);
    }
    return out;
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian, bool mark) {
    std::wstring units = mark ? L"\xFEFF" + text : text;
    std::string bytes;
    for (wchar_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>((unit >> 8) & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::wstring FixtureFolder() { return testfiles::Env(L"VELA_UIBUILDER_FIXTURES"); }

ResourceSettingsGuard::ResourceSettingsGuard()
    : m_path(CWindowManagerUI::GetResourcePath().GetData()),
      m_zip(CWindowManagerUI::GetResourceZip().GetData()),
      m_cached(CWindowManagerUI::IsResourceZipCached()) {}

ResourceSettingsGuard::~ResourceSettingsGuard() {
    CWindowManagerUI::SetResourceZip(L"", false);
    CWindowManagerUI::SetResourcePath(m_path.c_str());
    CWindowManagerUI::SetResourceZip(m_zip.c_str(), m_cached);
}

void ResourceSettingsGuard::UseFolder(const std::wstring& folder) {
    CWindowManagerUI::SetResourceZip(L"", false);
    CWindowManagerUI::SetResourcePath(folder.c_str());
}

void ResourceSettingsGuard::UseArchive(const std::wstring& folder, const wchar_t* archive, bool cached) {
    CWindowManagerUI::SetResourceZip(L"", false);
    CWindowManagerUI::SetResourcePath(folder.c_str());
    CWindowManagerUI::SetResourceZip(archive, cached);
}

TrackedControl::TrackedControl(Census* census, const wchar_t* className)
    : m_census(census), m_className(className) {
    ++m_census->made;
}

TrackedControl::~TrackedControl() { ++m_census->destroyed; }

void TrackedControl::SetAttribute(const wchar_t* name, const wchar_t* value) {
    m_census->attributes.push_back(std::wstring(name) + L"=" + value);
    CControlUI::SetAttribute(name, value);
}

TrackedContainer::TrackedContainer(Census* census, bool refuseChildren)
    : m_census(census), m_refuse(refuseChildren) {
    ++m_census->made;
}

TrackedContainer::~TrackedContainer() { ++m_census->destroyed; }

bool TrackedContainer::Add(CControlUI* control) { return m_refuse ? false : CContainerUI::Add(control); }

CControlUI* TestCallback::CreateControl(const wchar_t* className) {
    asked.push_back(className);
    const std::wstring tag(className);
    if (tag == L"Tracked") return new TrackedControl(m_census, className);
    if (tag == L"Box") return new TrackedContainer(m_census, false);
    if (tag == L"Refusing") return new TrackedContainer(m_census, true);
    return nullptr;
}

}  // namespace buildertest
