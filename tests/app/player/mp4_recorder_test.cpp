// The recorder fed NAL units directly, as the RTSP source hands them over, with files read back by
// libavformat: pictures without access-unit delimiters still become one sample each, and a file
// that stops taking writes ends the recording with what it holds.
#include "app/player/mp4_recorder.h"

#include "app/util/file_logger.h"
#include "tests/app/support/machine_test.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_file_size_limit.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

namespace {

using test_support::NalUnit;

// Four slices a picture, an IDR every ten pictures, the parameter sets before each of them.
std::vector<uint8_t> SlicedStream(int pictures) {
    return test_support::MakeH264Stream(test_support::StreamOptions(
        320, 240, pictures, "baseline", "slices=4:keyint=10:min-keyint=10:scenecut=0:repeat-headers=1"));
}

class Mp4RecorderTest : public test_support::MachineTest {
protected:
    Mp4RecorderTest() { FileLogger::Init(); }
    ~Mp4RecorderTest() override { FileLogger::Release(); }

    void Feed(const std::vector<NalUnit>& units, size_t from = 0) {
        for (size_t i = from; i < units.size(); ++i)
            recorder.TakeNalUnit(units[i].data(), static_cast<int>(units[i].size()));
    }
    std::string Path() const { return (machine.driveRoot() / "recording.mp4").string(); }

    Mp4Recorder recorder;
};

TEST_F(Mp4RecorderTest, PicturesWithoutDelimitersStillBecomeOneSampleEachFromTheFirstKeyPicture) {
    const std::vector<uint8_t> stream = SlicedStream(30);
    const std::vector<NalUnit> units = test_support::SplitAnnexB(stream);
    const auto reference = test_support::DecodeH264Reference(stream).pictures;
    ASSERT_EQ(reference.size(), 30u);
    // Begin with the third slice of the fourth picture: the parameter sets, the key picture and
    // three whole pictures are missed.
    size_t from = 0;
    for (int slices = 0; slices < 4 * 3 + 2; ++from) slices += test_support::NalType(units[from]) <= 5;
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    EXPECT_EQ(recorder.Start(Path().c_str(), 320, 240), -1);
    Feed(units, from);
    Feed({{0x09, 0xF0}});  // the delimiter the source closes the last picture with
    recorder.Stop();

    const test_support::VideoFile file = test_support::ReadVideoFile(Path());
    ASSERT_EQ(file.samples.size(), 20u);
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(file.samples[i].key, i % 10 == 0) << i;
    ASSERT_EQ(file.pictures.size(), 20u);
    for (size_t i = 0; i < 20; ++i) EXPECT_TRUE(file.pictures[i] == reference[10 + i]) << i;
}

TEST_F(Mp4RecorderTest, AWriteTheFileRefusesEndsTheRecordingAndTheFileStillPlays) {
    const std::vector<uint8_t> stream = SlicedStream(60);
    const std::vector<NalUnit> units = test_support::SplitAnnexB(stream);
    {
        const test_support::ScopedFileSizeLimit limit(stream.size() / 2);
        ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
        Feed(units);
        EXPECT_FALSE(recorder.recording());
    }
    EXPECT_EQ(Logged("record write failed, ret -5, record stopped."), 1);
    recorder.Stop();
    const test_support::VideoFile file = test_support::ReadVideoFile(Path());
    ASSERT_TRUE(file.opened);
    // The whole fragments play; the one being written when the disk filled may be cut short.
    EXPECT_LT(file.samples.size(), 40u);
    EXPECT_GE(file.pictures.size(), 10u);
    EXPECT_GE(file.pictures.size() + 10, file.samples.size());
}

}  // namespace
