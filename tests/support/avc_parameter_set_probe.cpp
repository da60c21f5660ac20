#include "tests/support/avc_parameter_set_probe.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace test_support {
namespace {

// Where each NAL unit of an avc (length-prefixed) access unit lies: offset and size, length
// prefix included.
struct UnitSpan {
    size_t offset;
    size_t size;
    int type;
};

// The units of an access unit whose length prefixes are lengthSize bytes; empty when the bytes do
// not split into whole units.
std::vector<UnitSpan> SplitAvcUnits(const guint8* data, size_t size, int lengthSize) {
    std::vector<UnitSpan> units;
    const size_t prefix = static_cast<size_t>(lengthSize);
    for (size_t at = 0; at < size;) {
        if (size - at <= prefix) {
            return {};
        }
        size_t length = 0;
        for (size_t i = 0; i < prefix; ++i) {
            length = (length << 8) | data[at + i];
        }
        if (length == 0 || length > size - at - prefix) {
            return {};
        }
        units.push_back({at, prefix + length, data[at + prefix] & 0x1F});
        at += prefix + length;
    }
    return units;
}

// Bytes in each NAL unit length of the avc stream on the pad (from its codec data), or 0.
int NalLengthSize(GstPad* pad) {
    std::unique_ptr<GstCaps, decltype(&gst_caps_unref)> caps(gst_pad_get_current_caps(pad), &gst_caps_unref);
    if (caps == nullptr || gst_caps_get_size(caps.get()) == 0) {
        return 0;
    }
    const GValue* codecData = gst_structure_get_value(gst_caps_get_structure(caps.get(), 0), "codec_data");
    guint8 lengthSizeMinusOne = 0;
    if (codecData == nullptr || !GST_VALUE_HOLDS_BUFFER(codecData) ||
        gst_buffer_extract(gst_value_get_buffer(codecData), 4, &lengthSizeMinusOne, 1) != 1) {
        return 0;
    }
    return (lengthSizeMinusOne & 3) + 1;
}

}  // namespace

GstPadProbeReturn DropAvcParameterSets(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const int lengthSize = NalLengthSize(pad);
    GstMapInfo map;
    if (lengthSize == 0 || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_PAD_PROBE_OK;
    }
    const std::vector<UnitSpan> units = SplitAvcUnits(map.data, map.size, lengthSize);
    gst_buffer_unmap(buffer, &map);
    auto isParameterSet = [](const UnitSpan& unit) { return unit.type == 7 || unit.type == 8; };
    if (std::none_of(units.begin(), units.end(), isParameterSet)) {
        return GST_PAD_PROBE_OK;
    }
    if (std::all_of(units.begin(), units.end(), isParameterSet)) {
        return GST_PAD_PROBE_DROP;
    }
    // The units kept share the memory of the buffer they came in.
    GstBuffer* kept = gst_buffer_new();
    gst_buffer_copy_into(kept, buffer, GST_BUFFER_COPY_METADATA, 0, static_cast<gsize>(-1));
    for (const UnitSpan& unit : units) {
        if (!isParameterSet(unit)) {
            gst_buffer_copy_into(kept, buffer, GST_BUFFER_COPY_MEMORY, unit.offset, unit.size);
        }
    }
    gst_buffer_unref(buffer);
    GST_PAD_PROBE_INFO_DATA(info) = kept;
    return GST_PAD_PROBE_OK;
}

}  // namespace test_support
