#pragma once
// The picture buffers of one camera view, used again from picture to picture. A decoded picture
// passes from the decoder to the render queue, the render thread, the kept copy of a pause or a
// black picture of the window, on any of the view's threads; whoever is done with one gives it back
// here, and the next picture is decoded into it instead of into memory mapped and faulted in
// afresh. The pool keeps a few idle buffers at most, all of the length asked for last, so a size
// change after a restart frees the old ones rather than handing them out; and it frees the idle
// ones the stream has not needed for a while. Its records are ordinary DataBuffers: one released
// with ReleaseDataBuffer instead is merely not used again.

#include "app/player/data_buffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class PicturePool {
public:
    // Idle buffers kept at most: a few pictures coming back at once (a render thread catching up)
    // go out again; a burst beyond that (a stalled render thread trimming its queue) is freed.
    static constexpr size_t kMaxIdle = 4;
    // At the stream's pace a picture comes back for each one that goes out, so idle buffers left
    // over from a burst would stay idle for good: the ones that stayed idle through this many
    // takes in a row (a second of pictures at 25 a second) are freed.
    static constexpr int kTrimAfterTakes = 25;

    PicturePool() = default;
    ~PicturePool();  // frees the idle buffers; pictures still out are their holders' to release
    PicturePool(const PicturePool&) = delete;
    PicturePool& operator=(const PicturePool&) = delete;

    // A record of exactly length bytes (contents unset): an idle one when there is one, else a new
    // one; null when length is negative or memory cannot be had. Any thread.
    DataBuffer* Take(int32_t length);

    // Takes a picture back from whichever holder is done with it, on any thread. It waits for the
    // next Take when it has the length asked for last and the pool has room; otherwise it is freed.
    // Null is ignored.
    void Give(DataBuffer* picture);

    size_t idle();

private:
    void TrimUnneeded(std::vector<DataBuffer*>& freed);

    std::mutex lock_;
    int32_t length_ = -1;            // the length taken last
    std::vector<DataBuffer*> idle_;  // each of length_ bytes
    int takes_ = 0;                  // since the last trim
    size_t fewestIdle_ = 0;          // since the last trim, counted after each take
};

// Gives its picture back to the pool when it goes.
struct PictureReturner {
    PicturePool* pool = nullptr;
    void operator()(DataBuffer* picture) const { pool->Give(picture); }
};
using PooledPicture = std::unique_ptr<DataBuffer, PictureReturner>;

inline PooledPicture TakePooled(PicturePool& pool, int32_t length) {
    return PooledPicture(pool.Take(length), PictureReturner{&pool});
}
