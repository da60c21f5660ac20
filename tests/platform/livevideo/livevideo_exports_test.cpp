// liblivevideo.so exports exactly the five C entry points of the RTSP source library.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

TEST(LivevideoExports, AreExactlyTheFiveSourceFunctions)
{
    const char* buildDir = std::getenv("VELTRIN_BUILD_DIR");
    ASSERT_NE(buildDir, nullptr);
    const std::string command = "nm -D --defined-only '" + std::string(buildDir) + "/lib/liblivevideo.so'";
    FILE* nm = popen(command.c_str(), "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> symbols;
    char line[512];
    char name[400];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        if (std::sscanf(line, "%*s %*c %399s", name) == 1) {  // "<address> <type> <name>"
            symbols.insert(name);
        }
    }
    pclose(nm);
    EXPECT_EQ(symbols, (std::set<std::string>{"rtsp_source_new", "rtsp_source_open", "rtsp_source_play",
                                              "rtsp_source_close", "rtsp_source_free"}));
}

}  // namespace
