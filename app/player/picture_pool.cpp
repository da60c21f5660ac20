#include "app/player/picture_pool.h"

#include <algorithm>

PicturePool::~PicturePool() {
    for (DataBuffer* picture : idle_) ReleaseDataBuffer(picture);
}

DataBuffer* PicturePool::Take(int32_t length) {
    std::vector<DataBuffer*> freed;  // freed after the lock is given back
    DataBuffer* picture = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (length != length_) {
            freed.swap(idle_);
            idle_.reserve(kMaxIdle);
            length_ = length;
            takes_ = 0;
        }
        if (!idle_.empty()) {
            picture = idle_.back();
            idle_.pop_back();
        }
        TrimUnneeded(freed);
    }
    for (DataBuffer* stale : freed) ReleaseDataBuffer(stale);
    return picture != nullptr ? picture : AllocDataBuffer(length);
}

// Under the lock, after a take: buffers that no take of the last kTrimAfterTakes needed go.
void PicturePool::TrimUnneeded(std::vector<DataBuffer*>& freed) {
    fewestIdle_ = takes_ == 0 ? idle_.size() : std::min(fewestIdle_, idle_.size());
    if (++takes_ < kTrimAfterTakes) return;
    // The ones given back longest ago, whose memory has gone coldest.
    const auto unneeded = idle_.begin() + static_cast<ptrdiff_t>(fewestIdle_);
    freed.insert(freed.end(), idle_.begin(), unneeded);
    idle_.erase(idle_.begin(), unneeded);
    takes_ = 0;
}

void PicturePool::Give(DataBuffer* picture) {
    if (picture == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (picture->length == length_ && idle_.size() < kMaxIdle) {
            idle_.push_back(picture);
            return;
        }
    }
    ReleaseDataBuffer(picture);
}

size_t PicturePool::idle() {
    std::lock_guard<std::mutex> hold(lock_);
    return idle_.size();
}
