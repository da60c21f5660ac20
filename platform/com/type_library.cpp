#include "platform/com/type_library.h"

#include "platform/com/objbase.h"
#include "platform/com/registrar.h"
#include "platform/module/win_resource.h"
#include "platform/registry/win_registry.h"
#include "platform/text/utf_text.h"

#include <link.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <utility>

extern "C" const IID IID_ITypeLib = {0x00020402, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace platform {

bool guidFromText(std::wstring_view text, GUID& guid) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    unsigned values[11] = {};
    const int digits[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
    size_t at = 1;
    for (int part = 0; part < 11; ++part) {
        if (part == 1 || part == 2 || part == 3 || part == 5) {
            if (text[at++] != L'-') return false;
        }
        for (int i = 0; i < digits[part]; ++i) {
            const wchar_t c = text[at++];
            unsigned digit;
            if (c >= L'0' && c <= L'9')
                digit = unsigned(c - L'0');
            else if (c >= L'a' && c <= L'f')
                digit = unsigned(c - L'a' + 10);
            else if (c >= L'A' && c <= L'F')
                digit = unsigned(c - L'A' + 10);
            else
                return false;
            values[part] = values[part] * 16 + digit;
        }
    }
    if (at != 37) return false;
    guid.Data1 = values[0];
    guid.Data2 = static_cast<WORD>(values[1]);
    guid.Data3 = static_cast<WORD>(values[2]);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(values[3 + i]);
    return true;
}

namespace {

// Reads words and one quoted help string per line.
bool readLine(const std::string& line, std::vector<std::string>& words, std::string& help) {
    const size_t quote = line.find('"');
    const size_t end = quote == std::string::npos ? std::string::npos : line.find('"', quote + 1);
    if (quote == std::string::npos || end == std::string::npos) return false;
    help = line.substr(quote + 1, end - quote - 1);
    std::istringstream in(line.substr(0, quote));
    for (std::string word; in >> word;) words.push_back(word);
    return !words.empty();
}

bool readGuid(const std::string& text, GUID& guid) { return guidFromText(utf8ToWideText(text), guid); }

}  // namespace

namespace {

// The attribute words a declaration of that kind may carry, as type flags; false for another word.
bool readAttribute(TypeLibraryEntry& entry, const std::string& word) {
    const bool interface = entry.kind == TypeLibraryEntry::Interface;
    if (interface && word == "dual") {
        entry.dual = true;
        entry.typeFlags |= TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    } else if (interface && word == "nonextensible") {
        entry.typeFlags |= TYPEFLAG_FNONEXTENSIBLE;
    } else if (interface && word == "oleautomation") {
        entry.typeFlags |= TYPEFLAG_FOLEAUTOMATION;
    } else if (entry.kind == TypeLibraryEntry::CoClass && word == "creatable") {
        entry.typeFlags |= TYPEFLAG_FCANCREATE;
    } else if (entry.kind == TypeLibraryEntry::CoClass && word == "control") {
        entry.typeFlags |= TYPEFLAG_FCONTROL;
    } else {
        return false;
    }
    return true;
}

// One interface, dispinterface or class line; nullopt when it is none.
std::optional<TypeLibraryEntry> readEntry(const std::vector<std::string>& words, const std::string& help) {
    TypeLibraryEntry entry;
    entry.kind = TypeLibraryEntry::Interface;
    entry.helpString = utf8ToWideText(help);
    size_t fixed = 0;
    if (words[0] == "interface") {
        fixed = 4;
    } else if (words[0] == "dispinterface") {
        entry.kind = TypeLibraryEntry::DispInterface;
        entry.typeFlags = TYPEFLAG_FDISPATCHABLE;
        fixed = 3;
    } else if (words[0] == "coclass") {
        entry.kind = TypeLibraryEntry::CoClass;
        fixed = 5;
    } else {
        return std::nullopt;
    }
    if (words.size() < fixed || words.size() < 3 || !readGuid(words[2], entry.id)) return std::nullopt;
    entry.name = utf8ToWideText(words[1]);
    if (entry.kind == TypeLibraryEntry::Interface) entry.base = utf8ToWideText(words[3]);
    if (entry.kind == TypeLibraryEntry::CoClass) {
        entry.defaultInterface = utf8ToWideText(words[3]);
        entry.defaultSource = utf8ToWideText(words[4]);
    }
    for (size_t i = fixed; i < words.size(); ++i) {
        if (!readAttribute(entry, words[i])) return std::nullopt;
    }
    return entry;
}

bool declaresInterface(const TypeLibraryText& library, const std::wstring& name) {
    for (const auto& entry : library.entries) {
        if (entry.name == name && entry.kind != TypeLibraryEntry::CoClass) return true;
    }
    return false;
}

}  // namespace

std::optional<TypeLibraryText> parseTypeLibrary(std::string_view text) {
    TypeLibraryText library;
    bool haveLibrary = false;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
        std::vector<std::string> words;
        std::string help;
        if (!readLine(line, words, help)) return std::nullopt;
        if (words[0] == "library" && words.size() == 4 && !haveLibrary) {
            unsigned major = 0, minor = 0;
            if (std::sscanf(words[3].c_str(), "%u.%u", &major, &minor) != 2 || !readGuid(words[2], library.id))
                return std::nullopt;
            library.name = utf8ToWideText(words[1]);
            library.major = static_cast<WORD>(major);
            library.minor = static_cast<WORD>(minor);
            library.helpString = utf8ToWideText(help);
            haveLibrary = true;
            continue;
        }
        auto entry = readEntry(words, help);
        if (!entry) return std::nullopt;
        library.entries.push_back(std::move(*entry));
    }
    if (!haveLibrary) return std::nullopt;
    for (const auto& entry : library.entries) {
        if (entry.kind == TypeLibraryEntry::CoClass &&
            (!declaresInterface(library, entry.defaultInterface) || !declaresInterface(library, entry.defaultSource)))
            return std::nullopt;
    }
    return library;
}

}  // namespace platform

