#include "tests/desktop/page_pixels.h"

#include <cstdio>

namespace desktop_test {

namespace {

struct Counts {
    long bright = 0;
    long dark = 0;
    long all = 0;
};

Counts countIn(const QImage& page, const PageRect& rect) {
    Counts counts;
    for (int y = rect.top; y < rect.top + rect.height && y < page.height(); ++y) {
        for (int x = rect.left; x < rect.left + rect.width && x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            counts.bright += qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200;
            counts.dark += qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40;
            counts.all += 1;
        }
    }
    return counts;
}

}  // namespace

PageRect pageRect(const std::string& text) {
    PageRect rect;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &rect.left, &rect.top, &rect.width, &rect.height) != 4) return {};
    return rect;
}

bool showsTestPattern(const QImage& page, const PageRect& rect) {
    const Counts counts = countIn(page, rect);
    return counts.all > 0 && counts.bright > counts.all / 1000 && counts.dark > counts.all / 2;
}

double darkShare(const QImage& page, const PageRect& rect) {
    const Counts counts = countIn(page, rect);
    return counts.all == 0 ? 0.0 : static_cast<double>(counts.dark) / static_cast<double>(counts.all);
}

}  // namespace desktop_test
