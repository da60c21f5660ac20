// Test hook of the folder picker: the chooser that answers SHBrowseForFolderW in place of a user.
#pragma once

#include "platform/shell/win_shell.h"

#include <functional>
#include <optional>
#include <string>

namespace platform::testing {

// What the picker was asked to show.
struct FolderRequest {
    HWND owner = nullptr;
    std::wstring title;
    UINT flags = 0;
    bool hasRoot = false;
};

// Answers the folder the user picks (a Windows path such as L"D:\\snaps"), or nothing to cancel.
using FolderChooser = std::function<std::optional<std::wstring>(const FolderRequest&)>;

// Replaces the chooser for the whole process; an empty function restores the default, which
// cancels every request. Runs on the thread that shows the picker.
void setFolderChooser(FolderChooser chooser);

}  // namespace platform::testing
