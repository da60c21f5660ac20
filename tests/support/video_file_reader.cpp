#include "tests/support/video_file_reader.h"

#include "app/player/ffmpeg_mux_owners.h"
#include "app/player/ffmpeg_owners.h"
#include "tests/support/reference_h264_decode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace test_support {

namespace {

struct InputDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;

void TakePictures(AVCodecContext* decoder, AVFrame* frame, DecodedPictures kept, VideoFile& video) {
    while (avcodec_receive_frame(decoder, frame) == 0) {
        if (kept == DecodedPictures::kKept) video.pictures.push_back(PackI420(frame));
        video.picturePts.push_back(frame->pts);
        av_frame_unref(frame);
    }
}

void Describe(const AVStream* stream, VideoFile& video) {
    const AVCodecParameters* codec = stream->codecpar;
    video.codec = avcodec_get_name(codec->codec_id);
    video.width = codec->width;
    video.height = codec->height;
    video.profile = codec->profile;
    video.level = codec->level;
    video.timeScale = stream->time_base.num == 1 ? stream->time_base.den : 0;
    video.duration = stream->duration == AV_NOPTS_VALUE ? 0 : stream->duration;
}

// The sync flags as the file gives them, from the index the reader builds of its samples: the
// packets' key flags also mark every picture libavformat's H.264 parser takes for a key picture
// (one with a recovery point too), whatever the file says.
void TakeSyncFlags(AVStream* stream, VideoFile& video) {
    if (avformat_index_get_entries_count(stream) != static_cast<int>(video.samples.size())) return;
    for (size_t i = 0; i < video.samples.size(); ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, static_cast<int>(i));
        video.samples[i].key = entry != nullptr && (entry->flags & AVINDEX_KEYFRAME) != 0;
    }
}

}  // namespace

VideoFile ReadVideoFile(const std::filesystem::path& file, DecodedPictures kept) {
    VideoFile video;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) return video;
    const InputPtr input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return video;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return video;
    AVStream* stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!codec || !decoder || !packet || !frame || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) {
        return video;
    }
    decoder->thread_count = 1;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return video;
    video.opened = true;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            video.samples.push_back({packet->pts, packet->dts, packet->duration, (packet->flags & AV_PKT_FLAG_KEY) != 0,
                                     static_cast<size_t>(packet->size)});
            if (avcodec_send_packet(decoder.get(), packet.get()) < 0) ++video.decodeErrors;
            TakePictures(decoder.get(), frame.get(), kept, video);
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    TakePictures(decoder.get(), frame.get(), kept, video);
    TakeSyncFlags(stream, video);
    // The track's length is known once every fragment has been read.
    Describe(stream, video);
    return video;
}

// The FFmpeg tool itself: copying the file into another MP4 checks its timing the way every muxer
// does, and decoding it (cropped exactly as the stream says) checks its pictures.
std::string FfmpegErrors(const std::filesystem::path& file) {
    const std::string command = "ffmpeg -nostdin -hide_banner -v error -flags unaligned -i '" + file.string() +
                                "' -map 0:v -c copy -f mp4 -movflags frag_keyframe+empty_moov -y /dev/null -map 0:v "
                                "-f null - 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        if (pclose(pipe) != 0 && output.empty()) output = "ffmpeg failed";
    } else {
        output = "ffmpeg could not be run";
    }
    return output;
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

}  // namespace test_support
