// The region JSON: the text a view sends the page for a rectangle dragged on the picture,
// {"bottom", "channelno", "left", "right", "top"} written by the JSON library's styled writer, the
// four sides in picture pixels.
#pragma once

#include <string>

std::string RegionJsonText(int channel, float left, float right, float top, float bottom);
