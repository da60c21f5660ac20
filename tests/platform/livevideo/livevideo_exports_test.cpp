// liblivevideo.so exports exactly the five C entry points of the RTSP source library.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& library)
{
    std::set<std::string> symbols;
    FILE* nm = popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
    if (nm == nullptr) {
        return symbols;
    }
    char line[512];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        char type = 0;
        char name[400] = {};
        // "<address> <type> <name>"
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2) {
            symbols.insert(name);
        }
    }
    pclose(nm);
    return symbols;
}

TEST(LivevideoExports, AreExactlyTheFiveSourceFunctions)
{
    const char* buildDir = std::getenv("VELTRIN_BUILD_DIR");
    ASSERT_NE(buildDir, nullptr);
    const std::set<std::string> expected{"rtsp_source_new", "rtsp_source_open", "rtsp_source_play",
                                         "rtsp_source_close", "rtsp_source_free"};
    EXPECT_EQ(DefinedDynamicSymbols(std::string(buildDir) + "/lib/liblivevideo.so"), expected);
}

}  // namespace
