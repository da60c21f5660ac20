#include "platform/text/utf_text.h"
#include "platform/base/win_error.h"
#include "platform/module/win_module.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

template <typename Result>
Result callProbe(void* library, const char* name) {
    return reinterpret_cast<Result (*)()>(dlsym(library, name))();
}

TEST(ModuleAttach, LoadedLibraryGetsItsHandleAndFullPathAfterStaticInitialisation) {
    const char* build = std::getenv("VELTRIN_BUILD_DIR");
    std::filesystem::path probe = std::filesystem::path(build ? build : ".") / "lib" / "module_probe.so";
    void* library = dlopen(probe.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name : {"probeAttachCalls", "probeAttachOrder", "probeAttachedInstance", "probeAttachedPath"}) {
        ASSERT_NE(dlsym(library, name), nullptr) << name;  // the code with DllMain was linked
    }
    EXPECT_EQ(callProbe<int>(library, "probeAttachCalls"), 1);
    EXPECT_STREQ(callProbe<const char*>(library, "probeAttachOrder"), "initialised");
    Dl_info info{};
    ASSERT_NE(dladdr(dlsym(library, "probeAttachCalls"), &info), 0);
    EXPECT_EQ(static_cast<void*>(callProbe<HINSTANCE>(library, "probeAttachedInstance")), info.dli_fbase);
    std::filesystem::path attached = platform::wideToUtf8Text(callProbe<const wchar_t*>(library, "probeAttachedPath"));
    EXPECT_TRUE(attached.is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(attached, probe));
    dlclose(library);
}

TEST(ModuleAttach, FileNameIsCutToTheBufferAndUnknownModulesFail) {
    wchar_t executable[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, executable, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::wstring(executable).size(), length);
    EXPECT_TRUE(std::filesystem::equivalent(platform::wideToUtf8Text(executable), "/proc/self/exe"));

    wchar_t shortBuffer[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, shortBuffer, 4), 4u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(shortBuffer), std::wstring(executable, 3));

    char ansi[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(nullptr, ansi, MAX_PATH), length);

    int local = 0;
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(&local), executable, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
