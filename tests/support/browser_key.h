// The browser's path in the registry (the default value of the App Paths key of IEXPLORE.EXE),
// set or removed by a test and put back as it was when the test ends.
#pragma once

#include <windows.h>

#include <string>

namespace testfiles {

class ScopedBrowserPath {
public:
    static const wchar_t kKey[];

    ScopedBrowserPath();   // remembers the value there is now
    ~ScopedBrowserPath();  // puts it back (or removes the value when there was none)
    ScopedBrowserPath(const ScopedBrowserPath&) = delete;
    ScopedBrowserPath& operator=(const ScopedBrowserPath&) = delete;

    bool Set(const std::wstring& value, DWORD type = REG_SZ);
    void Remove();

private:
    bool hadValue_ = false;
    DWORD type_ = REG_SZ;
    std::wstring saved_;
};

}  // namespace testfiles
