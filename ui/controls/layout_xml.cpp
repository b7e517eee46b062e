#include "layout_xml.h"

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

#include "resource_reader.h"
#include "window_manager.h"

namespace UIToolkit {

namespace {

bool IsBlank(wchar_t ch) { return ch >= 1 && ch <= 32; }

bool IsNameChar(wchar_t ch) { return iswalnum(ch) || ch == L'_' || ch == L':'; }

struct EntityDef {
    const wchar_t* name;  // with its semicolon
    size_t length;
    wchar_t value;
};

const EntityDef kEntities[] = {
    {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'}, {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
};

struct ReadErrorDef {
    ResourceReadResult result;
    const wchar_t* text;
};

const ReadErrorDef kReadErrors[] = {
    {ResourceReadResult::CannotOpenFile, L"Error opening file"},
    {ResourceReadResult::NoArchive, L"Error opening zip file"},
    {ResourceReadResult::NotFound, L"Could not find ziped file"},
    {ResourceReadResult::TooLarge, L"File too large"},
    {ResourceReadResult::OutOfMemory, L"Out of memory"},
    {ResourceReadResult::ReadFailed, L"Could not read file"},
    {ResourceReadResult::UnzipFailed, L"Could not unzip file"},
};

// The error of a layout read as the reader reports it; null when the bytes can be parsed.
const wchar_t* ReadErrorText(ResourceReadResult result, const std::string& bytes) {
    if (result == ResourceReadResult::Ok) return bytes.empty() ? L"File is empty" : nullptr;
    for (const ReadErrorDef& error : kReadErrors) {
        if (error.result == result) return error.text;
    }
    return L"Could not read file";
}

void CopyBounded(wchar_t* target, size_t size, const wchar_t* source) {
    size_t n = 0;
    if (source != nullptr) {
        while (n + 1 < size && source[n] != L'\0') {
            target[n] = source[n];
            ++n;
        }
    }
    target[n] = L'\0';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CLayoutXmlNode

CLayoutXmlNode::CLayoutXmlNode() : m_element(0), m_attributeCount(0), m_attributes(), m_document(nullptr) {}

CLayoutXmlNode::CLayoutXmlNode(CLayoutXml* document, int element)
    : m_element(element), m_attributeCount(0), m_attributes(), m_document(document) {}

bool CLayoutXmlNode::IsValid() const {
    return m_document != nullptr && m_element > 0 &&
           static_cast<uint32_t>(m_element) < m_document->m_elementCount;
}

CLayoutXmlNode CLayoutXmlNode::GetSibling() const {
    if (!IsValid()) return CLayoutXmlNode();
    const uint32_t next = m_document->m_elements[m_element].nextSibling;
    return next != 0 ? CLayoutXmlNode(m_document, static_cast<int>(next)) : CLayoutXmlNode();
}

CLayoutXmlNode CLayoutXmlNode::GetChild() const {
    if (!IsValid()) return CLayoutXmlNode();
    const uint32_t child = m_document->m_elements[m_element].firstChild;
    return child != 0 ? CLayoutXmlNode(m_document, static_cast<int>(child)) : CLayoutXmlNode();
}

bool CLayoutXmlNode::HasChildren() const {
    return IsValid() && m_document->m_elements[m_element].firstChild != 0;
}

const wchar_t* CLayoutXmlNode::GetName() const {
    if (!IsValid()) return nullptr;
    return m_document->m_text + m_document->m_elements[m_element].namePos;
}

int CLayoutXmlNode::GetAttributeCount() {
    if (!IsValid()) return 0;
    if (m_attributeCount == 0) MapAttributes();
    return m_attributeCount;
}

bool CLayoutXmlNode::HasAttributes() { return GetAttributeCount() > 0; }

const wchar_t* CLayoutXmlNode::GetAttributeName(int index) {
    if (!IsValid()) return nullptr;
    if (index < 0 || index >= GetAttributeCount()) return L"";
    return m_document->m_text + m_attributes[index].namePos;
}

const wchar_t* CLayoutXmlNode::GetAttributeValue(int index) {
    if (!IsValid()) return nullptr;
    if (index < 0 || index >= GetAttributeCount()) return L"";
    return m_document->m_text + m_attributes[index].valuePos;
}

bool CLayoutXmlNode::CopyAttributeValue(const wchar_t* name, wchar_t* buffer, int size) {
    if (!IsValid() || name == nullptr || buffer == nullptr || size < 0) return false;
    const int count = GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(m_document->m_text + m_attributes[i].namePos, name) == 0) {
            wcsncpy(buffer, m_document->m_text + m_attributes[i].valuePos, static_cast<size_t>(size));
            return true;
        }
    }
    return false;
}

// Walks the start tag in the parsed buffer: after the name, each attribute is its name, its
// terminator, blanks, the opening quote and the value up to its terminator. The walk never leaves
// the start tag (name position .. content position).
void CLayoutXmlNode::MapAttributes() {
    m_attributeCount = 0;
    const wchar_t* text = m_document->m_text;
    const LayoutXmlElement& element = m_document->m_elements[m_element];
    const wchar_t* end = text + element.contentPos;
    const wchar_t* p = text + element.namePos;
    auto skipPastTerminator = [&p, end]() {
        while (p < end && *p != L'\0') ++p;
        if (p < end) ++p;
    };
    auto skipBlanks = [&p, end]() {
        while (p < end && IsBlank(*p)) ++p;
    };
    skipPastTerminator();
    while (m_attributeCount < MAX_ATTRIBUTES) {
        skipBlanks();
        if (p >= end) break;
        const uint32_t namePos = static_cast<uint32_t>(p - text);
        skipPastTerminator();
        skipBlanks();
        if (p >= end || *p != L'"') break;
        ++p;
        m_attributes[m_attributeCount].namePos = namePos;
        m_attributes[m_attributeCount].valuePos = static_cast<uint32_t>(p - text);
        ++m_attributeCount;
        skipPastTerminator();
    }
}

// ---------------------------------------------------------------------------------------------
// CLayoutXml: loading

CLayoutXml::CLayoutXml(const wchar_t* text)
    : m_text(nullptr), m_elements(nullptr), m_elementCount(0), m_capacity(0), m_errorMessage(),
      m_errorLocation() {
    if (text != nullptr) Load(text);
}

CLayoutXml::~CLayoutXml() { Release(); }

void CLayoutXml::Release() {
    delete[] m_text;
    m_text = nullptr;
    delete[] m_elements;
    m_elements = nullptr;
    m_elementCount = 0;
    m_capacity = 0;
}

bool CLayoutXml::SetError(const wchar_t* message, const wchar_t* location) {
    CopyBounded(m_errorMessage, ERROR_MESSAGE_SIZE, message);
    CopyBounded(m_errorLocation, ERROR_LOCATION_SIZE, location);
    return false;
}

CLayoutXmlNode CLayoutXml::GetRoot() {
    if (m_elements == nullptr || m_elementCount < 2) return CLayoutXmlNode();
    return CLayoutXmlNode(this, 1);
}

bool CLayoutXml::Load(const wchar_t* text) {
    Release();
    if (text == nullptr) return SetError(L"No text", nullptr);
    const size_t length = wcslen(text);
    // Positions are 32-bit.
    if (length >= 0xFFFFFFFFu || length >= SIZE_MAX / sizeof(wchar_t)) return SetError(L"File too large", nullptr);
    m_text = new (std::nothrow) wchar_t[length + 1];
    if (m_text == nullptr) return SetError(L"Out of memory", nullptr);
    std::memcpy(m_text, text, (length + 1) * sizeof(wchar_t));
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CLayoutXml::LoadFromMemory(const BYTE* bytes, DWORD count, LayoutEncoding encoding) {
    Release();
    if (bytes == nullptr && count > 0) return SetError(L"No text", nullptr);
    size_t units = 0;
    if (encoding == LAYOUT_ENCODING_UTF8 || encoding == LAYOUT_ENCODING_ANSI) {
        if (encoding == LAYOUT_ENCODING_UTF8 && count > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB &&
            bytes[2] == 0xBF) {
            bytes += 3;
            count -= 3;
        }
        if (count > 0x7FFFFFFFu) return SetError(L"File too large", nullptr);
        const UINT codePage = encoding == LAYOUT_ENCODING_UTF8 ? CP_UTF8 : CP_ACP;
        const char* source = reinterpret_cast<const char*>(bytes);
        int converted = 0;
        if (count > 0) {
            converted = ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(count), nullptr, 0);
            if (converted <= 0) return SetError(L"Could not convert text", nullptr);
        }
        units = static_cast<size_t>(converted);
        m_text = new (std::nothrow) wchar_t[units + 1];
        if (m_text == nullptr) return SetError(L"Out of memory", nullptr);
        if (count > 0 &&
            ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(count), m_text, converted) != converted) {
            Release();
            return SetError(L"Could not convert text", nullptr);
        }
    } else if (encoding == LAYOUT_ENCODING_UTF16) {
        if (count < 2) return SetError(L"Missing byte-order mark", nullptr);
        const bool littleEndian = bytes[0] == 0xFF && bytes[1] == 0xFE;
        const bool bigEndian = bytes[0] == 0xFE && bytes[1] == 0xFF;
        if (!littleEndian && !bigEndian) return SetError(L"Missing byte-order mark", nullptr);
        // A trailing odd byte is not part of any unit and is dropped.
        units = count / 2 - 1;
        m_text = new (std::nothrow) wchar_t[units + 1];
        if (m_text == nullptr) return SetError(L"Out of memory", nullptr);
        const BYTE* unit = bytes + 2;
        for (size_t i = 0; i < units; ++i, unit += 2) {
            const BYTE low = littleEndian ? unit[0] : unit[1];
            const BYTE high = littleEndian ? unit[1] : unit[0];
            m_text[i] = static_cast<wchar_t>(low | (high << 8));
        }
    } else {
        return SetError(L"Unknown encoding", nullptr);
    }
    m_text[units] = L'\0';
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CLayoutXml::LoadFromFile(const wchar_t* name, LayoutEncoding encoding) {
    Release();
    if (name == nullptr) return SetError(L"Error opening file", nullptr);
    if (!CWindowManagerUI::GetResourceZip().IsEmpty()) return LoadFromZip(name, encoding);
    std::string bytes;
    const wchar_t* error = ReadErrorText(ReadResourceFile(name, MAX_FILE_SIZE, bytes), bytes);
    if (error != nullptr) return SetError(error, nullptr);
    return LoadFromMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), encoding);
}

