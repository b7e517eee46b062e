// Helpers of the markup reader's and the builder's tests.
#pragma once

#include <string>
#include <vector>

#include "ui_controls.h"

namespace buildertest {

using namespace UIToolkit;

// The tree of a document as text: Name(attr=value,...)[child child ...], top-level elements
// separated by blanks; "-" for a document without elements.
std::wstring DumpTree(CLayoutXml& doc);

// UTF-16 bytes of text, little- or big-endian, with or without the byte-order mark.
std::string Utf16Bytes(const std::wstring& text, bool bigEndian, bool mark);

// The folder of the zip fixtures made at build time.
std::wstring FixtureFolder();

// Saves the process-wide resource folder and archive and puts them back.
class ResourceSettingsGuard {
public:
    ResourceSettingsGuard();
    ~ResourceSettingsGuard();
    // Loose files from folder (no archive).
    void UseFolder(const std::wstring& folder);
    // Entries of archive in folder, opened for each load or kept open.
    void UseArchive(const std::wstring& folder, const wchar_t* archive, bool cached);

private:
    std::wstring m_path;
    std::wstring m_zip;
    bool m_cached;
};

// Counts construction and destruction of the controls the tests' callbacks make.
struct Census {
    int made = 0;
    int destroyed = 0;
    std::vector<std::wstring> attributes;   // "<name>=<value>" as SetAttribute saw them
};

// A leaf control of the application, recording its life and attributes.
class TrackedControl : public CControlUI {
public:
    TrackedControl(Census* census, const wchar_t* className);
    ~TrackedControl() override;
    const wchar_t* GetClassName() const override { return m_className.c_str(); }
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

private:
    Census* m_census;
    std::wstring m_className;
};

// A container of the application, recording its life; it may refuse every child.
class TrackedContainer : public CContainerUI {
public:
    TrackedContainer(Census* census, bool refuseChildren);
    ~TrackedContainer() override;
    bool Add(CControlUI* control) override;

private:
    Census* m_census;
    bool m_refuse;
};

// The application's callback: "Tracked" and "Refusing" (a container refusing children), "Box"
// (a tracked container), anything else null; every asked tag is logged.
class TestCallback : public IDialogBuilderCallback {
public:
    explicit TestCallback(Census* census) : m_census(census) {}
    CControlUI* CreateControl(const wchar_t* className) override;

    std::vector<std::wstring> asked;

private:
    Census* m_census;
};

}  // namespace buildertest
