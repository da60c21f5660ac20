#include "app/player/data_buffer.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Decoded pictures are megabytes each and come and go at the stream's rate. Memory of that size
// is mapped afresh for each allocation and faulted in page by page, which costs a picture as much
// as decoding it; so the records of the last few such pictures are kept for the next ones.
class PictureRecycler {
public:
    // A kept record of exactly this length, or null.
    DataBuffer* Take(int32_t length) {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = std::find_if(kept_.begin(), kept_.end(), [length](DataBuffer* b) { return b->length == length; });
        if (found == kept_.end()) return nullptr;
        DataBuffer* buffer = *found;
        kept_.erase(found);
        return buffer;
    }
    // Keeps a picture-sized record; the oldest kept one makes room. False for smaller records.
    bool Keep(DataBuffer* buffer) {
        if (buffer->length < kPictureSized) return false;
        DataBuffer* evicted = nullptr;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (kept_.size() == kMaxKept) {
                evicted = kept_.front();
                kept_.erase(kept_.begin());
            }
            kept_.push_back(buffer);
        }
        Free(evicted);
        return true;
    }
    static void Free(DataBuffer* buffer) {
        if (buffer == nullptr) return;
        delete[] buffer->data;
        delete buffer;
    }

private:
    static constexpr int32_t kPictureSized = 256 * 1024;
    static constexpr size_t kMaxKept = 3;
    std::mutex lock_;
    std::vector<DataBuffer*> kept_;
};

// Never destroyed: records may be released while the process ends.
PictureRecycler& Recycler() {
    static PictureRecycler* recycler = new PictureRecycler;
    return *recycler;
}

}  // namespace

DataBuffer* AllocDataBuffer(int32_t length) {
    if (length < 0) {
        return nullptr;
    }
    if (DataBuffer* kept = Recycler().Take(length)) {
        return kept;
    }
    OwnedDataBuffer buffer(new (std::nothrow) DataBuffer);
    if (!buffer) {
        return nullptr;
    }
    buffer->data = new (std::nothrow) uint8_t[length > 0 ? length : 1];
    if (buffer->data == nullptr) {
        return nullptr;
    }
    buffer->length = length;
    return buffer.release();
}

void ReleaseDataBuffer(DataBuffer* buffer) {
    if (buffer == nullptr || Recycler().Keep(buffer)) {
        return;
    }
    PictureRecycler::Free(buffer);
}
