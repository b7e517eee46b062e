#include "data_folder.h"

#include <string>

bool GetUserDataFolder(UIToolkit::CUIString& out) {
    std::wstring folder;
    bool ok = GetUserDataFolder(folder);
    out.Assign(folder.c_str(), static_cast<int>(folder.size()));
    return ok;
}

bool CreateDirectoryTree(const UIToolkit::CUIString& path) {
    return CreateDirectoryTree(std::wstring(path.GetData(), static_cast<size_t>(path.GetLength())));
}
