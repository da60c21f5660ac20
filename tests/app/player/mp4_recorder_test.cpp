// The recorder fed NAL units directly, as the RTSP source hands them over, with files read back by
// libavformat: pictures without access-unit delimiters still become one sample each; a recording
// begun after a group too large to hold begins at the next key picture with the parameter sets seen
// before; one on a stream without IDR pictures after its first begins at a recovery point; the two
// fields of a frame make one sample; a recording without pictures leaves a file readers open; and a
// file that stops taking writes ends the recording with what it holds.
#include "app/player/mp4_recorder.h"

#include "app/util/file_logger.h"
#include "app/util/sei_recovery_point.h"
#include "tests/app/support/machine_test.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_bit_writer.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_file_size_limit.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <tuple>

namespace {

using test_support::NalUnit;

// Four slices a picture, an IDR every ten pictures, the parameter sets before each of them.
std::vector<uint8_t> SlicedStream(int pictures) {
    return test_support::MakeH264Stream(test_support::StreamOptions(
        320, 240, pictures, "baseline", "slices=4:keyint=10:min-keyint=10:scenecut=0:repeat-headers=1"));
}

// The stream with its parameter sets only in front of its first picture, as a camera that sends
// them once (or only in its session description) delivers it.
std::vector<NalUnit> WithParameterSetsOnlyAtTheStart(const std::vector<NalUnit>& units) {
    std::vector<NalUnit> kept;
    bool pictureSeen = false;
    for (const NalUnit& unit : units) {
        const int type = test_support::NalType(unit);
        if ((type == 7 || type == 8) && pictureSeen) continue;
        pictureSeen = pictureSeen || type == 1 || type == 5;
        kept.push_back(unit);
    }
    return kept;
}

// Where the unit that begins picture n is (n counted from 0), with the parameter sets and SEI in
// front of its first slice.
size_t PictureStart(const std::vector<NalUnit>& units, int n) {
    int pictures = -1;
    size_t start = 0;
    bool afterSlice = true;
    for (size_t i = 0; i < units.size(); ++i) {
        const int type = test_support::NalType(units[i]);
        const bool firstSlice = (type == 1 || type == 5) && units[i].size() > 1 && (units[i][1] & 0x80) != 0;
        if (afterSlice && (type == 6 || type == 7 || type == 8 || firstSlice)) {
            start = i;
            afterSlice = false;
        }
        if (firstSlice && ++pictures == n) return start;
        if (type == 1 || type == 5) afterSlice = true;
    }
    return units.size();
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

// A recording started while the group of pictures held more than the recorder keeps begins at the
// next key picture, with the parameter sets the stream sent only once, at its beginning.
TEST_F(Mp4RecorderTest, BeginsAfterAGroupOverAMegabyteAtTheNextKeyPictureWithTheParameterSetsSeenBefore) {
    // A grainy picture at a high quality makes the group larger than the recorder keeps.
    test_support::H264StreamOptions options =
        test_support::StreamOptions(320, 240, 70, "main", "qp=10:keyint=60:min-keyint=60:scenecut=0");
    options.filter = "noise=alls=20:allf=t";
    const std::vector<uint8_t> stream = test_support::MakeH264Stream(options);
    const auto reference = test_support::DecodeH264Reference(stream).pictures;
    ASSERT_EQ(reference.size(), 70u);
    const std::vector<NalUnit> units = WithParameterSetsOnlyAtTheStart(test_support::SplitAnnexB(stream));
    const size_t start = PictureStart(units, 45);
    size_t bytesBefore = 0;
    for (size_t i = PictureStart(units, 0); i < start; ++i) bytesBefore += units[i].size();
    EXPECT_GT(bytesBefore, size_t{1024 * 1024});
    for (size_t i = 0; i < start; ++i) recorder.TakeNalUnit(units[i].data(), static_cast<int>(units[i].size()));
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    Feed(units, start);
    Feed({{0x09, 0xF0}});
    recorder.Stop();

    const test_support::VideoFile file = test_support::ReadVideoFile(Path());
    ASSERT_EQ(file.samples.size(), 10u);
    EXPECT_TRUE(file.samples.front().key);
    ASSERT_EQ(file.pictures.size(), 10u);
    EXPECT_EQ(file.decodeErrors, 0);
    for (size_t i = 0; i < 10; ++i) EXPECT_TRUE(file.pictures[i] == reference[60 + i]) << i;
}

// Nothing of a stream that was left behind (a restart) reaches a recording of the next one.
TEST_F(Mp4RecorderTest, ForgetsTheHeldStreamWhenANewOneBegins) {
    const std::vector<NalUnit> units = test_support::SplitAnnexB(SlicedStream(20));
    Feed(units, 0);  // not recording: held only
    recorder.ForgetStream();
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    recorder.Stop();
    EXPECT_TRUE(test_support::ReadVideoFile(Path()).samples.empty());
}

// Field pictures (PAFF), written bit by bit: each frame's two fields are one sample, a field whose
// pair never comes one of its own; the frames are shown in order.
TEST_F(Mp4RecorderTest, TheTwoFieldsOfAFrameMakeOneSample) {
    using test_support::H264BitWriter;
    // Main profile, 320 x 240 in fields, pic_order_cnt_type 0 with 5 bits, VUI 25 frames a second.
    const NalUnit sps = H264BitWriter(0x67)
                            .Bits(77, 8)
                            .Bits(0, 8)
                            .Bits(30, 8)
                            .Ue(0)
                            .Ue(0)
                            .Ue(0)
                            .Ue(1)
                            .Ue(4)
                            .Flag(false)
                            .Ue(19)
                            .Ue(7)
                            .Flag(false)
                            .Flag(false)
                            .Flag(true)
                            .Flag(false)
                            .Flag(true)
                            .Flag(false)
                            .Flag(false)
                            .Flag(false)
                            .Flag(false)
                            .Flag(true)
                            .Bits(1, 32)
                            .Bits(50, 32)
                            .Flag(true)
                            .Flag(false)
                            .Flag(false)
                            .Flag(false)
                            .Flag(false)
                            .Finish();
    const NalUnit pps = H264BitWriter(0x68)
                            .Ue(0)
                            .Ue(0)
                            .Flag(false)
                            .Flag(false)
                            .Ue(0)
                            .Ue(0)
                            .Ue(0)
                            .Flag(false)
                            .Bits(0, 2)
                            .Se(0)
                            .Se(0)
                            .Se(0)
                            .Flag(true)
                            .Flag(false)
                            .Flag(false)
                            .Finish();
    struct FieldShape {
        bool idr;
        int refIdc, kind;  // slice_type 0 P, 1 B, 2 I
        uint32_t frameNum;
        bool bottom;
        uint32_t lsb;
    };
    const auto field = [](const FieldShape& f) {
        H264BitWriter w(static_cast<uint8_t>(f.refIdc << 5 | (f.idr ? 5 : 1)));
        w.Ue(0).Ue(f.kind).Ue(0).Bits(f.frameNum, 4).Flag(true).Flag(f.bottom);
        if (f.idr) w.Ue(0);
        w.Bits(f.lsb, 5);
        if (f.kind == 1) w.Flag(true);
        if (f.kind != 2) w.Flag(false).Flag(false);
        if (f.kind == 1) w.Flag(false);
        if (f.refIdc != 0) f.idr ? w.Bits(0, 2) : w.Flag(false);
        return w.Finish({0x9A, 0x5C, 0x33});
    };
    // I/P field pairs, a B pair shown between them, then a top field left without its bottom.
    const std::vector<FieldShape> fields = {
        {true, 3, 2, 0, false, 0},  {false, 2, 0, 0, true, 1}, {false, 2, 0, 1, false, 8}, {false, 2, 0, 1, true, 9},
        {false, 0, 1, 2, false, 4}, {false, 0, 1, 2, true, 5}, {false, 2, 0, 2, false, 12}};
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    Feed({sps, pps});
    std::vector<size_t> fieldSizes;
    for (const FieldShape& f : fields) {
        const NalUnit unit = field(f);
        fieldSizes.push_back(unit.size() + 4);
        Feed({unit, {0x09, 0xF0}});
    }
    recorder.Stop();

    const test_support::VideoFile file = test_support::ReadVideoFile(Path());
    ASSERT_EQ(file.samples.size(), 4u);
    EXPECT_EQ(
        (std::vector<size_t>{file.samples[0].size, file.samples[1].size, file.samples[2].size, file.samples[3].size}),
        (std::vector<size_t>{fieldSizes[0] + fieldSizes[1], fieldSizes[2] + fieldSizes[3],
                             fieldSizes[4] + fieldSizes[5], fieldSizes[6]}));
    EXPECT_EQ((std::vector<bool>{file.samples[0].key, file.samples[1].key, file.samples[2].key}),
              (std::vector<bool>{true, false, false}));
    // Shown I, B, P, P: the B pair between the two frames it is decoded after.
    EXPECT_LT(file.samples[0].pts, file.samples[2].pts);
    EXPECT_LT(file.samples[2].pts, file.samples[1].pts);
    EXPECT_LT(file.samples[1].pts, file.samples[3].pts);
    for (const auto& sample : file.samples) EXPECT_GE(sample.pts, sample.dts);
    EXPECT_EQ(file.samples[1].dts - file.samples[0].dts, 3600);
}

// Streams whose key pictures after the first are not IDR pictures but carry a recovery point: an
// open group of pictures (an I picture with B pictures shown before it that refer to the group
// before) and intra refresh (no I picture after the first). Sixty pictures, a key picture every
// twenty, the parameter sets before each.
struct RecoveryStream {
    const char* name;
    const char* profile;
    const char* x264Params;
};

// Where the recorder joins the stream and when the recording starts: with the IDR picture held,
// on a stream joined after it with a recovery point held, or joined after it with none held yet.
struct RecoveryJoin {
    const char* name;
    int joinedAt;     // the picture, in decoding order, the recorder is fed from
    bool startFirst;  // the recording starts before the first unit is fed, else after picture 26
};

constexpr size_t kRecoveryPictures = 60;
constexpr size_t kRecoveryKeyInterval = 20;

void PrintTo(const RecoveryStream& stream, std::ostream* out) { *out << stream.name; }
void PrintTo(const RecoveryJoin& join, std::ostream* out) { *out << join.name; }

// Three B pictures before every P or I picture, so that the I picture at 20 comes before the
// three shown before it, which refer to the P picture at 16. (Without a B pyramid: x264 then
// releases B references of the group before the I picture in pictures after it, which a decoder
// joining at the I picture never had, and FFmpeg says so.)
const RecoveryStream kRecoveryStreams[] = {
    {"OpenGroup", "main",
     "open-gop=1:bframes=3:b-adapt=0:b-pyramid=none:keyint=20:min-keyint=20:scenecut=0:repeat-headers=1"},
    {"IntraRefresh", "baseline", "intra-refresh=1:keyint=20:min-keyint=20:scenecut=0:repeat-headers=1"},
};
const RecoveryJoin kRecoveryJoins[] = {
    {"IdrPictureHeld", 0, false},
    {"RecoveryPointHeld", 5, false},
    {"RecoveryPointComes", 5, true},
};

class Mp4RecorderRecoveryTest : public Mp4RecorderTest,
                                public ::testing::WithParamInterface<std::tuple<RecoveryStream, RecoveryJoin>> {};

// The recovery point of the stream's first SEI that carries one.
H264RecoveryPoint FirstRecoveryPoint(const std::vector<NalUnit>& units) {
    H264RecoveryPoint point;
    for (const NalUnit& unit : units) {
        if (FindRecoveryPoint(unit.data(), unit.size(), &point)) return point;
    }
    ADD_FAILURE() << "no recovery point";
    return point;
}

// The recording begins at the IDR picture when it holds one, else at the first recovery point,
// without the pictures shown before it; its first pictures decode only once the recovery point's
// count of pictures has passed, as FFmpeg shows them. Every key picture is a sync sample.
TEST_P(Mp4RecorderRecoveryTest, BeginsAtTheFirstPictureADecoderCanBeginAt) {
    const auto& [shape, join] = GetParam();
    const std::vector<uint8_t> stream = test_support::MakeH264Stream(
        test_support::StreamOptions(320, 240, static_cast<int>(kRecoveryPictures), shape.profile, shape.x264Params));
    const auto reference = test_support::DecodeH264Reference(stream).pictures;
    ASSERT_EQ(reference.size(), kRecoveryPictures);
    const std::vector<NalUnit> units = test_support::SplitAnnexB(stream);
    const size_t from = PictureStart(units, join.joinedAt);
    const size_t startAt = join.startFirst ? from : PictureStart(units, 26);
    Feed(std::vector<NalUnit>(units.begin() + static_cast<std::ptrdiff_t>(from),
                              units.begin() + static_cast<std::ptrdiff_t>(startAt)));
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    Feed(units, startAt);
    Feed({{0x09, 0xF0}});
    recorder.Stop();

    const size_t first = join.joinedAt == 0 ? 0 : kRecoveryKeyInterval;
    const size_t partial = join.joinedAt == 0 ? 0 : FirstRecoveryPoint(units).recoveryFrameCount;
    const test_support::VideoFile file = test_support::ReadVideoFile(Path());
    ASSERT_EQ(file.samples.size(), kRecoveryPictures - first);
    EXPECT_TRUE(file.samples.front().key);
    EXPECT_EQ(std::count_if(file.samples.begin(), file.samples.end(), [](const auto& s) { return s.key; }),
              static_cast<long>((kRecoveryPictures - first) / kRecoveryKeyInterval));
    EXPECT_EQ(file.decodeErrors, 0);
    EXPECT_EQ(test_support::FfmpegErrors(Path()), "");
    ASSERT_EQ(file.pictures.size(), kRecoveryPictures - first - partial);
    for (size_t i = 0; i < file.pictures.size(); ++i) {
        EXPECT_TRUE(file.pictures[i] == reference[first + partial + i]) << i;
        if (i > 0) {
            EXPECT_EQ(file.picturePts[i] - file.picturePts[i - 1], 3600) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp4RecorderRecoveryTest,
                         ::testing::Combine(::testing::ValuesIn(kRecoveryStreams), ::testing::ValuesIn(kRecoveryJoins)),
                         [](const ::testing::TestParamInfo<std::tuple<RecoveryStream, RecoveryJoin>>& param) {
                             return std::string(std::get<0>(param.param).name) + "_" + std::get<1>(param.param).name;
                         });

// A recording that ends before its first picture leaves a movie without tracks, which readers
// open, rather than an empty file; the log says what it waited for.
struct EmptyRecording {
    const char* name;
    int fedFrom;  // the picture of a stream of IDR pictures every ten the recorder is fed from
    int fedTo;
    const char* logged;
};

const EmptyRecording kEmptyRecordings[] = {
    {"NothingCame", 0, 0, "record stopped before SPS and PPS, file holds no picture."},
    {"PicturesWithoutParameterSets", 1, 10, "record stopped before SPS and PPS, file holds no picture."},
    {"ParameterSetsButNoKeyPicture", 1, 20, "record stopped before a key picture, file holds no picture."},
};

class Mp4RecorderEmptyTest : public Mp4RecorderTest, public ::testing::WithParamInterface<EmptyRecording> {};

TEST_P(Mp4RecorderEmptyTest, LeavesAMovieWithoutTracksAndLogsWhy) {
    const EmptyRecording& c = GetParam();
    const std::vector<NalUnit> units = test_support::SplitAnnexB(SlicedStream(30));
    ASSERT_EQ(recorder.Start(Path().c_str(), 320, 240), 0);
    // The stream's units in that range without its IDR slices: predicted pictures only, with the
    // parameter sets in front of picture 10 when the range holds them.
    for (size_t i = PictureStart(units, c.fedFrom); i < PictureStart(units, c.fedTo); ++i) {
        if (test_support::NalType(units[i]) != 5) Feed({units[i]});
    }
    recorder.Stop();

    EXPECT_EQ(Logged(c.logged), 1);
    std::ifstream in(Path(), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), "ftyp");
    AVFormatContext* opened = nullptr;
    ASSERT_EQ(avformat_open_input(&opened, Path().c_str(), nullptr, nullptr), 0);
    EXPECT_GE(avformat_find_stream_info(opened, nullptr), 0);
    EXPECT_EQ(opened->nb_streams, 0u);
    avformat_close_input(&opened);
}

INSTANTIATE_TEST_SUITE_P(Recordings, Mp4RecorderEmptyTest, ::testing::ValuesIn(kEmptyRecordings),
                         [](const ::testing::TestParamInfo<EmptyRecording>& c) { return c.param.name; });

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