bool CLayoutXml::LoadFromZip(const wchar_t* name, LayoutEncoding encoding) {
    std::string bytes;
    const wchar_t* error = ReadErrorText(ReadResourceArchiveEntry(name, MAX_FILE_SIZE, bytes), bytes);
    if (error != nullptr) return SetError(error, nullptr);
    return LoadFromMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), encoding);
}

// ---------------------------------------------------------------------------------------------
// CLayoutXml: parsing

LayoutXmlElement* CLayoutXml::ReserveElement() {
    if (m_elementCount == 0) m_capacity = 0;
    if (m_elementCount >= m_capacity) {
        const uint64_t capacity = static_cast<uint64_t>(m_capacity) / 2 + m_capacity + 500;
        if (capacity > 0x7FFFFFFFu || capacity > SIZE_MAX / sizeof(LayoutXmlElement)) {
            SetError(L"Out of memory", nullptr);
            return nullptr;
        }
        LayoutXmlElement* table = new (std::nothrow) LayoutXmlElement[static_cast<size_t>(capacity)];
        if (table == nullptr) {
            SetError(L"Out of memory", nullptr);
            return nullptr;
        }
        if (m_elementCount > 0) std::memcpy(table, m_elements, m_elementCount * sizeof(LayoutXmlElement));
        delete[] m_elements;
        m_elements = table;
        m_capacity = static_cast<uint32_t>(capacity);
    }
    LayoutXmlElement* element = &m_elements[m_elementCount++];
    *element = LayoutXmlElement();
    return element;
}

