// Draws the on-screen display of a record into an I420 picture, white, with the view's text
// renderer. Runs once per picture on the decode thread: the text is laid out on the stack.
#pragma once

#include "app/player/osd_record.h"
#include "app/render/text_renderer.h"

#include <cstdint>

// Nothing without a picture or with a zero width or shown height; an empty line or location draws
// nothing.
void DrawOsdIntoPicture(TextRenderer& renderer, uint8_t* picture, int width, int shownHeight, const OsdRecord& record);
