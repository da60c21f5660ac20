// What a screenshot of a page shows: the plug-in's rectangle as the page reported it, and whether
// the loopback camera's test pattern (a white ball on black) is in it.
#pragma once

#include <QImage>

#include <string>

namespace desktop_test {

struct PageRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// "left,top,width,height" as the pages print them; an empty rectangle for anything else.
PageRect pageRect(const std::string& text);

// A white ball on black: most of it dark, and a bright square of a fortieth of its width (the ball
// shrinks with the picture) that the thin strokes of the text drawn over it never make.
bool showsTestPattern(const QImage& page, const PageRect& rect);

// The share of the rectangle's pixels that are black, from 0 to 1.
double darkShare(const QImage& page, const PageRect& rect);

}  // namespace desktop_test
