#include "tests/support/annexb_splitter.h"

#include <cstddef>

namespace test_support {

namespace {

// Index of the byte after the next 00 00 01 at or after from, or size when there is none.
size_t FindPayloadAfterStartCode(const std::vector<uint8_t>& s, size_t from) {
    for (size_t i = from; i + 2 < s.size(); ++i) {
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
            return i + 3;
        }
    }
    return s.size();
}

}  // namespace

std::vector<NalUnit> SplitAnnexB(const std::vector<uint8_t>& stream) {
    std::vector<NalUnit> units;
    size_t begin = FindPayloadAfterStartCode(stream, 0);
    while (begin < stream.size()) {
        const size_t next = FindPayloadAfterStartCode(stream, begin);
        size_t end = next == stream.size() ? stream.size() : next - 3;
        while (end > begin && stream[end - 1] == 0) {
            --end;
        }
        if (end > begin) {
            units.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(begin),
                               stream.begin() + static_cast<std::ptrdiff_t>(end));
        }
        begin = next;
    }
    return units;
}

int NalType(const NalUnit& unit) { return unit.empty() ? -1 : unit[0] & 0x1F; }

}  // namespace test_support
