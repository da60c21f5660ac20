#include "app/util/sei_recovery_point.h"

#include "app/util/sps_bit_reader.h"

#include <algorithm>

namespace {

constexpr int kSeiNalType = 6;
constexpr uint32_t kRecoveryPointPayload = 6;
// Encoders write a handful of messages a unit; a longer run of tiny ones is not worth reading.
constexpr int kMaxMessages = 64;
constexpr size_t kMaxUnitBytes = 1 << 20;
// recovery_frame_cnt is below MaxFrameNum, at most 2^16.
constexpr uint32_t kMaxRecoveryFrameCount = (1u << 16) - 1;

// payloadType and payloadSize: a run of 0xFF bytes, each adding 255, then the last byte. The run
// stops at the unit's end, so the value stays far below overflow.
uint32_t ReadSeiValue(SpsBitReader& reader) {
    uint32_t value = 0;
    uint32_t byte = ReadBits(reader, 8);
    while (byte == 0xFF && !reader.exhausted) {
        value += 255;
        byte = ReadBits(reader, 8);
    }
    return value + byte;
}

// The message must lie within its payload. Its bytes are counted as they stand in the unit: a
// message whose recovery_frame_cnt is in range has no two zero bytes in a row, so no
// emulation-prevention byte, and at most five bytes.
bool ReadRecoveryPoint(SpsBitReader& reader, uint32_t payloadSize, H264RecoveryPoint* point) {
    const uint8_t* payloadStart = reader.current;
    H264RecoveryPoint read;
    read.recoveryFrameCount = ReadUe(reader);
    read.exactMatch = ReadBits(reader, 1) != 0;
    read.brokenLink = ReadBits(reader, 1) != 0;
    ReadBits(reader, 2);  // changing_slice_group_idc
    const uint32_t used = static_cast<uint32_t>(reader.current - payloadStart) + (reader.bitsLeft < 8 ? 1 : 0);
    if (reader.exhausted || used > payloadSize || read.recoveryFrameCount > kMaxRecoveryFrameCount) return false;
    if (point != nullptr) *point = read;
    return true;
}

bool SkipBytes(SpsBitReader& reader, uint32_t count) {
    for (uint32_t i = 0; i < count && !reader.exhausted; ++i) ReadBits(reader, 8);
    return !reader.exhausted;
}

}  // namespace

// sei_rbsp(): messages while more than the trailing bits (a last byte of 0x80) are left.
bool FindRecoveryPoint(const uint8_t* unit, size_t length, H264RecoveryPoint* point) {
    if (unit == nullptr || length < 2 || (unit[0] & 0x1F) != kSeiNalType) return false;
    // Read no further than a bound far beyond any SEI unit a camera sends.
    SpsBitReader reader = MakeSpsBitReader(unit, static_cast<int>(std::min<size_t>(length, kMaxUnitBytes)));
    ReadBits(reader, 8);  // the NAL header
    for (int message = 0; message < kMaxMessages && reader.end - reader.current >= 2; ++message) {
        const uint32_t payloadType = ReadSeiValue(reader);
        const uint32_t payloadSize = ReadSeiValue(reader);
        if (reader.exhausted) return false;
        if (payloadType == kRecoveryPointPayload) return ReadRecoveryPoint(reader, payloadSize, point);
        if (!SkipBytes(reader, payloadSize)) return false;
    }
    return false;
}
