#pragma once
// JPEG files of I420 pictures, compressed with libjpeg in raw-data mode: the picture's own Y, Cb and
// Cr planes go to the encoder as they are (4:2:0), at the highest quality. Errors of the library or
// of the file (a full disk, an unwritable folder) are reported, never fatal: the library's default
// error handler would end the process.

#include <cstddef>
#include <cstdint>

// Writes the picture of width by height to the file named in the ANSI code page. The encoder takes
// the rows in groups of 16 luma rows and 8 rows of each chroma plane, so picture must stay readable
// up to the end of the group that holds the last row: laid out for height rows (I420, rows packed)
// but sized as JpegInputSize gives, the bytes past the picture being padding. 0 when the file was
// written; -1 when it could not be opened or written, in which case no file is left behind.
int WriteJpegFile(const char* ansiName, const uint8_t* picture, int width, int height);

// Bytes the picture given to WriteJpegFile must hold.
size_t JpegInputSize(int width, int height);
