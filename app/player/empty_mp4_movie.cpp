#include "app/player/empty_mp4_movie.h"

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace {

constexpr uint32_t kMovieTimeScale = 90000;
constexpr uint32_t kFixedOne = 0x00010000;   // 16.16
constexpr uint32_t kMatrixOne = 0x40000000;  // 2.30
constexpr uint16_t kFullVolume = 0x0100;     // 8.8

class BoxWriter {
public:
    void Word(uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
    }
    void Half(uint16_t value) {
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
        bytes_.push_back(static_cast<uint8_t>(value));
    }
    void Type(const char (&type)[5]) { bytes_.insert(bytes_.end(), type, type + 4); }
    void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // Opens a box whose size is filled in by End.
    size_t Begin(const char (&type)[5]) {
        const size_t at = bytes_.size();
        Word(0);
        Type(type);
        return at;
    }
    void End(size_t at) {
        const uint32_t size = static_cast<uint32_t>(bytes_.size() - at);
        for (int i = 0; i < 4; ++i) bytes_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

void FileType(BoxWriter& out) {
    const size_t box = out.Begin("ftyp");
    out.Type("isom");
    out.Word(0x200);  // minor version
    out.Type("isom");
    out.Type("iso2");
    out.Type("mp41");
    out.End(box);
}

// mvhd, version 0: no times of creation, nothing playing, the identity matrix, track ids from 1.
void MovieHeader(BoxWriter& out) {
    const size_t box = out.Begin("mvhd");
    out.Word(0);  // version and flags
    out.Word(0);  // creation time
    out.Word(0);  // modification time
    out.Word(kMovieTimeScale);
    out.Word(0);  // duration
    out.Word(kFixedOne);
    out.Half(kFullVolume);
    out.Zeros(2 + 8);  // reserved
    for (uint32_t value : {kFixedOne, 0u, 0u, 0u, kFixedOne, 0u, 0u, 0u, kMatrixOne}) out.Word(value);
    out.Zeros(24);  // pre_defined
    out.Word(1);    // next_track_ID
    out.End(box);
}

}  // namespace

std::vector<uint8_t> EmptyMp4Movie() {
    BoxWriter out;
    FileType(out);
    const size_t movie = out.Begin("moov");
    MovieHeader(out);
    out.End(movie);
    return std::move(out.bytes());
}
