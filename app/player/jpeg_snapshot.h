#pragma once
// JPEG files of I420 pictures, compressed with libjpeg in raw-data mode: the picture's own Y, Cb and
// Cr planes go to the encoder (4:2:0), at the highest quality, in the full range a JPEG file holds.
// Errors of the library or of the file (a full disk, an unwritable folder) are reported, never
// fatal: the library's default error handler would end the process.

#include "app/render/sample_range.h"

#include <cstdint>

// Writes the picture of width by height (I420 as the frame path lays it out: W x H luma, U from
// W x H, V from W x H x 5 / 4, rows packed) to the file named in the ANSI code page. Full-range samples are written as they are, studio-range samples stretched to full range.
// The encoder takes whole blocks: past the picture's last row and column it repeats them. 0 when
// the file was written; -1 when it could not be opened or written, in which case no file is left
// behind.
int WriteJpegFile(const char* ansiName, const uint8_t* picture, int width, int height, SampleRange range);
