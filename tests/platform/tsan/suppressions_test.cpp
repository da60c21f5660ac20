// The ThreadSanitizer suppressions and options leave out what belongs to the uninstrumented
// libraries (GLib, GStreamer), and only that: a race in our own code running on one of their
// threads, as the RTSP source's callbacks do, is still reported. Meaningful in the
// ThreadSanitizer build only.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct RaceRun {
    int status = -1;
    std::string output;
};

// Runs the planted race with the options the suite runs with (the suppression file among them),
// its reports on its output and a status of its own when it reports any.
RaceRun RunPlantedRace(const std::string& options, const std::string& mode) {
    const std::filesystem::path program =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "planted_race";
    const std::string command = "TSAN_OPTIONS='" + options + ":exitcode=66' " + program.string() + " " + mode + " 2>&1";
    RaceRun run;
    FILE* output = popen(command.c_str(), "r");
    if (output == nullptr) return run;
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, output)) > 0;) run.output.append(chunk, got);
    const int status = pclose(output);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(ThreadSanitizerSuppressions, ARaceOfOursOnAGlibOrGStreamerThreadIsReported) {
#if !defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "only the ThreadSanitizer build reports races";
#endif
    const char* options = std::getenv("TSAN_OPTIONS");
    ASSERT_NE(options, nullptr);
    ASSERT_NE(std::string(options).find("suppressions="), std::string::npos) << options;
    struct Case {
        const char* mode;
        const char* function;  // ours, at the top of the reported stack
    };
    for (const Case& c : {Case{"glib-thread", "PlantedRaceOnGlibThread"},
                          Case{"streaming-thread", "PlantedRaceOnStreamingThread"}}) {
        SCOPED_TRACE(c.mode);
        const RaceRun run = RunPlantedRace(options, c.mode);
        EXPECT_EQ(run.status, 66) << run.output;
        EXPECT_NE(run.output.find("WARNING: ThreadSanitizer: data race"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(c.function), std::string::npos) << run.output;
    }
}

}  // namespace
