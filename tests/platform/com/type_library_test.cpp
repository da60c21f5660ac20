// The compact type library: the module's own library reads as its declarations with their
// attributes and a class's two interfaces, identifiers read back in either case, and a text with a
// line it cannot place is no library.
#include "platform/com/type_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string moduleLibrary() {
    const char* source = std::getenv("VELTRIN_SOURCE_DIR");
    std::ifstream file(std::string(source ? source : ".") + "/activex/resources/VeltrinLib.tlb.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(TypeLibrary, TheModulesLibraryReadsAsItsDeclarations) {
    const auto library = platform::parseTypeLibrary(moduleLibrary());
    ASSERT_TRUE(library);
    EXPECT_EQ(L"VeltrinLib", library->name);
    EXPECT_EQ(1, library->major);
    EXPECT_EQ(0, library->minor);
    EXPECT_EQ(L"Veltrin 1.0 Type Library", library->helpString);
    GUID libid{};
    ASSERT_TRUE(platform::guidFromText(L"{56226C0D-abdf-5b6c-A2F6-71a08d251410}", libid));
    EXPECT_EQ(libid, library->id);
    size_t dual = 0, dispinterfaces = 0, classes = 0;
    for (const auto& entry : library->entries) {
        dual += entry.kind == platform::TypeLibraryEntry::Interface && entry.dual;
        dispinterfaces += entry.kind == platform::TypeLibraryEntry::DispInterface;
        classes += entry.kind == platform::TypeLibraryEntry::CoClass;
    }
    EXPECT_EQ(2u, dual);
    EXPECT_EQ(1u, dispinterfaces);
    EXPECT_EQ(2u, classes);
    const auto& control = library->entries[5];
    EXPECT_EQ(L"FBControl0", control.name);
    EXPECT_EQ(L"IFBControl", control.defaultInterface);
    EXPECT_EQ(L"IFBComEventSource", control.defaultSource);
    EXPECT_EQ(TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, control.typeFlags);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
              library->entries[2].typeFlags);
}

TEST(TypeLibrary, AnythingElseIsNoLibrary) {
    GUID guid{};
    EXPECT_FALSE(platform::guidFromText(L"{56226c0d-abdf-5b6c-a2f6-71a08d25141}", guid));
    EXPECT_FALSE(platform::guidFromText(L"56226c0d-abdf-5b6c-a2f6-71a08d251410", guid));
    EXPECT_FALSE(platform::guidFromText(L"{56226c0d+abdf-5b6c-a2f6-71a08d251410}", guid));
    EXPECT_FALSE(platform::parseTypeLibrary(""));
    EXPECT_FALSE(platform::parseTypeLibrary("interface I {56226c0d-abdf-5b6c-a2f6-71a08d251410} IUnknown \"no library\""));
    EXPECT_FALSE(platform::parseTypeLibrary(moduleLibrary() + "method M \"unknown\"\n"));
    EXPECT_FALSE(platform::parseTypeLibrary(moduleLibrary() + "interface J {bad} IUnknown \"bad id\"\n"));
    const std::string id = " {c04f30c6-5ded-5788-8782-f89e971d63a9} ";
    EXPECT_FALSE(platform::parseTypeLibrary(moduleLibrary() + "interface J" + id + "IUnknown creatable \"class word\"\n"));
    EXPECT_FALSE(platform::parseTypeLibrary(moduleLibrary() + "coclass C" + id + "IFBControl INone \"no source\"\n"));
}

}  // namespace