void CLayoutXml::SkipWhitespace(wchar_t*& pos) {
    while (IsBlank(*pos)) ++pos;
}

void CLayoutXml::SkipIdentifier(wchar_t*& pos) {
    while (*pos != L'\0' && IsNameChar(*pos)) ++pos;
}

bool CLayoutXml::Parse() {
    m_elementCount = 0;
    if (ReserveElement() == nullptr) return false;
    m_errorMessage[0] = L'\0';
    m_errorLocation[0] = L'\0';
    wchar_t* pos = m_text;
    return ParseElements(pos, 0, 1);
}

bool CLayoutXml::ParseElements(wchar_t*& pos, uint32_t parent, int depth) {
    if (depth > MAX_DEPTH) return SetError(L"Elements nested too deeply", pos);
    uint32_t previous = 0;
    SkipWhitespace(pos);
    for (;;) {
        if (*pos == L'\0' && parent <= 1) return true;
        SkipWhitespace(pos);
        if (*pos != L'<') return SetError(L"Expected start tag", pos);
        if (pos[1] == L'/') return true;  // the parent's end tag; the caller checks it
        *pos++ = L'\0';
        SkipWhitespace(pos);

        if (*pos == L'!' || *pos == L'?') {
            // Comment, declaration or processing instruction: skipped up to its end marker.
            const wchar_t* marker = *pos == L'?' ? L"?>" : L"->";
            wchar_t* end = wcsstr(pos, marker);
            pos = end != nullptr ? end + 2 : pos + wcslen(pos);
            SkipWhitespace(pos);
            continue;
        }

        if (ReserveElement() == nullptr) return false;
        // Indexes only from here on: the table moves when a child grows it.
        const uint32_t index = m_elementCount - 1;
        m_elements[index].namePos = static_cast<uint32_t>(pos - m_text);
        m_elements[index].parent = parent;
        if (previous != 0) {
            m_elements[previous].nextSibling = index;
        } else if (parent != 0) {
            m_elements[parent].firstChild = index;
        }
        previous = index;

        wchar_t* const name = pos;
        SkipIdentifier(pos);
        wchar_t* const nameEnd = pos;
        if (*pos == L'\0') return SetError(L"Error parsing element name", pos);
        if (!ParseAttributes(pos)) return false;

        SkipWhitespace(pos);
        if (pos[0] == L'/' && pos[1] == L'>') {
            m_elements[index].contentPos = static_cast<uint32_t>(pos - m_text);
            *pos = L'\0';
            pos += 2;
        } else {
            if (*pos != L'>') return SetError(L"Expected start-tag closing", pos);
            ++pos;
            m_elements[index].contentPos = static_cast<uint32_t>(pos - m_text);
            wchar_t* const contentEnd = ParseData(pos, pos, L'<');
            if (*pos == L'\0') {
                if (parent > 1) return SetError(L"Expected end-tag start", pos);
                // The text ends inside the root or inside a childless child of the root.
                *contentEnd = L'\0';
                *nameEnd = L'\0';
                return true;
            }
            if (pos[1] != L'/' && !ParseElements(pos, index, depth + 1)) return false;
            if (pos[0] == L'<' && pos[1] == L'/') {
                *contentEnd = L'\0';
                *pos = L'\0';
                pos += 2;
                SkipWhitespace(pos);
                const size_t nameLength = static_cast<size_t>(nameEnd - name);
                if (wcsncmp(pos, name, nameLength) != 0) return SetError(L"Unmatched closing tag", pos);
                pos += nameLength;
                SkipWhitespace(pos);
                if (*pos != L'>') return SetError(L"Unmatched closing tag", pos);
                ++pos;
            } else {
                // Only the root's children can run to the end of the text.
                *contentEnd = L'\0';
            }
        }
        *nameEnd = L'\0';
        SkipWhitespace(pos);
    }
}

