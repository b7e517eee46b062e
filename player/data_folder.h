// The per-user data folder and folder creation for the UI framework's string type, as the
// player's forms hold paths in CUIString. Same behaviour as the std::wstring versions.
#pragma once

#include "local_helpers.h"
#include "ui_base.h"

bool GetUserDataFolder(UIToolkit::CUIString& out);
bool CreateDirectoryTree(const UIToolkit::CUIString& path);