namespace {

using platform::TypeLibraryText;

// The reference counting and interface lookup of the library's objects, which answer one
// interface each.
template <typename Interface, const IID* OwnIid>
class CompactObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != *OwnIid) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~CompactObject() = default;

private:
    std::atomic<ULONG> references_{1};
};

class CompactTypeLib final : public CompactObject<ITypeLib, &IID_ITypeLib> {
public:
    explicit CompactTypeLib(TypeLibraryText text) : text_(std::move(text)) {}

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override { return UINT(text_.entries.size()); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        for (size_t i = 0; i < text_.entries.size(); ++i) {
            if (text_.entries[i].id == guid) return GetTypeInfo(UINT(i), info);
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** attributes) override {
        if (!attributes) return E_POINTER;
        *attributes = new TLIBATTR{text_.id, 0x409, SYS_WIN32, text_.major, text_.minor, 0};
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* attributes) override { delete attributes; }

    const TypeLibraryText& text() const { return text_; }
    // The index of the declaration of that name, or nullopt.
    std::optional<UINT> indexOf(const std::wstring& name) const {
        for (size_t i = 0; i < text_.entries.size(); ++i) {
            if (text_.entries[i].name == name) return UINT(i);
        }
        return std::nullopt;
    }

private:
    ~CompactTypeLib() override = default;

    TypeLibraryText text_;
};

// One declaration of a compact library; it keeps its library alive. A reference to another type
// (HREFTYPE) is that type's index in the library.
class CompactTypeInfo final : public CompactObject<ITypeInfo, &IID_ITypeInfo> {
public:
    CompactTypeInfo(CompactTypeLib* library, UINT index) : library_(library), index_(index) { library_->AddRef(); }


    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override {
        if (!attributes) return E_POINTER;
        const auto& library = library_->text();
        auto* made = new TYPEATTR{};
        made->guid = entry().id;
        made->lcid = 0x409;
        made->memidConstructor = MEMBERID_NIL;
        made->memidDestructor = MEMBERID_NIL;
        made->typekind = kind();
        made->cImplTypes = WORD(implemented().size());
        made->cbAlignment = 4;
        made->wTypeFlags = entry().typeFlags;
        made->wMajorVerNum = library.major;
        made->wMinorVerNum = library.minor;
        *attributes = made;
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) override { delete attributes; }

    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* reference) override {
        if (!reference) return E_POINTER;
        const auto types = implemented();
        if (index >= types.size()) return TYPE_E_ELEMENTNOTFOUND;
        *reference = types[index].first;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) override {
        if (!flags) return E_POINTER;
        const auto types = implemented();
        if (index >= types.size()) return TYPE_E_ELEMENTNOTFOUND;
        *flags = types[index].second;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID member, BSTR* name, BSTR* documentation, DWORD* helpContext,
                                               BSTR* helpFile) override {
        if (member != MEMBERID_NIL) return TYPE_E_ELEMENTNOTFOUND;
        if (name && !(*name = SysAllocString(entry().name.c_str()))) return E_OUTOFMEMORY;
        if (documentation && !(*documentation = SysAllocString(entry().helpString.c_str()))) {
            if (name) SysFreeString(std::exchange(*name, nullptr));
            return E_OUTOFMEMORY;
        }
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) override {
        return library_->GetTypeInfo(reference, info);
    }
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override {
        if (library) {
            *library = library_;
            library_->AddRef();
        }
        if (index) *index = index_;
        return S_OK;
    }

private:
    ~CompactTypeInfo() override { library_->Release(); }

