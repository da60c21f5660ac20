#include "tools/loopback_camera/movie_file.h"

#include "platform/livevideo/ffmpeg_owners.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cstring>

std::string WhyMovieCannotBeServed(const std::filesystem::path& file) {
    const std::string name = file.string();
    AVFormatContext* opened = nullptr;
    const int error = avformat_open_input(&opened, name.c_str(), nullptr, nullptr);
    if (error < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(error, reason, sizeof reason);
        return name + ": cannot be read as a movie (" + reason + ")";
    }
    const livevideo::FormatContextPtr format(opened);
    // The server demuxes with the MP4 (QuickTime) demuxer, which libavformat names "mov,mp4,...".
    if (std::strstr(format->iformat->name, "mp4") == nullptr) {
        return name + ": not an MP4 file (" + format->iformat->name + ")";
    }
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return name + ": its tracks cannot be read";
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* track = format->streams[i]->codecpar;
        if (track->codec_type == AVMEDIA_TYPE_VIDEO && track->codec_id == AV_CODEC_ID_H264) return {};
    }
    return name + ": has no H.264 video track";
}
