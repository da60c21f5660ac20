#include "app/player/data_buffer.h"

#include <new>

DataBuffer* AllocDataBuffer(int32_t length) {
    if (length < 0) {
        return nullptr;
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
    if (buffer == nullptr) {
        return;
    }
    delete[] buffer->data;
    delete buffer;
}
