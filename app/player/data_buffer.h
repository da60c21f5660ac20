#pragma once
// The record in which compressed NAL units travel from the RTSP intake to the decoder and decoded
// I420 pictures travel from the decoder to the render queue. Whoever holds a record owns it and
// releases it with ReleaseDataBuffer (bytes first, then the record), or holds it in an
// OwnedDataBuffer, which does so when it goes.

#include <cstdint>
#include <memory>

struct DataBuffer {
    uint8_t* data = nullptr;  // heap bytes owned by the record (allocated with new[])
    int32_t length = 0;
};

// A record with room for length bytes (contents unset), or null when length is negative or the
// memory cannot be had.
DataBuffer* AllocDataBuffer(int32_t length);

// Frees the bytes, then the record. Null is ignored.
void ReleaseDataBuffer(DataBuffer* buffer);

struct DataBufferReleaser {
    void operator()(DataBuffer* buffer) const { ReleaseDataBuffer(buffer); }
};

using OwnedDataBuffer = std::unique_ptr<DataBuffer, DataBufferReleaser>;
