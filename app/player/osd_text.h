// The text of the on-screen display: one line at the bottom left with the date, time, weekday and
// channel that the record's show flags ask for, and the location centred near the top, in the
// camera's own language and in the ANSI code page (GBK), with the places and the pixel size they
// are drawn at in a picture of a given size.
#pragma once

#include "app/player/osd_record.h"

#include <cstddef>

constexpr size_t kOsdLineSize = 1024;  // at most 1023 bytes and the terminator
constexpr size_t kOsdLocationSize = sizeof(OsdRecord::location);

struct OsdText {
    int size = 0;                  // pixel size of both texts
    char line[kOsdLineSize] = {};  // empty when no item of the line is shown
    int lineX = 0;
    int lineY = 0;
    char location[kOsdLocationSize + 1] = {};  // empty when not shown
    int locationX = 0;
    int locationY = 0;
};

// Text size for a picture of this many shown rows: 52 pixels at 1080 rows, in proportion.
int OsdTextSize(int shownHeight);

// Writes the line of the date, time, weekday and channel items into out (size bytes, terminator
// included; a longer line is cut) and answers its length. A weekday or channel outside 0..6 has no
// name: that item is left out.
size_t FormatOsdLine(const OsdRecord& record, char* out, size_t size);

// The whole display for a picture of width by shownHeight pixels. Formats into *text, which the
// caller keeps on its stack: nothing is allocated.
void LayOutOsd(const OsdRecord& record, int width, int shownHeight, OsdText* text);
