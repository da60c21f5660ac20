// Draws the on-screen display of a record into an I420 picture, white, with the view's text
// renderer. Runs once per picture on the decode thread: the text is laid out on the stack, and each
// of its two texts is drawn from the samples it wrote into the picture before, until it changes.
#pragma once

#include "app/player/osd_record.h"
#include "app/render/cached_text.h"
#include "app/render/text_renderer.h"

#include <cstdint>

// The display's line and location as drawn last; one per view.
struct OsdTextCache {
    CachedText line;
    CachedText location;
};

// Nothing without a picture or with a zero width or shown height; an empty line or location draws
// nothing.
void DrawOsdIntoPicture(TextRenderer& renderer, OsdTextCache& cache, uint8_t* picture, int width, int shownHeight,
                        const OsdRecord& record);
