// Type libraries in this platform's compact form: a module carries its library as resource TYPELIB
// 1, a text of one declaration per line:
//
//   library <name> <{libid}> <major>.<minor> "<help string>"
//   interface <name> <{iid}> <base interface> [dual] [nonextensible] [oleautomation] "<help string>"
//   dispinterface <name> <{iid}> "<help string>"
//   coclass <name> <{clsid}> <default interface> <default source> [creatable] [control] "<help string>"
//
// A class's two interfaces must be declared in the library. Loaded, the library hands out the type
// information of each declaration (platform/com/type_info.h): a dual interface and a
// dispinterface are dispatch types, another interface a plain one, listing its base when the
// library declares it; a class lists its default interface and its default outgoing one.
//
// Registering a library writes TypeLib\{libid}\<version> (its help string, FLAGS, HELPDIR and the
// win32 path of the module) and Interface\{iid}
// with its name and library for each dual interface and dispinterface it defines (the interfaces
// it only carries belong to the platform); unregistering removes both. Per-user registration writes them under
// HKCU\Software\Classes instead of the machine's classes.
#pragma once

#include "platform/com/guiddef.h"
#include "platform/com/oleauto.h"
#include "platform/com/type_info.h"
#include "platform/com/unknwn.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef enum tagSYSKIND { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 } SYSKIND;

typedef struct tagTLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
} TLIBATTR;

#define TYPE_E_CANTLOADLIBRARY ((HRESULT)0x80029C4AL)
#define TYPE_E_REGISTRYACCESS ((HRESULT)0x8002801CL)

extern "C" const IID IID_ITypeLib;

struct ITypeLib : IUnknown {
    virtual UINT STDMETHODCALLTYPE GetTypeInfoCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    // TYPE_E_ELEMENTNOTFOUND for an identifier the library does not declare.
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** attributes) = 0;
    virtual void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* attributes) = 0;

protected:
    ~ITypeLib() = default;
};

// Loads the TYPELIB 1 resource of the loaded module at that path.
HRESULT WINAPI LoadTypeLib(LPCOLESTR file, ITypeLib** library);
HRESULT WINAPI RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDirectory);
HRESULT WINAPI UnRegisterTypeLib(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath, OLECHAR* helpDirectory);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);

namespace platform {

struct TypeLibraryEntry {
    enum Kind { Interface, DispInterface, CoClass } kind = Interface;
    std::wstring name;
    GUID id{};
    std::wstring helpString;
    bool dual = false;      // interfaces only
    WORD typeFlags = 0;     // TYPEFLAG_* of its attributes
    std::wstring base;      // interfaces: the interface it derives from
    std::wstring defaultInterface;  // classes: their two interfaces
    std::wstring defaultSource;
};

struct TypeLibraryText {
    std::wstring name;
    GUID id;
    WORD major = 0;
    WORD minor = 0;
    std::wstring helpString;
    std::vector<TypeLibraryEntry> entries;
};

// The library a compact text describes; nullopt when it does not.
std::optional<TypeLibraryText> parseTypeLibrary(std::string_view text);
// "{...}" in either case; false for anything else.
bool guidFromText(std::wstring_view text, GUID& guid);

}  // namespace platform
