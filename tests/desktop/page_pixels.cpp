#include "tests/desktop/page_pixels.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace desktop_test {

namespace {

struct Counts {
    long bright = 0;
    long dark = 0;
    long all = 0;
};

bool isBright(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200; }

Counts countIn(const QImage& page, const PageRect& rect) {
    Counts counts;
    for (int y = rect.top; y < rect.top + rect.height && y < page.height(); ++y) {
        for (int x = rect.left; x < rect.left + rect.width && x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            counts.bright += isBright(pixel);
            counts.dark += qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40;
            counts.all += 1;
        }
    }
    return counts;
}

// Whether a bright square of the given side lies in the rectangle: the ball, not the thin strokes
// of the text drawn over the picture.
bool hasBrightSquare(const QImage& page, const PageRect& rect, int side) {
    const int right = std::min(rect.left + rect.width, page.width());
    const int bottom = std::min(rect.top + rect.height, page.height());
    if (side <= 0 || right <= rect.left) return false;
    // rows[x]: consecutive rows, up to this one, with at least side bright pixels in a row ending at x.
    std::vector<int> rows(static_cast<size_t>(right - rect.left), 0);
    for (int y = std::max(rect.top, 0); y < bottom; ++y) {
        int run = 0;
        for (int x = std::max(rect.left, 0); x < right; ++x) {
            run = isBright(page.pixel(x, y)) ? run + 1 : 0;
            const size_t at = static_cast<size_t>(x - rect.left);
            rows[at] = run >= side ? rows[at] + 1 : 0;
            if (rows[at] >= side) return true;
        }
    }
    return false;
}

}  // namespace

PageRect pageRect(const std::string& text) {
    PageRect rect;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &rect.left, &rect.top, &rect.width, &rect.height) != 4) return {};
    return rect;
}

bool showsTestPattern(const QImage& page, const PageRect& rect) {
    const Counts counts = countIn(page, rect);
    return counts.all > 0 && counts.dark > counts.all / 2 && hasBrightSquare(page, rect, rect.width / 40);
}

double darkShare(const QImage& page, const PageRect& rect) {
    const Counts counts = countIn(page, rect);
    return counts.all == 0 ? 0.0 : static_cast<double>(counts.dark) / static_cast<double>(counts.all);
}

}  // namespace desktop_test
