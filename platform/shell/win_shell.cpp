#include "platform/shell/win_shell.h"
#include "platform/shell/win_shell_testing.h"

#include <algorithm>
#include <mutex>
#include <utility>

// Here an item list simply holds the folder's Windows path.
struct _ITEMIDLIST {
    std::wstring path;
};

namespace {

std::mutex chooserLock;
platform::testing::FolderChooser chooser;  // guarded by chooserLock; empty: cancel

platform::testing::FolderChooser currentChooser() {
    std::lock_guard<std::mutex> hold(chooserLock);
    return chooser;
}

// The last level of a path, as the picker reports the folder's display name.
std::wstring displayName(const std::wstring& path) {
    std::wstring trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
    const size_t separator = trimmed.find_last_of(L"\\/");
    return separator == std::wstring::npos ? trimmed : trimmed.substr(separator + 1);
}

// Copies text with its terminator into a MAX_PATH buffer; false when it does not fit.
bool copyToPathBuffer(const std::wstring& text, LPWSTR buffer) {
    if (text.size() >= MAX_PATH) return false;
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return true;
}

}  // namespace

namespace platform::testing {

void setFolderChooser(FolderChooser replacement) {
    std::lock_guard<std::mutex> hold(chooserLock);
    chooser = std::move(replacement);
}

}  // namespace platform::testing

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderW(LPBROWSEINFOW browseInfo) {
    if (!browseInfo) return nullptr;
    const platform::testing::FolderChooser choose = currentChooser();
    if (!choose) return nullptr;
    platform::testing::FolderRequest request;
    request.owner = browseInfo->hwndOwner;
    request.title = browseInfo->lpszTitle ? browseInfo->lpszTitle : L"";
    request.flags = browseInfo->ulFlags;
    request.hasRoot = browseInfo->pidlRoot != nullptr;
    std::optional<std::wstring> picked = choose(request);
    if (!picked) return nullptr;
    if (browseInfo->pszDisplayName && !copyToPathBuffer(displayName(*picked), browseInfo->pszDisplayName)) {
        browseInfo->pszDisplayName[0] = L'\0';
    }
    return new ITEMIDLIST{std::move(*picked)};
}

BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE list, LPWSTR path) {
    if (!path) return FALSE;
    path[0] = L'\0';
    if (!list) return FALSE;
    return copyToPathBuffer(list->path, path) ? TRUE : FALSE;
}

void WINAPI ILFree(PIDLIST_RELATIVE list) { delete list; }
