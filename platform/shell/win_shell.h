// The shell's folder picker: SHBrowseForFolderW shows a modal dialog in which the user picks a
// folder and answers an item list naming it; SHGetPathFromIDListW turns that list into the
// folder's path, and ILFree releases it. There is no display here: the choice is made by a
// replaceable chooser (win_shell_testing.h), which by default cancels.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// Flags of BROWSEINFOW.ulFlags.
#define BIF_RETURNONLYFSDIRS 0x00000001u
#define BIF_DONTGOBELOWDOMAIN 0x00000002u
#define BIF_RETURNFSANCESTORS 0x00000008u

// An item list names one object of the shell's namespace; here only folders of the file system.
typedef struct _ITEMIDLIST ITEMIDLIST;
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef ITEMIDLIST* PIDLIST_ABSOLUTE;
typedef const ITEMIDLIST* PCIDLIST_ABSOLUTE;
typedef ITEMIDLIST* PIDLIST_RELATIVE;

typedef int(CALLBACK* BFFCALLBACK)(HWND window, UINT message, LPARAM lParam, LPARAM data);

struct BROWSEINFOW {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPWSTR pszDisplayName;  // MAX_PATH characters, receives the chosen folder's name; may be null
    LPCWSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;  // not called here
    LPARAM lParam;
    int iImage;
};
typedef BROWSEINFOW* LPBROWSEINFOW;

// Shows the picker and waits for the choice: the chosen folder's item list, to be released with
// ILFree, or null when the user cancels or the request is malformed.
PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderW(LPBROWSEINFOW browseInfo);
// Copies the folder's path into path, a buffer of MAX_PATH characters; FALSE, with path empty,
// for a null list or a path that does not fit.
BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE list, LPWSTR path);
// Releases an item list; null is ignored.
void WINAPI ILFree(PIDLIST_RELATIVE list);
