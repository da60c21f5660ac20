#include "app/player/mp4_file_writer.h"

#include "app/player/empty_mp4_movie.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <cstring>

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// An empty movie header first, then the fragments this writer cuts itself (one per picture), each
// carrying its own base offset (what every player expects of a fragmented file).
constexpr char kMovieFlags[] = "frag_custom+empty_moov+default_base_moof";
constexpr char kTrackTimeScale[] = "90000";
constexpr uint8_t kLengthSizeMinusOne = 3;  // samples carry 4-byte lengths
constexpr size_t kLongestParameterSet = 0xFFFF;

void PutLength16(std::vector<uint8_t>& out, size_t length) {
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
}

// The track's decoder configuration (an AVC configuration record): version 1, profile,
// compatibility and level as the SPS gives them, 4-byte sample lengths, one SPS and one PPS.
std::vector<uint8_t> AvcDecoderConfiguration(const std::vector<uint8_t>& sps, const std::vector<uint8_t>& pps) {
    std::vector<uint8_t> record = {1, sps[1], sps[2], sps[3], static_cast<uint8_t>(0xFC | kLengthSizeMinusOne), 0xE1};
    PutLength16(record, sps.size());
    record.insert(record.end(), sps.begin(), sps.end());
    record.push_back(1);
    PutLength16(record, pps.size());
    record.insert(record.end(), pps.begin(), pps.end());
    return record;
}

bool SetExtradata(AVCodecParameters* codec, const std::vector<uint8_t>& bytes) {
    codec->extradata = static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (codec->extradata == nullptr) return false;
    std::memcpy(codec->extradata, bytes.data(), bytes.size());
    codec->extradata_size = static_cast<int>(bytes.size());
    return true;
}

struct DictionaryOwner {
    ~DictionaryOwner() { av_dict_free(&entries); }
    AVDictionary* entries = nullptr;
};

}  // namespace

int Mp4FileWriter::WriteToFile(void* opaque, uint8_t* data, int size) {
    FILE* file = static_cast<FILE*>(opaque);
    if (std::fwrite(data, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) return AVERROR(EIO);
    if (std::fflush(file) != 0) return AVERROR(EIO);
    return size;
}

bool Mp4FileWriter::Create(const char* ansiName) {
    Close();
    FileOwner file = OpenAnsiFile(ansiName, "wb");
    if (!file) return false;
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "mp4", nullptr) < 0) return false;
    format_.reset(format);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr) return false;
    io_.reset(avio_alloc_context(buffer, kIoBufferSize, 1, file.get(), nullptr, &Mp4FileWriter::WriteToFile, nullptr));
    packet_.reset(av_packet_alloc());
    if (!io_ || !packet_) {
        if (!io_) av_free(buffer);
        Close();
        return false;
    }
    format_->pb = io_.get();
    format_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    file_ = std::move(file);
    samples_ = 0;
    return true;
}

bool Mp4FileWriter::AddVideoTrack(int width, int height, const std::vector<uint8_t>& sps,
                                  const std::vector<uint8_t>& pps) {
    if (!format_ || headerWritten_ || sps.size() < 4 || pps.empty() || sps.size() > kLongestParameterSet ||
        pps.size() > kLongestParameterSet) {
        return false;
    }
    stream_ = avformat_new_stream(format_.get(), nullptr);
    if (stream_ == nullptr) return false;
    AVCodecParameters* codec = stream_->codecpar;
    codec->codec_type = AVMEDIA_TYPE_VIDEO;
    codec->codec_id = AV_CODEC_ID_H264;
    codec->width = static_cast<uint16_t>(width);
    codec->height = static_cast<uint16_t>(height);
    codec->profile = sps[1];
    codec->level = sps[3];
    if (!SetExtradata(codec, AvcDecoderConfiguration(sps, pps))) return false;
    stream_->time_base = AVRational{1, kTimeScale};
    DictionaryOwner options;
    av_dict_set(&options.entries, "movflags", kMovieFlags, 0);
    av_dict_set(&options.entries, "video_track_timescale", kTrackTimeScale, 0);
    if (avformat_write_header(format_.get(), &options.entries) < 0 || format_->pb->error < 0) return false;
    headerWritten_ = true;
    return true;
}

int Mp4FileWriter::WriteSample(const uint8_t* data, size_t size, bool sync, int64_t dts, int64_t pts,
                               int64_t duration) {
    if (!headerWritten_) return AVERROR(EINVAL);
    AVPacket* packet = packet_.get();
    av_packet_unref(packet);
    // The muxer copies what it keeps: the packet may point at the caller's bytes.
    packet->data = const_cast<uint8_t*>(data);
    packet->size = static_cast<int>(size);
    packet->stream_index = stream_->index;
    // The muxer's time base may differ from the track's.
    packet->pts = av_rescale_q(pts, AVRational{1, kTimeScale}, stream_->time_base);
    packet->dts = av_rescale_q(dts, AVRational{1, kTimeScale}, stream_->time_base);
    packet->duration = av_rescale_q(duration, AVRational{1, kTimeScale}, stream_->time_base);
    packet->flags = sync ? AV_PKT_FLAG_KEY : 0;
    int result = av_write_frame(format_.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    // Each picture is a fragment of its own, in the file as soon as it is written: a killed process
    // loses at most the picture it was writing.
    if (result >= 0) result = av_write_frame(format_.get(), nullptr);
    if (result >= 0 && format_->pb->error < 0) result = format_->pb->error;
    if (result < 0) return result;
    ++samples_;
    return 0;
}

// A file whose track was never added holds a movie without tracks: it opens, with nothing to play.
int Mp4FileWriter::Finish() {
    if (!file_) return -1;
    bool written = true;
    if (headerWritten_) {
        written = av_write_trailer(format_.get()) >= 0 && format_->pb->error >= 0;
    } else {
        const std::vector<uint8_t> movie = EmptyMp4Movie();
        written = std::fwrite(movie.data(), 1, movie.size(), file_.get()) == movie.size();
    }
    format_.reset();
    io_.reset();
    written = std::fclose(file_.release()) == 0 && written;
    Close();
    return written ? 0 : -1;
}

void Mp4FileWriter::Close() {
    format_.reset();
    io_.reset();
    packet_.reset();
    file_.reset();
    stream_ = nullptr;
    headerWritten_ = false;
}
