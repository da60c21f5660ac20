// The snapshot and recording folders: kept in the per-user settings, chosen with the shell's
// folder picker, read back by the page.
#include "app/api/veltrin_api.h"

#include "app/util/code_page_text.h"
#include "app/util/registry_settings.h"
#include "host/plugin_window.h"
#include "platform/shell/win_shell.h"
#include "scripting/utf8_tools.h"

#include <cstring>

namespace {

constexpr int kSnapshotFolder = 0;
constexpr int kRecordingFolder = 1;
constexpr wchar_t kSnapshotSetting[] = L"SnapSavePath";
constexpr wchar_t kRecordingSetting[] = L"RecSavePath";

// Copies at most size - 1 bytes of text into the field, terminated.
template <size_t N>
void KeepFolder(char (&field)[N], const std::string& text) {
    const size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace

void VeltrinAPI::loadSavePaths() {
    KeepFolder(snapDirectory_, RegistrySettings::GetString(kSnapshotSetting));
    KeepFolder(recordDirectory_, RegistrySettings::GetString(kRecordingSetting));
}

FB::variant VeltrinAPI::GetSaveDirectory(const int& which) {
    if (which == kSnapshotFolder) return FB::variant(AnsiToUtf8(snapDirectory_));
    if (which == kRecordingFolder) return FB::variant(AnsiToUtf8(recordDirectory_));
    return FB::variant(std::string());
}

FB::variant VeltrinAPI::BrowseDirectories(const int& which) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW request{};
    request.hwndOwner = pluginWindow_ ? pluginWindow_->getHWND() : nullptr;
    request.lpszTitle = L"";
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    request.pszDisplayName = displayName;
    wchar_t path[MAX_PATH] = {};
    if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&request)) {
        SHGetPathFromIDListW(chosen, path);
        ILFree(chosen);
    }
    if (path[0] == L'\0') return GetSaveDirectory(which);
    char* folder = which == kSnapshotFolder ? snapDirectory_ : which == kRecordingFolder ? recordDirectory_ : nullptr;
    if (folder == nullptr) return FB::variant(std::string());
    Utf8ToAnsi(folder, FB::wideToUtf8(path).c_str(), static_cast<int>(sizeof(snapDirectory_)));
    RegistrySettings::SetString(which == kSnapshotFolder ? kSnapshotSetting : kRecordingSetting, folder);
    return FB::variant(AnsiToUtf8(folder));
}
