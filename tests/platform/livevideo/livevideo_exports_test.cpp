// liblivevideo.so exports exactly the five C entry points of the RTSP source library.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(LivevideoExports, AreExactlyTheFiveSourceFunctions) {
    const char* buildDir = std::getenv("VELTRIN_BUILD_DIR");
    ASSERT_NE(buildDir, nullptr);
    const std::string command =
        "nm -D --defined-only --format=just-symbols '" + std::string(buildDir) + "/lib/liblivevideo.so'";
    FILE* nm = popen(command.c_str(), "r");
    ASSERT_NE(nm, nullptr);
    std::string symbols;
    for (int c = std::fgetc(nm); c != EOF; c = std::fgetc(nm)) {
        symbols.push_back(static_cast<char>(c));
    }
    pclose(nm);
    EXPECT_EQ(symbols, "rtsp_source_close\nrtsp_source_free\nrtsp_source_new\nrtsp_source_open\nrtsp_source_play\n");
}

}  // namespace