bool CLayoutXml::ParseAttributes(wchar_t*& pos) {
    if (*pos == L'>' || *pos == L'/') return true;
    // Whatever ends the name (the caller has checked it is not the end of the text).
    *pos++ = L'\0';
    for (;;) {
        SkipWhitespace(pos);
        if (*pos == L'\0' || *pos == L'>' || *pos == L'/') return true;
        SkipIdentifier(pos);
        wchar_t* const nameEnd = pos;
        SkipWhitespace(pos);
        if (*pos != L'=') return SetError(L"Error while parsing attributes", pos);
        *pos = L' ';
        *nameEnd = L'\0';
        ++pos;
        SkipWhitespace(pos);
        if (*pos != L'"') return SetError(L"Expected attribute value", pos);
        ++pos;
        wchar_t* const valueEnd = ParseData(pos, pos, L'"');
        if (*pos == L'\0') return SetError(L"Error while parsing attribute string", pos);
        if (valueEnd != pos) *pos = L' ';  // entities made the value shorter
        *valueEnd = L'\0';
        ++pos;
    }
}

wchar_t* CLayoutXml::ParseData(wchar_t*& pos, wchar_t* dest, wchar_t end) {
    while (*pos != L'\0' && *pos != end) {
        if (*pos == L'&') {
            ++pos;
            ParseEntity(pos, dest);
        } else {
            *dest++ = *pos++;
        }
    }
    // What the entities freed becomes blanks; the caller terminates the copy at dest.
    for (wchar_t* p = dest + 1; p < pos; ++p) *p = L' ';
    return dest;
}

void CLayoutXml::ParseEntity(wchar_t*& pos, wchar_t*& dest) {
    for (const EntityDef& entity : kEntities) {
        if (wcsncmp(pos, entity.name, entity.length) == 0) {
            *dest++ = entity.value;
            pos += entity.length;
            return;
        }
    }
    // Anything else stays as written.
    *dest++ = L'&';
}

}  // namespace UIToolkit
