#pragma once
// Takes the parameter sets out of an H.264 stream in avc form (length-prefixed units, the sets in
// the caps' codec data), for a camera that sends them only in its session description. Encoders
// repeat them before every key frame even in this form.

#include <gst/gst.h>

namespace test_support {

// A buffer probe for a pad that carries avc access units: removes every SPS and PPS unit (types 7
// and 8) and drops a buffer that held nothing else. Leaves a buffer it cannot split unchanged.
GstPadProbeReturn DropAvcParameterSets(GstPad* pad, GstPadProbeInfo* info, gpointer unused);

}  // namespace test_support
