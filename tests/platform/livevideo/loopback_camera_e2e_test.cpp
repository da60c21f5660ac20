// The loopback camera as a client sees it, read with libavformat's RTSP client (which, unlike the
// RTSP source library, passes on only what the server sends): where the parameter sets travel.
#include "platform/livevideo/ffmpeg_owners.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::NalType;
using test_support::NalUnit;

constexpr auto kBound = 10s;  // a bound against hanging, not an expected duration

bool StartsKeyPicture(const NalUnit& unit) {
    return NalType(unit) == 5 && unit.size() > 1 && (unit[1] & 0x80) != 0;  // first_mb_in_slice 0
}

bool StartsPicture(const NalUnit& unit) {
    return (NalType(unit) == 1 || NalType(unit) == 5) && unit.size() > 1 && (unit[1] & 0x80) != 0;
}

long CountOfType(const std::vector<NalUnit>& units, int type) {
    return std::count_if(units.begin(), units.end(), [type](const NalUnit& unit) { return NalType(unit) == type; });
}

// One RTSP session over TCP, read with libavformat. Every network wait ends at the deadline.
class RtspClient {
public:
    explicit RtspClient(const std::string& url) {
        AVFormatContext* format = avformat_alloc_context();
        format->interrupt_callback = {&RtspClient::DeadlinePassed, this};
        livevideo::Dictionary options;
        options.set("rtsp_transport", "tcp");
        deadline_ = Clock::now() + kBound;
        if (avformat_open_input(&format, url.c_str(), nullptr, options.address()) == 0) {  // frees it on failure
            format_.reset(format);
        }
    }

    ~RtspClient() {
        deadline_ = Clock::now() + 2s;  // time for the TEARDOWN
    }

    bool IsOpen() const { return format_ != nullptr && format_->nb_streams > 0; }

    // The parameter sets of the session description (sprop-parameter-sets).
    std::vector<NalUnit> SessionDescriptionSets() const {
        const AVCodecParameters* codec = format_->streams[0]->codecpar;
        return test_support::SplitAnnexB(
            std::vector<uint8_t>(codec->extradata, codec->extradata + codec->extradata_size));
    }

    // The units of the stream up to and including the first slice of its keyFrames-th key picture.
    std::vector<NalUnit> ReadUntilKeyPicture(int keyFrames) {
        std::vector<NalUnit> units;
        livevideo::PacketPtr packet(av_packet_alloc());
        while (keyFrames > 0 && av_read_frame(format_.get(), packet.get()) >= 0) {
            for (NalUnit& unit :
                 test_support::SplitAnnexB(std::vector<uint8_t>(packet->data, packet->data + packet->size))) {
                keyFrames -= StartsKeyPicture(unit) ? 1 : 0;
                units.push_back(std::move(unit));
            }
            av_packet_unref(packet.get());
        }
        return units;
    }

private:
    static int DeadlinePassed(void* self) { return Clock::now() > static_cast<RtspClient*>(self)->deadline_ ? 1 : 0; }

    Clock::time_point deadline_;
    livevideo::FormatContextPtr format_;  // last: closed while the deadline lives
};

std::vector<uint8_t> ToAnnexB(const std::vector<NalUnit>& units) {
    std::vector<uint8_t> stream;
    for (const NalUnit& unit : units) {
        stream.insert(stream.end(), {0, 0, 0, 1});
        stream.insert(stream.end(), unit.begin(), unit.end());
    }
    return stream;
}

// Each switch keeps the sets out of its own place only, whether the camera encodes its pattern or
// serves a file; and a stream without its in-band sets still decodes with those of the description.
TEST(LoopbackCameraParameterSets, EachSwitchWithholdsTheSetsFromItsOwnPlaceOnlyForPatternAndFile) {
    test_support::ScopedTempDir dir;
    const std::filesystem::path file = dir.path() / "gop5.mp4";
    test_support::WriteH264Mp4File(file, 320, 240, 20, 5);
    for (const bool fromFile : {false, true}) {
        for (const bool inDescription : {true, false}) {
            for (const bool inBand : {true, false}) {
                SCOPED_TRACE(testing::Message() << (fromFile ? "file" : "pattern") << ", sets in description "
                                                << inDescription << ", in band " << inBand);
                LoopbackRtspCameraOptions options;
                options.keyFrameInterval = 5;
                options.file = fromFile ? file : std::filesystem::path();
                options.parameterSetsInSessionDescription = inDescription;
                options.parameterSetsInBand = inBand;
                LoopbackRtspCamera camera(options);
                camera.Start();
                RtspClient client(camera.Url());
                ASSERT_TRUE(client.IsOpen());

                const std::vector<NalUnit> described = client.SessionDescriptionSets();
                EXPECT_EQ(CountOfType(described, 7), inDescription ? 1 : 0);
                EXPECT_EQ(CountOfType(described, 8), inDescription ? 1 : 0);

                const std::vector<NalUnit> units = client.ReadUntilKeyPicture(2);
                ASSERT_EQ(std::count_if(units.begin(), units.end(), StartsKeyPicture), 2);
                EXPECT_EQ(CountOfType(units, 7), inBand ? 2 : 0) << "one SPS before each key frame, or none";
                EXPECT_EQ(CountOfType(units, 8), inBand ? 2 : 0);

                if (inDescription || inBand) {
                    std::vector<NalUnit> stream = described;
                    stream.insert(stream.end(), units.begin(), units.end());
                    EXPECT_EQ(static_cast<long>(test_support::DecodeH264Reference(ToAnnexB(stream)).pictures.size()),
                              std::count_if(units.begin(), units.end(), StartsPicture));
                }
            }
        }
    }
}

}  // namespace
