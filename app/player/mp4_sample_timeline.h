#pragma once
// Gives each picture of a recording, taken in decoding order, its times in the file: a decoding
// time that only grows, and a presentation time that puts the pictures in the order the stream
// shows them (the picture order count) at the stream's own pace, never before the decoding time.
//
// Pictures are shown the way a decoder's output works: once more than the stream's reorder depth
// R of pictures wait, the one first in order is shown next; a picture that begins the order anew
// (IDR, or a reset of the reference marking) first shows every picture before it. The picture
// shown n-th gets presentation time P(n), and the picture decoded k-th gets decoding time P(k - R):
// a stream that keeps to its reorder depth never shows a picture before its decoding time, and one
// that does not has its pictures shown late rather than refused.
//
// P advances by one frame: the SPS's frame duration when it gives a fixed rate, else the distance
// of the pictures' RTP times, else the last step (3600, 25 a second, before any). A picture is
// handed out once its times and the next picture's decoding time are known (its duration), at most
// a few pictures after it came.
//
// Not thread-safe; the owner serialises every call. Holding and handing out pictures costs no
// allocation once each held buffer has grown to the pictures' size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class Mp4SampleTimeline {
public:
    static constexpr int64_t kDefaultFrameDuration = 3600;

    // What the stream says of its timing at the start of a recording.
    struct StreamTiming {
        int reorderDepth = 0;                  // clamped to the deepest H.264 allows
        std::optional<int64_t> frameDuration;  // from the SPS, in the file's ticks (90 kHz)
        bool frameDurationFixed = false;       // the SPS says every frame lasts that long
    };

    // One picture in decoding order.
    struct Picture {
        bool key = false;
        bool restartsOrder = false;       // every earlier picture is shown before it
        int64_t order = 0;                // its picture order count
        std::optional<uint32_t> rtpTime;  // 90 kHz, wrapping
    };

    struct Sample {
        const uint8_t* data = nullptr;
        size_t size = 0;
        bool key = false;
        int64_t dts = 0;
        int64_t pts = 0;
        int64_t duration = 0;
    };

    // A new recording: forgets every picture held.
    void Begin(const StreamTiming& timing);
    // Takes the picture's sample bytes by swapping them with bytes, which receives a buffer to
    // fill with the next picture (with the capacity of one handed out before).
    void Add(std::vector<uint8_t>& bytes, const Picture& picture);
    // No picture follows: every picture held becomes ready.
    void Finish();
    // The next picture to write, in decoding order, once it is ready; null otherwise. It stays
    // valid until Pop or Add.
    const Sample* Ready();
    // The ready picture was written.
    void Pop();
    size_t held() const { return count_; }

private:
    static constexpr size_t kCapacity = 20;   // the deepest reordering and a few more
    static constexpr size_t kSlotTimes = 64;  // presentation times kept for later decoding times

    struct Entry {
        std::vector<uint8_t> bytes;
        Picture picture;
        bool shown = false;
        int64_t pts = 0;
    };

    Entry& At(size_t index) { return entries_[(first_ + index) % kCapacity]; }
    void ShowNext();
    void Show(Entry& entry);
    void ShowAll();
    int64_t StepFrom(const Entry& entry);
    std::optional<int64_t> DecodingTime(int64_t decodeIndex) const;

    StreamTiming timing_;
    int reorderDepth_ = 0;
    std::array<Entry, kCapacity> entries_;
    size_t first_ = 0;  // ring position of the oldest picture held
    size_t count_ = 0;
    int64_t firstIndex_ = 0;  // decoding index of the oldest picture held
    int64_t shownCount_ = 0;
    std::array<int64_t, kSlotTimes> slotTimes_{};  // P(n) by n modulo kSlotTimes
    int64_t lastShownPts_ = 0;
    std::optional<uint32_t> lastShownRtp_;
    int64_t step_ = kDefaultFrameDuration;
    int64_t firstStep_ = kDefaultFrameDuration;
    bool finishing_ = false;
    Sample ready_;
};
