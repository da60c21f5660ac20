// The headless ActiveX runner: opens a page in the stand-in ActiveX container, whose control is
// made by npVeltrin.so's class object (as Internet Explorer makes it), runs it for a while and
// writes screenshots of the control's window (shot-01.png, ... and final.png) into the output
// folder. The page's console goes to standard output. It ends when the --until script is true in
// the page (by default: the example page's unattended session is done) or the time is up, and
// answers 0 when the --verdict script gives "pass" and the container saw no fault (a "fault:" line
// each: what the control did wrong, and a library that still holds objects once the page is gone).
//
//   activex_page examples/camera.html --query '?url=rtsp://...&device=127.0.0.1&auto=1' --out shots
#include "platform/shell/win_shell_testing.h"
#include "platform/window/win_surface_testing.h"
#include "tests/support/activex_container/com_server_library.h"
#include "tests/support/activex_container/stand_in_container.h"
#include "tools/activex_page/page_options.h"
#include "tools/activex_page/page_preparation.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

std::filesystem::path defaultLibrary(const char* program) {
    // The build puts programs in bin/ and libraries in lib/.
    return std::filesystem::absolute(program).parent_path().parent_path() / "lib" / "npVeltrin.so";
}

void answerFolderPickers(const std::filesystem::path& folder) {
    if (folder.empty()) return;
    const std::wstring answer = std::filesystem::absolute(folder).wstring();
    platform::testing::setFolderChooser(
        [answer](const platform::testing::FolderRequest&) -> std::optional<std::wstring> { return answer; });
}

class Runner {
public:
    explicit Runner(const activex_page::PageOptions& options) : options_(options) {}

    int run(const std::filesystem::path& library) {
        test_support::ComServerLibrary server(library.string());
        int verdict = 1;
        {
            test_support::StandInContainer container;
            container.useClassObject(server.getClassObject);
            container.loadPage(activex_page::preparePage(options_.page, options_.query), options_.page.parent_path());
            verdict = watch(container);
            container.shutdownControl();
            for (const std::string& fault : container.faults()) {
                std::printf("fault: %s\n", fault.c_str());
                verdict = 1;
            }
        }
        // With the page gone, every object the library made is gone too, or it leaks.
        if (server.canUnloadNow() != S_OK) {
            std::printf("fault: %s still holds objects after the page has gone\n", library.filename().c_str());
            verdict = 1;
        }
        return verdict;
    }

private:
    int watch(test_support::StandInContainer& container) {
        const auto start = steady_clock::now();
        const auto end = start + duration<double>(options_.seconds);
        auto nextShot = start + duration<double>(options_.interval);
        int shots = 0;
        bool done = false;
        while (!done && steady_clock::now() < end) {
            done = container.pumpUntil([&] { return container.evaluate(options_.until).text == "true"; },
                                       milliseconds(100));
            printConsole(container);
            if (steady_clock::now() >= nextShot) {
                char name[32];
                std::snprintf(name, sizeof(name), "shot-%02d.png", ++shots);
                shoot(container, name);
                nextShot += duration<double>(options_.interval);
            }
        }
        shoot(container, "final.png");
        const std::string verdict = container.evaluate(options_.verdict).text;
        std::printf("verdict: %s\n", verdict.c_str());
        return verdict == "pass" ? 0 : 1;
    }

    void printConsole(test_support::StandInContainer& container) {
        const std::vector<std::string> lines = container.consoleLines();
        for (; printed_ < lines.size(); ++printed_) std::printf("console: %s\n", lines[printed_].c_str());
        std::fflush(stdout);
    }

    void shoot(test_support::StandInContainer& container, const char* name) {
        const std::filesystem::path file = options_.out / name;
        const HWND window = container.pluginWindow();
        if (window && platform::testing::saveSurfacePng(window, file))
            std::printf("screenshot: %s\n", file.string().c_str());
    }

    const activex_page::PageOptions& options_;
    size_t printed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    activex_page::PageOptions options;
    try {
        options = activex_page::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "activex_page: %s\n%s", error.what(), activex_page::usage());
        return 2;
    }
    try {
        std::filesystem::create_directories(options.out);
        answerFolderPickers(options.folder);
        const std::filesystem::path library = options.library.empty() ? defaultLibrary(argv[0]) : options.library;
        return Runner(options).run(library);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "activex_page: %s\n", error.what());
        return 1;
    }
}
