#pragma once
// Writes H.264 syntax bit by bit (fixed-width fields, Exp-Golomb codes) into a NAL unit with the
// emulation-prevention bytes an encoder adds: parameter sets and slice headers of shapes no encoder
// on the machine makes (field pictures, memory management operations) for tests to read.

#include <bit>
#include <cstdint>
#include <vector>

namespace test_support {

class H264BitWriter {
public:
    // Begins a NAL unit with its header byte.
    explicit H264BitWriter(uint8_t header) { Bits(header, 8); }

    H264BitWriter& Bits(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) bits_.push_back((value >> i) & 1);
        return *this;
    }
    H264BitWriter& Flag(bool on) { return Bits(on ? 1 : 0, 1); }
    H264BitWriter& Ue(uint64_t value) {
        const int length = std::bit_width(value + 1) - 1;
        return Bits(0, length).Bits(value + 1, length + 1);
    }
    H264BitWriter& Se(int64_t value) {
        return Ue(value > 0 ? 2 * static_cast<uint64_t>(value) - 1 : 2 * static_cast<uint64_t>(-value));
    }

    // The unit: the stop bit, zero bits to the byte's end, then extra bytes (slice data, say), with
    // 00 00 0x escaped.
    std::vector<uint8_t> Finish(const std::vector<uint8_t>& extra = {}) {
        std::vector<int> bits = bits_;
        bits.push_back(1);
        while (bits.size() % 8 != 0) bits.push_back(0);
        std::vector<uint8_t> payload;
        for (size_t i = 0; i < bits.size(); i += 8) {
            uint8_t byte = 0;
            for (size_t j = i; j < i + 8; ++j) byte = static_cast<uint8_t>(byte << 1 | bits[j]);
            payload.push_back(byte);
        }
        payload.insert(payload.end(), extra.begin(), extra.end());
        std::vector<uint8_t> out;
        int zeros = 0;
        for (size_t i = 0; i < payload.size(); ++i) {
            if (i > 0 && zeros >= 2 && payload[i] <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(payload[i]);
            zeros = payload[i] == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    std::vector<int> bits_;
};

}  // namespace test_support
