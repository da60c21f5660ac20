#include "tests/support/reference_h264_decode.h"

#include "app/player/ffmpeg_owners.h"

#include <cstring>
#include <stdexcept>

namespace test_support {

std::vector<uint8_t> PackI420(const AVFrame* frame) {
    const int w = frame->width;
    const int h = frame->height;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(w) * h * 3 / 2);
    const int widths[3] = {w, w / 2, w / 2};
    const int rows[3] = {h, h / 2, h / 2};
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < rows[p]; ++y) {
            const uint8_t* row = frame->data[p] + static_cast<ptrdiff_t>(y) * frame->linesize[p];
            out.insert(out.end(), row, row + widths[p]);
        }
    }
    return out;
}

namespace {

void Receive(AVCodecContext* context, AVFrame* frame, ReferenceDecode& result) {
    while (avcodec_receive_frame(context, frame) == 0) {
        result.pictures.push_back(PackI420(frame));
        av_frame_unref(frame);
    }
}

}  // namespace

std::vector<std::vector<uint8_t>> SplitIntoPictures(const std::vector<uint8_t>& stream) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecParserPtr parser(av_parser_init(AV_CODEC_ID_H264));
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!parser || !context) {
        throw std::runtime_error("no H.264 parser");
    }
    std::vector<uint8_t> padded(stream);
    padded.resize(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::vector<std::vector<uint8_t>> pictures;
    const uint8_t* data = padded.data();
    int left = static_cast<int>(stream.size());
    while (true) {
        uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser.get(), context.get(), &out, &outSize, data, left, AV_NOPTS_VALUE,
                                          AV_NOPTS_VALUE, 0);
        if (used > 0) {
            data += used;
            left -= used;
        }
        if (outSize > 0) {
            pictures.emplace_back(out, out + outSize);
        }
        if (left == 0 && outSize == 0) {
            if (data == nullptr) {
                break;
            }
            data = nullptr;  // drain: the parser gives out the last picture
        }
    }
    return pictures;
}

ReferenceDecode DecodeH264Reference(const std::vector<uint8_t>& stream) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame) {
        throw std::runtime_error("cannot allocate the reference decoder");
    }
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        throw std::runtime_error("cannot open the reference decoder");
    }
    ReferenceDecode result;
    for (const std::vector<uint8_t>& picture : SplitIntoPictures(stream)) {
        if (av_new_packet(packet.get(), static_cast<int>(picture.size())) < 0) {
            throw std::runtime_error("cannot allocate a packet");
        }
        std::memcpy(packet->data, picture.data(), picture.size());
        avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        Receive(context.get(), frame.get(), result);
        result.reorderDelay = context->has_b_frames;
    }
    avcodec_send_packet(context.get(), nullptr);
    Receive(context.get(), frame.get(), result);
    return result;
}

}  // namespace test_support
