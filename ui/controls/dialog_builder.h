// The dialog builder: turns an XML layout into a tree of controls for a window manager. It
// registers the layout's images, fonts and default attribute lists, applies the root "Window"
// element's window settings and creates one control per element by tag name; unknown tags go to
// the plug-in creators and then to the application's callback.
#pragma once

#include <windows.h>

#include "control.h"
#include "layouts.h"
#include "layout_xml.h"
#include "window_manager.h"

namespace UIToolkit {

// Designates a layout: a value below 0x10000 is a resource identifier (MAKEINTRESOURCEW), any
// other value points to a NUL-terminated text that is either the layout itself (first character
// "<") or a file name (resource folder or resource archive).
class LayoutSource {
public:
    LayoutSource(const wchar_t* textOrResource)  // NOLINT: implicit on purpose
        : m_value(reinterpret_cast<UINT_PTR>(textOrResource)) {}
    static LayoutSource Resource(WORD id) { return LayoutSource(MAKEINTRESOURCEW(id)); }

    bool IsResource() const { return m_value < 0x10000; }
    WORD GetResourceId() const { return static_cast<WORD>(m_value); }
    // The text, or null for a resource identifier.
    const wchar_t* GetText() const {
        return IsResource() ? nullptr : reinterpret_cast<const wchar_t*>(m_value);
    }
    bool IsMarkup() const { return !IsResource() && GetText()[0] == L'<'; }

private:
    UINT_PTR m_value;
};

// Creates the application's own controls by tag name; returns a new control or null.
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    virtual CControlUI* CreateControl(const wchar_t* className) = 0;
};

class CDialogBuilder {
public:
    // Nested "Include" elements deeper than this add nothing (an include cycle ends here).
    enum { MAX_INCLUDE_DEPTH = 8 };
    // "source" and "count" of an "Include" are cut to this many characters.
    enum { MAX_INCLUDE_VALUE = 499 };
    // Controls are nested at most this deep, counted across included layouts (one layout alone
    // never reaches it); deeper elements are skipped with their subtrees.
    enum { MAX_NESTING = CLayoutXml::MAX_DEPTH };

    CDialogBuilder();
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;
    ~CDialogBuilder();

    // Loads the layout and builds it; returns the first control built at the top level (owned by
    // the caller unless parent took it), or null. type is the resource type of a resource source.
    CControlUI* Create(LayoutSource source, const wchar_t* type = nullptr,
                       IDialogBuilderCallback* callback = nullptr,
                       CWindowManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // The same for the document already loaded (by the last Create): builds it once more.
    CControlUI* CreateFromDocument(IDialogBuilderCallback* callback = nullptr,
                                   CWindowManagerUI* manager = nullptr,
                                   CControlUI* parent = nullptr);

private:
    CControlUI* ParseElements(CLayoutXmlNode& node, CControlUI* parent, CWindowManagerUI* manager);
    CControlUI* CreateControl(const wchar_t* tag);
    void RegisterResources(CLayoutXmlNode& root, CWindowManagerUI* manager);
    void ApplyWindowAttributes(CLayoutXmlNode& root, CWindowManagerUI* manager);
    void BuildInclude(CLayoutXmlNode& node, CControlUI* parent, CWindowManagerUI* manager);
    bool LoadLayoutResource(WORD id, const wchar_t* type);

    CLayoutXml m_document;
    IDialogBuilderCallback* m_callback;
    const wchar_t* m_resourceType;
    int m_includeDepth;
    int m_nesting;   // the level ParseElements builds, 1 for the top level of the outermost layout
};

}  // namespace UIToolkit
