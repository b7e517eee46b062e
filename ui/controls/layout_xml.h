// The markup reader of the XML layouts: a small parser for the subset of XML that layouts use.
// It parses one UTF-16 copy of the text in place (names and values are cut out of the buffer by
// writing terminators into it), keeps the elements as a flat table of index-linked records and
// hands out node handles by value.
#pragma once

#include <windows.h>

#include <cstdint>

namespace UIToolkit {

class CLayoutXml;

// Encodings of the byte and file loaders.
enum LayoutEncoding {
    LAYOUT_ENCODING_UTF8 = 0,   // an optional EF BB BF is skipped
    LAYOUT_ENCODING_UTF16 = 1,  // FF FE (little-endian) or FE FF (big-endian) mark required
    LAYOUT_ENCODING_ANSI = 2,   // the system ANSI code page
};

// One element of a parsed document. Positions are in UTF-16 units from the start of the buffer;
// record indexes of 0 mean "none" (record 0 is reserved, record 1 is the root).
struct LayoutXmlElement {
    uint32_t namePos;
    uint32_t firstChild;
    uint32_t nextSibling;
    uint32_t parent;
    uint32_t contentPos;
};

// A handle of one element; copied by value, owns nothing, valid while its document stays loaded.
class CLayoutXmlNode {
public:
    enum { MAX_ATTRIBUTES = 64 };

    CLayoutXmlNode();
    CLayoutXmlNode(CLayoutXml* document, int element);

    bool IsValid() const;
    CLayoutXmlNode GetSibling() const;
    CLayoutXmlNode GetChild() const;
    bool HasChildren() const;
    const wchar_t* GetName() const;

    int GetAttributeCount();
    bool HasAttributes();
    // Null for an invalid node, the empty text for an index out of range.
    const wchar_t* GetAttributeName(int index);
    const wchar_t* GetAttributeValue(int index);
    // Copies the value of the first attribute called name (exact, case-sensitive) into buffer,
    // at most size characters, the rest of size filled with NULs. A value of size characters or
    // more is not terminated: pass a zeroed buffer one larger than size.
    bool CopyAttributeValue(const wchar_t* name, wchar_t* buffer, int size);

private:
    struct AttributePos {
        uint32_t namePos;
        uint32_t valuePos;
    };

    void MapAttributes();

    int m_element;
    int m_attributeCount;
    AttributePos m_attributes[MAX_ATTRIBUTES];
    CLayoutXml* m_document;
};

class CLayoutXml {
public:
    enum { ERROR_MESSAGE_SIZE = 100, ERROR_LOCATION_SIZE = 50 };
    // Elements nested deeper than this are refused ("Elements nested too deeply").
    enum { MAX_DEPTH = 256 };
    // Layout files and archive entries above this size are refused.
    enum : DWORD { MAX_FILE_SIZE = 0x400000 };

    explicit CLayoutXml(const wchar_t* text = nullptr);
    CLayoutXml(const CLayoutXml&) = delete;
    CLayoutXml& operator=(const CLayoutXml&) = delete;
    ~CLayoutXml();

    bool Load(const wchar_t* text);
    bool LoadFromMemory(const BYTE* bytes, DWORD count, LayoutEncoding encoding = LAYOUT_ENCODING_UTF8);
    // A file of the resource folder, or an entry of the resource archive when one is set.
    bool LoadFromFile(const wchar_t* name, LayoutEncoding encoding = LAYOUT_ENCODING_UTF8);
    void Release();

    CLayoutXmlNode GetRoot();
    bool IsLoaded() const { return m_text != nullptr; }

    // Stores the message and location of a failure; always returns false.
    bool SetError(const wchar_t* message, const wchar_t* location);
    const wchar_t* GetLastErrorMessage() const { return m_errorMessage; }
    const wchar_t* GetLastErrorLocation() const { return m_errorLocation; }

private:
    friend class CLayoutXmlNode;

    bool LoadFromZip(const wchar_t* name, LayoutEncoding encoding);
    bool Parse();
    bool ParseElements(wchar_t*& pos, uint32_t parent, int depth);
    LayoutXmlElement* ReserveElement();
    static void SkipWhitespace(wchar_t*& pos);
    static void SkipIdentifier(wchar_t*& pos);
    bool ParseAttributes(wchar_t*& pos);
    static wchar_t* ParseData(wchar_t*& pos, wchar_t* dest, wchar_t end);
    static void ParseEntity(wchar_t*& pos, wchar_t*& dest);

    wchar_t* m_text;
    LayoutXmlElement* m_elements;
    uint32_t m_elementCount;
    uint32_t m_capacity;
    wchar_t m_errorMessage[ERROR_MESSAGE_SIZE];
    wchar_t m_errorLocation[ERROR_LOCATION_SIZE];
};

}  // namespace UIToolkit
