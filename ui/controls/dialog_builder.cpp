#include "dialog_builder.h"

#include <cwchar>

#include "ui_controls.h"

namespace UIToolkit {

namespace {

template <class T>
CControlUI* NewControl() {
    return new T();
}

struct TagEntry {
    const wchar_t* tag;
    size_t length;
    CControlUI* (*create)();
};

#define VELA_TAG(name, type) {L##name, sizeof(name) - 1, &NewControl<type>}

// The standard tags, at most three of any one length.
const TagEntry kTags[] = {
    VELA_TAG("Edit", CEditUI),
    VELA_TAG("List", CListUI),
    VELA_TAG("Text", CTextUI),
    VELA_TAG("Label", CLabelUI),
    VELA_TAG("Combo", CComboUI),
    VELA_TAG("Button", CButtonUI),
    VELA_TAG("Option", COptionUI),
    VELA_TAG("Slider", CSliderUI),
    VELA_TAG("Control", CControlUI),
    VELA_TAG("ActiveX", CActiveXUI),
    VELA_TAG("Progress", CProgressUI),
    VELA_TAG("RichEdit", CRichEditUI),
    VELA_TAG("Container", CContainerUI),
    VELA_TAG("ScrollBar", CScrollBarUI),
    VELA_TAG("TabLayout", CTabLayoutUI),
    VELA_TAG("ListHeader", CListHeaderUI),
    VELA_TAG("TileLayout", CTileLayoutUI),
    VELA_TAG("DialogLayout", CDialogLayoutUI),
    VELA_TAG("ListHeaderItem", CListHeaderItemUI),
    VELA_TAG("VerticalLayout", CVerticalLayoutUI),
    VELA_TAG("ListTextElement", CListTextElementUI),
    VELA_TAG("HorizontalLayout", CHorizontalLayoutUI),
    VELA_TAG("ListLabelElement", CListLabelElementUI),
    VELA_TAG("ListContainerElement", CListContainerElementUI),
};

#undef VELA_TAG

const size_t kShortestTag = 4;
const size_t kLongestTag = 20;

bool IsTag(const wchar_t* tag, const wchar_t* name) { return tag != nullptr && wcscmp(tag, name) == 0; }

bool IsResourceTag(const wchar_t* tag) {
    return IsTag(tag, L"Image") || IsTag(tag, L"Font") || IsTag(tag, L"Default");
}

SIZE ParseSize(const wchar_t* value) {
    int v[2] = {};
    CControlUI::ParseIntList(value, v, 2);
    return SIZE{v[0], v[1]};
}

RECT ParseRect(const wchar_t* value) {
    int v[4] = {};
    CControlUI::ParseIntList(value, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

// A non-empty value, or null.
const wchar_t* NonEmpty(const wchar_t* value) { return value != nullptr && value[0] != L'\0' ? value : nullptr; }

void RegisterImage(CLayoutXmlNode& node, CWindowManagerUI* manager) {
    const wchar_t* name = nullptr;
    const wchar_t* type = nullptr;
    DWORD mask = 0;
    for (int i = 0; i < node.GetAttributeCount(); ++i) {
        const wchar_t* attribute = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (wcscmp(attribute, L"name") == 0) {
            name = value;
        } else if (wcscmp(attribute, L"restype") == 0) {
            type = value;
        } else if (wcscmp(attribute, L"mask") == 0) {
            mask = CControlUI::ParseColor(value);
        }
    }
    if (NonEmpty(name) != nullptr) manager->AddImage(name, NonEmpty(type), mask);
}

void RegisterFont(CLayoutXmlNode& node, CWindowManagerUI* manager) {
    const wchar_t* face = nullptr;
    int size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool isDefault = false;
    for (int i = 0; i < node.GetAttributeCount(); ++i) {
        const wchar_t* attribute = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (wcscmp(attribute, L"name") == 0) {
            face = value;
        } else if (wcscmp(attribute, L"size") == 0) {
            size = CControlUI::ParseInt(value);
        } else if (wcscmp(attribute, L"bold") == 0) {
            bold = CControlUI::ParseBool(value);
        } else if (wcscmp(attribute, L"underline") == 0) {
            underline = CControlUI::ParseBool(value);
        } else if (wcscmp(attribute, L"italic") == 0) {
            italic = CControlUI::ParseBool(value);
        } else if (wcscmp(attribute, L"default") == 0) {
            isDefault = CControlUI::ParseBool(value);
        }
    }
    if (face == nullptr) return;
    manager->AddFont(face, size, bold, underline, italic);
    if (isDefault) manager->SetDefaultFont(face, size, bold, underline, italic);
}

void RegisterDefaultList(CLayoutXmlNode& node, CWindowManagerUI* manager) {
    const wchar_t* key = nullptr;
    const wchar_t* list = L"";
    for (int i = 0; i < node.GetAttributeCount(); ++i) {
        const wchar_t* attribute = node.GetAttributeName(i);
        if (wcscmp(attribute, L"name") == 0) {
            key = node.GetAttributeValue(i);
        } else if (wcscmp(attribute, L"value") == 0) {
            list = node.GetAttributeValue(i);
        }
    }
    if (NonEmpty(key) != nullptr) manager->AddDefaultAttributeList(key, list);
}

void ApplyWindowAttribute(CWindowManagerUI* manager, const wchar_t* name, const wchar_t* value) {
    if (wcscmp(name, L"size") == 0) {
        const SIZE size = ParseSize(value);
        manager->SetInitSize(size.cx, size.cy);
    } else if (wcscmp(name, L"sizebox") == 0) {
        manager->SetSizeBox(ParseRect(value));
    } else if (wcscmp(name, L"caption") == 0) {
        manager->SetCaptionRect(ParseRect(value));
    } else if (wcscmp(name, L"roundcorner") == 0) {
        const SIZE corner = ParseSize(value);
        manager->SetRoundCorner(corner.cx, corner.cy);
    } else if (wcscmp(name, L"mininfo") == 0) {
        const SIZE size = ParseSize(value);
        manager->SetMinInfo(size.cx, size.cy);
    } else if (wcscmp(name, L"maxinfo") == 0) {
        const SIZE size = ParseSize(value);
        manager->SetMaxInfo(size.cx, size.cy);
    } else if (wcscmp(name, L"showdirty") == 0) {
        manager->SetShowDirty(CControlUI::ParseBool(value));
    } else if (wcscmp(name, L"alpha") == 0) {
        manager->SetWindowAlpha(CControlUI::ParseInt(value));
    } else if (wcscmp(name, L"bktrans") == 0) {
        manager->SetBackgroundTransparent(CControlUI::ParseBool(value));
    } else if (wcscmp(name, L"disabledfontcolor") == 0) {
        manager->SetDefaultDisabledColor(CControlUI::ParseColor(value));
    } else if (wcscmp(name, L"defaultfontcolor") == 0) {
        manager->SetDefaultFontColor(CControlUI::ParseColor(value));
    } else if (wcscmp(name, L"linkfontcolor") == 0) {
        manager->SetDefaultLinkFontColor(CControlUI::ParseColor(value));
    } else if (wcscmp(name, L"linkhoverfontcolor") == 0) {
        manager->SetDefaultLinkHoverFontColor(CControlUI::ParseColor(value));
    } else if (wcscmp(name, L"selectedcolor") == 0) {
        manager->SetDefaultSelectedBkColor(CControlUI::ParseColor(value));
    }
}

// A new control of the standard tag table, or null for a tag it does not hold.
CControlUI* CreateStandardControl(const wchar_t* tag) {
    if (tag == nullptr) return nullptr;
    const size_t length = wcslen(tag);
    if (length < kShortestTag || length > kLongestTag) return nullptr;
    for (const TagEntry& entry : kTags) {
        if (entry.length == length && wcscmp(entry.tag, tag) == 0) return entry.create();
    }
    return nullptr;
}

// The "stretch" words found anywhere in value, or-ed into UIStretchMode bits.
UINT ParseStretchMode(const wchar_t* value) {
    static const struct {
        const wchar_t* word;
        UINT bits;
    } kWords[] = {
        {L"move_x", UISTRETCH_MOVE_X},
        {L"move_y", UISTRETCH_MOVE_Y},
        {L"move_xy", UISTRETCH_MOVE_X | UISTRETCH_MOVE_Y},
        {L"size_x", UISTRETCH_SIZE_X},
        {L"size_y", UISTRETCH_SIZE_Y},
        {L"size_xy", UISTRETCH_SIZE_X | UISTRETCH_SIZE_Y},
        {L"group", UISTRETCH_NEWGROUP},
        {L"line", UISTRETCH_NEWLINE},
    };
    UINT mode = 0;
    if (value == nullptr) return mode;
    for (const auto& word : kWords) {
        if (wcsstr(value, word.word) != nullptr) mode |= word.bits;
    }
    return mode;
}

// Counts one level of ParseElements for as long as it runs.
class NestingLevel {
public:
    explicit NestingLevel(int& nesting) : m_nesting(nesting) { ++m_nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
    ~NestingLevel() { --m_nesting; }

private:
    int& m_nesting;
};

// Destroys a control the builder made but cannot place. Its subtree was configured while
// attached to the manager (names, option groups, timers): attached again for the destruction, so
// that the manager forgets every control of it instead of keeping dangling references.
void DestroyUnplaced(CControlUI* control, CWindowManagerUI* manager) {
    if (control == nullptr) return;
    if (manager != nullptr && control->GetManager() == nullptr) control->SetManager(manager, nullptr, false);
    delete control;
}

}  // namespace

CDialogBuilder::CDialogBuilder() : m_callback(nullptr), m_resourceType(nullptr), m_includeDepth(0), m_nesting(0) {}

CDialogBuilder::~CDialogBuilder() { m_document.Release(); }

bool CDialogBuilder::LoadLayoutResource(WORD id, const wchar_t* type) {
    if (type == nullptr) return false;
    HINSTANCE instance = CWindowManagerUI::GetResourceInstance();
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(id), type);
    if (resource == nullptr) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    if (loaded == nullptr) return false;
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(instance, resource);
    if (bytes == nullptr && size > 0) return false;
    return m_document.LoadFromMemory(bytes, size, LAYOUT_ENCODING_UTF8);
}

CControlUI* CDialogBuilder::Create(LayoutSource source, const wchar_t* type, IDialogBuilderCallback* callback,
                                   CWindowManagerUI* manager, CControlUI* parent) {
    m_callback = callback;
    m_resourceType = nullptr;
    if (source.IsResource()) {
        if (!LoadLayoutResource(source.GetResourceId(), type)) return nullptr;
        m_resourceType = type;
    } else if (source.IsMarkup()) {
        if (!m_document.Load(source.GetText())) return nullptr;
    } else {
        if (!m_document.LoadFromFile(source.GetText(), LAYOUT_ENCODING_UTF8)) return nullptr;
    }
    return CreateFromDocument(callback, manager, parent);
}

CControlUI* CDialogBuilder::CreateFromDocument(IDialogBuilderCallback* callback, CWindowManagerUI* manager,
                                               CControlUI* parent) {
    m_callback = callback;
    CLayoutXmlNode root = m_document.GetRoot();
    if (!root.IsValid()) return nullptr;
    if (manager != nullptr) {
        RegisterResources(root, manager);
        if (manager->GetPaintWindow() != nullptr && IsTag(root.GetName(), L"Window")) {
            ApplyWindowAttributes(root, manager);
        }
    }
    return ParseElements(root, parent, manager);
}

void CDialogBuilder::RegisterResources(CLayoutXmlNode& root, CWindowManagerUI* manager) {
    for (CLayoutXmlNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* tag = node.GetName();
        if (IsTag(tag, L"Image")) {
            RegisterImage(node, manager);
        } else if (IsTag(tag, L"Font")) {
            RegisterFont(node, manager);
        } else if (IsTag(tag, L"Default")) {
            RegisterDefaultList(node, manager);
        }
    }
}

void CDialogBuilder::ApplyWindowAttributes(CLayoutXmlNode& root, CWindowManagerUI* manager) {
    for (int i = 0; i < root.GetAttributeCount(); ++i) {
        ApplyWindowAttribute(manager, root.GetAttributeName(i), root.GetAttributeValue(i));
    }
}

CControlUI* CDialogBuilder::CreateControl(const wchar_t* tag) {
    CControlUI* control = CreateStandardControl(tag);
    if (control != nullptr) return control;
    const CUIPtrArray* plugins = CWindowManagerUI::GetPlugins();
    for (int i = 0; plugins != nullptr && i < plugins->GetSize(); ++i) {
        UIPluginCreateProc create = reinterpret_cast<UIPluginCreateProc>(plugins->GetAt(i));
        if (create == nullptr) continue;
        control = create(tag);
        if (control != nullptr) return control;
    }
    if (m_callback != nullptr) return m_callback->CreateControl(tag);
    return nullptr;
}

void CDialogBuilder::BuildInclude(CLayoutXmlNode& node, CControlUI* parent, CWindowManagerUI* manager) {
    // An include of an include of ... (a cycle) ends here instead of exhausting the stack.
    if (m_includeDepth >= MAX_INCLUDE_DEPTH) return;
    wchar_t source[MAX_INCLUDE_VALUE + 1] = {};
    wchar_t countText[MAX_INCLUDE_VALUE + 1] = {};
    if (!node.CopyAttributeValue(L"source", source, MAX_INCLUDE_VALUE)) return;
    int count = 1;
    if (node.CopyAttributeValue(L"count", countText, MAX_INCLUDE_VALUE)) count = CControlUI::ParseInt(countText);

    LayoutSource layout(source);
    if (m_resourceType != nullptr) {
        // Inside a resource layout the source is a resource identifier of the same type.
        const int id = CControlUI::ParseInt(source);
        if (id <= 0 || id > 0xFFFF) return;
        layout = LayoutSource::Resource(static_cast<WORD>(id));
    }
    for (int i = 0; i < count; ++i) {
        CDialogBuilder builder;
        builder.m_includeDepth = m_includeDepth + 1;
        builder.m_nesting = m_nesting - 1;   // its top level is this level
        CControlUI* control = builder.Create(layout, m_resourceType, m_callback, manager, parent);
        // Without a parent the included controls have no owner.
        if (parent == nullptr) DestroyUnplaced(control, manager);
        if (!builder.m_document.IsLoaded()) break;  // it will not load the next time either
    }
}

CControlUI* CDialogBuilder::ParseElements(CLayoutXmlNode& node, CControlUI* parent, CWindowManagerUI* manager) {
    NestingLevel level(m_nesting);
    // Includes nest layouts below layouts: beyond the limit nothing more is built, so that the
    // tree stays within what the stack takes to build, lay out and destroy it.
    if (m_nesting > MAX_NESTING) return nullptr;
    IContainerUI* container = nullptr;
    bool containerLooked = false;
    CDialogLayoutUI* dialogLayout = nullptr;
    bool dialogLayoutLooked = false;
    CControlUI* first = nullptr;

    for (CLayoutXmlNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
        const wchar_t* tag = child.GetName();
        if (IsResourceTag(tag)) continue;
        if (IsTag(tag, L"Include")) {
            BuildInclude(child, parent, manager);
            continue;
        }
        // Without a parent only the first control has an owner (the caller): the rest are not built.
        if (parent == nullptr && first != nullptr) continue;

        CControlUI* control = CreateControl(tag);
        if (control == nullptr) continue;
        if (child.HasChildren()) ParseElements(child, control, manager);

        if (parent != nullptr) {
            if (!containerLooked) {
                container = static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
                containerLooked = true;
            }
            if (container == nullptr) {
                DestroyUnplaced(control, manager);
                return nullptr;
            }
            if (!container->Add(control)) {
                DestroyUnplaced(control, manager);
                continue;
            }
        }

        // Attached for the attribute setters (fonts, images, default colours), then back to what
        // adding it left: detached, or attached when the parent already was.
        CWindowManagerUI* const ownManager = control->GetManager();
        CControlUI* const ownParent = control->GetParent();
        if (manager != nullptr) {
            control->SetManager(manager, ownParent, false);
            const wchar_t* defaults = manager->GetDefaultAttributeList(tag);
            if (defaults != nullptr) control->ApplyAttributeList(defaults);
        }
        const wchar_t* stretch = nullptr;
        for (int i = 0; i < child.GetAttributeCount(); ++i) {
            const wchar_t* name = child.GetAttributeName(i);
            const wchar_t* value = child.GetAttributeValue(i);
            control->SetAttribute(name, value);
            if (stretch == nullptr && wcscmp(name, L"stretch") == 0) stretch = value;
        }
        if (stretch != nullptr && parent != nullptr) {
            if (!dialogLayoutLooked) {
                dialogLayout = static_cast<CDialogLayoutUI*>(parent->GetInterface(L"DialogLayout"));
                dialogLayoutLooked = true;
            }
            if (dialogLayout != nullptr) dialogLayout->SetStretchMode(control, ParseStretchMode(stretch));
        }
        if (manager != nullptr) control->SetManager(ownManager, ownParent, false);

        if (first == nullptr) first = control;
    }
    return first;
}

}  // namespace UIToolkit
