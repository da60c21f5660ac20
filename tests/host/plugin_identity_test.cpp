#include "host/factory_base.h"
#include "host/module_attach.h"
#include "platform/module/win_module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using FB::FactoryBase;

TEST(PluginIdentity, DescriptionComesFromTheMimeList) {
    EXPECT_EQ(FactoryBase::pluginDescriptionText("application/x-veltrin"), "NOTFOUND");
    // An unknown type gets an empty entry; the empty text after the list's ";" registers nothing.
    EXPECT_EQ(FactoryBase::pluginDescriptionText("text/other"), "");
    EXPECT_EQ(FactoryBase::mimeDescriptionMap().count("text/other"), 1u);
    EXPECT_EQ(FactoryBase::mimeDescriptionMap().count(""), 0u);
}

TEST(PluginIdentity, DescriptionsMayBeAskedFromManyThreadsFromTheFirstUseOn) {
    auto unknownType = [](int t, int i) { return "text/t" + std::to_string(t) + "-" + std::to_string(i); };
    std::atomic<int> wrong{0};
    std::vector<std::thread> askers;
    for (int t = 0; t < 8; ++t) {
        askers.emplace_back([t, &wrong, unknownType] {
            for (int i = 0; i < 200; ++i) {
                if (FactoryBase::pluginDescriptionText("application/x-veltrin") != "NOTFOUND") ++wrong;
                if (!FactoryBase::pluginDescriptionText(unknownType(t, i)).empty()) ++wrong;
            }
        });
    }
    for (std::thread& asker : askers) asker.join();
    EXPECT_EQ(wrong, 0);
    for (int t = 0; t < 8; ++t) {
        for (int i = 0; i < 200; ++i) EXPECT_EQ(FactoryBase::mimeDescriptionMap().count(unknownType(t, i)), 1u);
    }
}

TEST(ModuleAttach, FirstCallKeepsHandleAndPathAndOnlyAFailedComModuleFailsTheAttach) {
    const HMODULE savedHandle = FB::moduleHandle;
    const std::string savedPath = FB::modulePath;
    FB::moduleHandle = nullptr;
    auto* first = reinterpret_cast<HMODULE>(uintptr_t(0x1000));
    auto* second = reinterpret_cast<HMODULE>(uintptr_t(0x2000));
    EXPECT_EQ(FB::attachModule(first, DLL_PROCESS_ATTACH, false), TRUE);
    EXPECT_EQ(FB::moduleHandle, first);
    FB::modulePath = "kept";
    EXPECT_EQ(FB::attachModule(second, DLL_THREAD_ATTACH, true), TRUE);
    EXPECT_EQ(FB::moduleHandle, first);
    EXPECT_EQ(FB::modulePath, "kept");
    EXPECT_EQ(FB::attachModule(second, DLL_PROCESS_ATTACH, true), FALSE);
    FB::moduleHandle = savedHandle;
    FB::modulePath = savedPath;
}
