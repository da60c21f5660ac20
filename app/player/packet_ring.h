#pragma once
// The decoder's waiting packets, oldest first, in a ring of fixed size: queueing and taking a
// packet never allocate, so the frame path costs no list node per NAL unit. The ring owns what it
// holds; a push onto a full ring hands back the oldest packet to make room.

#include "app/player/data_buffer.h"

#include <array>
#include <cstddef>
#include <utility>

template <size_t Capacity>
class PacketRing {
    static_assert(Capacity > 0, "a ring holds at least one packet");

public:
    // Appends the packet. On a full ring the oldest packet is removed first and returned, for the
    // caller to release where it likes (outside its lock); otherwise the result is empty.
    OwnedDataBuffer Push(OwnedDataBuffer packet) {
        OwnedDataBuffer dropped;
        if (count_ == Capacity) dropped = Pop();
        slots_[(head_ + count_) % Capacity] = std::move(packet);
        ++count_;
        return dropped;
    }

    // Removes and returns the oldest packet; empty when none waits.
    OwnedDataBuffer Pop() {
        if (count_ == 0) return nullptr;
        OwnedDataBuffer oldest = std::move(slots_[head_]);
        head_ = (head_ + 1) % Capacity;
        --count_;
        return oldest;
    }

    // Exchanges the contents of two rings, e.g. to release a whole queue outside its lock.
    void Swap(PacketRing& other) {
        slots_.swap(other.slots_);
        std::swap(head_, other.head_);
        std::swap(count_, other.count_);
    }

    bool Empty() const { return count_ == 0; }
    size_t Size() const { return count_; }

private:
    std::array<OwnedDataBuffer, Capacity> slots_;
    size_t head_ = 0;  // slot of the oldest packet
    size_t count_ = 0;
};