    const platform::TypeLibraryEntry& entry() const { return library_->text().entries[index_]; }
    TYPEKIND kind() const {
        if (entry().kind == platform::TypeLibraryEntry::CoClass) return TKIND_COCLASS;
        if (entry().kind == platform::TypeLibraryEntry::DispInterface || entry().dual) return TKIND_DISPATCH;
        return TKIND_INTERFACE;
    }
    // The types it implements, with their IMPLTYPEFLAG_* roles.
    std::vector<std::pair<HREFTYPE, INT>> implemented() const {
        std::vector<std::pair<HREFTYPE, INT>> types;
        if (entry().kind == platform::TypeLibraryEntry::CoClass) {
            types.emplace_back(*library_->indexOf(entry().defaultInterface), IMPLTYPEFLAG_FDEFAULT);
            types.emplace_back(*library_->indexOf(entry().defaultSource), IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
        } else if (const auto base = library_->indexOf(entry().base)) {
            types.emplace_back(*base, 0);
        }
        return types;
    }

    CompactTypeLib* library_;
    UINT index_;
};

HRESULT CompactTypeLib::GetTypeInfo(UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index >= text_.entries.size()) return TYPE_E_ELEMENTNOTFOUND;
    *info = new CompactTypeInfo(this, index);
    return S_OK;
}

struct ModuleSearch {
    std::filesystem::path wanted;
    HMODULE found = nullptr;
};

int matchModule(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    // The program itself has no name here.
    const char* name = info->dlpi_name && info->dlpi_name[0] ? info->dlpi_name : "/proc/self/exe";
    std::error_code error;
    if (!std::filesystem::equivalent(name, search->wanted, error)) return 0;
    ElfW(Addr) lowest = ~ElfW(Addr)(0);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest) lowest = info->dlpi_phdr[i].p_vaddr;
    }
    search->found = reinterpret_cast<HMODULE>(info->dlpi_addr + (lowest == ~ElfW(Addr)(0) ? 0 : lowest));
    return 1;
}

std::wstring guidText(const GUID& guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return std::wstring(text, 38);
}

std::wstring versionText(WORD major, WORD minor) {
    return std::to_wstring(major) + L"." + std::to_wstring(minor);
}

// The classes key that a registration writes: the user's or the machine's.
LSTATUS openClasses(bool perUser, bool create, HKEY* classes) {
    const HKEY hive = perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    if (create)
        return RegCreateKeyExW(hive, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                               classes, nullptr);
    return RegOpenKeyExW(hive, L"Software\\Classes", 0, KEY_ALL_ACCESS, classes);
}

std::wstring quoted(const std::wstring& text) {
    std::wstring out = L"'";
    for (wchar_t c : text) {
        out.push_back(c);
        if (c == L'\'') out.push_back(c);
    }
    return out + L"'";
}

// The keys of a library as a registry script, so that the registrar's rules write and remove them.
std::wstring registrationScript(const TypeLibraryText& library, const std::wstring& path, const std::wstring& helpDir) {
    const std::wstring id = guidText(library.id);
    std::wstring script = L"HKCR {\n NoRemove TypeLib {\n  " + quoted(id) + L" {\n   ForceRemove " +
                          quoted(versionText(library.major, library.minor)) + L" = s " + quoted(library.helpString) +
                          L" {\n    FLAGS = s '0'\n    HELPDIR = s " + quoted(helpDir) + L"\n    '0' { win32 = s " +
                          quoted(path) + L" }\n   }\n  }\n }\n NoRemove Interface {\n";
    for (const auto& entry : library.entries) {
        if (entry.kind == platform::TypeLibraryEntry::CoClass) continue;
        if (entry.kind == platform::TypeLibraryEntry::Interface && !entry.dual) continue;
        script += L"  ForceRemove " + quoted(guidText(entry.id)) + L" = s " + quoted(entry.name) +
                  L" {\n   ProxyStubClsid32 = s '{00020424-0000-0000-C000-000000000046}'\n   TypeLib = s " +
                  quoted(id) + L" { val Version = s " + quoted(versionText(library.major, library.minor)) +
                  L" }\n  }\n";
    }
    return script + L" }\n}\n";
}

