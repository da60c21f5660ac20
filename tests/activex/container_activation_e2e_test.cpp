// How the stand-in container embeds npVeltrin.so's control, as a browser does: activated through
// IQuickActivate, or through IOleObject alone by a container without it; its events reaching the
// container's own sink on the outgoing interface the class information names; its size given and
// read back as an extent in HIMETRIC, or its own two-inch extent when the page gives no size; a
// click giving it the keyboard focus, which the container hears.
#include "tests/support/activex_container/com_server_library.h"
#include "tests/support/activex_container/stand_in_container.h"
#include "tests/support/scoped_machine_folders.h"
#include "platform/window/win_input_testing.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using test_support::ContainerSession;

struct Embedding {
    const char* name;
    bool quick;
    const char* size;  // the <object>'s size attributes
    LONG extentX, extentY;
    int width, height;
};

void PrintTo(const Embedding& embedding, std::ostream* out) { *out << embedding.name; }

class ContainerActivation : public ::testing::TestWithParam<Embedding> {
protected:
    void TearDown() override {
        container.shutdownControl();
        EXPECT_EQ(0u, container.liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, container.faults());
    }

    test_support::ScopedMachineFolders machine;
    test_support::ComServerLibrary library;
    test_support::StandInContainer container;
};

TEST_P(ContainerActivation, TheControlIsSizedByItsExtentAndItsEventsReachTheContainersSink) {
    const Embedding& embedding = GetParam();
    container.useClassObject(library.getClassObject);
    if (!embedding.quick) container.withoutQuickActivation();
    container.loadPage(std::string(R"(<object id="player" type="application/x-veltrin" )") + embedding.size +
                           R"(></object><script>document.getElementById('player').SetFunction(0);</script>)",
                       ".");
    const auto [quick, extent] = container.onMainThread([](ContainerSession& session) {
        SIZEL size{};
        session.control()->object()->GetExtent(DVASPECT_CONTENT, &size);
        return std::make_pair(session.control()->activatedQuickly(), size);
    });
    EXPECT_EQ(embedding.quick, quick);
    EXPECT_EQ(embedding.extentX, extent.cx);
    EXPECT_EQ(embedding.extentY, extent.cy);
    const HWND window = container.pluginWindow();
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(embedding.width, client.right);
    EXPECT_EQ(embedding.height, client.bottom);

    platform::testing::advanceInputClock(1000);
    platform::testing::mouseDown(window, platform::testing::MouseButton::Left, 10, 10);
    platform::testing::mouseUp(window, platform::testing::MouseButton::Left, 10, 10);
    auto heard = [&] {
        return container.onMainThread([](ContainerSession& session) { return session.control()->events(); });
    };
    EXPECT_TRUE(container.pumpUntil([&] { return !heard().empty(); }, 5s));
    EXPECT_EQ(std::vector<std::string>{"ononMouseDownScreen(0,0)"}, heard());
    EXPECT_TRUE(
        container.onMainThread([](ContainerSession& session) { return session.control()->site().controlHasFocus(); }));
}

INSTANTIATE_TEST_SUITE_P(
    Browser, ContainerActivation,
    ::testing::Values(Embedding{"Quickly", true, R"(width="320" height="240")", 8467, 6350, 320, 240},
                      Embedding{"ThroughOleObject", false, R"(width="320" height="240")", 8467, 6350, 320, 240},
                      Embedding{"Unsized", true, "", 5080, 5080, 192, 192}),
    [](const ::testing::TestParamInfo<Embedding>& row) { return std::string(row.param.name); });

}  // namespace
