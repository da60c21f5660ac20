// SEI units come from the camera's stream; the recorder looks for a recovery point in each. The
// input is one unit, its first byte the NAL header (type 6 is forced, so every input is read).
#include "app/util/sei_recovery_point.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> unit(data, data + size);
    unit[0] = static_cast<uint8_t>((unit[0] & 0xE0) | 6);
    H264RecoveryPoint point;
    const bool found = FindRecoveryPoint(unit.data(), unit.size(), &point);
    if (found && point.recoveryFrameCount > 65535) __builtin_trap();
    if (found != FindRecoveryPoint(unit.data(), unit.size(), nullptr)) __builtin_trap();
    // A unit of another type never holds one.
    unit[0] = static_cast<uint8_t>((unit[0] & 0xE0) | 5);
    if (FindRecoveryPoint(unit.data(), unit.size(), nullptr)) __builtin_trap();
    return 0;
}