// A machine-wide registration goes to the machine's classes, not to the merged view, which would
// write into the user's classes where a key of the same name exists there.
std::wstring forHive(std::wstring script, bool perUser) {
    if (perUser) return script;
    return L"HKLM { NoRemove Software { NoRemove Classes" + script.substr(4) + L"} }";
}

HRESULT registerLibrary(ITypeLib* library, const OLECHAR* path, const OLECHAR* helpDir, bool perUser) {
    auto* compact = dynamic_cast<CompactTypeLib*>(library);
    if (!compact || !path) return E_INVALIDARG;
    platform::Registrar registrar;
    registrar.setPerUser(perUser);
    HKEY classes = nullptr;
    if (const LSTATUS status = openClasses(perUser, true, &classes); status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    RegCloseKey(classes);
    return registrar.stringRegister(forHive(registrationScript(compact->text(), path, helpDir ? helpDir : L""), perUser));
}

// The library registered for this id and version, loaded from the module its registration names.
HRESULT loadRegisteredLibrary(REFGUID id, WORD major, WORD minor, bool perUser, ITypeLib** library) {
    HKEY classes = nullptr;
    if (openClasses(perUser, false, &classes) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    const std::wstring path = L"TypeLib\\" + guidText(id) + L"\\" + versionText(major, minor) + L"\\0\\win32";
    HKEY versionKey = nullptr;
    LSTATUS status = RegOpenKeyExW(classes, path.c_str(), 0, KEY_READ, &versionKey);
    RegCloseKey(classes);
    if (status != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    wchar_t file[1024] = {};
    DWORD bytes = sizeof(file) - sizeof(wchar_t);
    status = RegQueryValueExW(versionKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(file), &bytes);
    RegCloseKey(versionKey);
    if (status != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    return LoadTypeLib(file, library);
}

HRESULT unregisterLibrary(REFGUID id, WORD major, WORD minor, bool perUser) {
    ITypeLib* library = nullptr;
    const HRESULT loaded = loadRegisteredLibrary(id, major, minor, perUser, &library);
    if (FAILED(loaded)) return loaded;
    const std::wstring script = registrationScript(static_cast<CompactTypeLib*>(library)->text(), L"", L"");
    library->Release();
    platform::Registrar registrar;
    registrar.setPerUser(perUser);
    return registrar.stringUnregister(forHive(script, perUser));
}

}  // namespace

HRESULT WINAPI LoadTypeLib(LPCOLESTR file, ITypeLib** library) {
    if (!library) return E_POINTER;
    *library = nullptr;
    if (!file) return E_INVALIDARG;
    ModuleSearch search{platform::wideToUtf8Text(file)};
    dl_iterate_phdr(matchModule, &search);
    const HRSRC resource = search.found ? FindResourceW(search.found, MAKEINTRESOURCEW(1), L"TYPELIB") : nullptr;
    if (!resource) return TYPE_E_CANTLOADLIBRARY;
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(search.found, resource)));
    auto text = platform::parseTypeLibrary(std::string_view(bytes, SizeofResource(search.found, resource)));
    if (!text) return TYPE_E_CANTLOADLIBRARY;
    *library = new CompactTypeLib(std::move(*text));
    return S_OK;
}

HRESULT WINAPI RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDirectory) {
    return registerLibrary(library, fullPath, helpDirectory, false);
}

HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath, OLECHAR* helpDirectory) {
    return registerLibrary(library, fullPath, helpDirectory, true);
}

HRESULT WINAPI UnRegisterTypeLib(REFGUID libraryId, WORD major, WORD minor, LCID, SYSKIND) {
    return unregisterLibrary(libraryId, major, minor, false);
}

HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID, SYSKIND) {
    return unregisterLibrary(libraryId, major, minor, true);
}
