#include "app/calib/chessboard_search.h"

#include "app/util/file_logger.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <mutex>

namespace {

// The scales the board is searched at, in order: small enough that a search on a picture without
// a board ends quickly, whatever the picture's size.
const cv::Size kScales[] = {{400, 300}, {440, 330}, {320, 240}};
// Adaptive threshold, normalised image, and the quick check that gives up early on a picture
// without a board.
constexpr int kFindFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK;
constexpr double kHuberBend = 1.345;
constexpr double kStraightnessLimit = 1.5;
constexpr double kParallelLimit = 0.000001;
// The two points on each line that its intersection is computed from lie this far either side.
constexpr double kLineReach = 5.0;

int Truncated(double value) { return static_cast<int>(value); }

uint8_t ClampedByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

cv::Point2f Intersection(const CornerLine& a, const CornerLine& b) {
    const double x1 = a[2] + kLineReach * a[0], y1 = a[3] + kLineReach * a[1];
    const double x2 = a[2] - kLineReach * a[0], y2 = a[3] - kLineReach * a[1];
    const double x3 = b[2] + kLineReach * b[0], y3 = b[3] + kLineReach * b[1];
    const double x4 = b[2] - kLineReach * b[0], y4 = b[3] - kLineReach * b[1];
    const double denominator = (x1 - x2) * (y3 - y4) - (y1 - y2) * (x3 - x4);
    const double first = x1 * y2 - y1 * x2;
    const double second = x3 * y4 - y3 * x4;
    return cv::Point2f(static_cast<float>((first * (x3 - x4) - (x1 - x2) * second) / denominator),
                       static_cast<float>((first * (y3 - y4) - (y1 - y2) * second) / denominator));
}

// OpenCV would spread its work over a pool of worker threads that outlive the call and that
// nothing joins. The search is small and runs on the decode thread: it runs there alone.
void KeepOpenCvOnThisThread() {
    static std::once_flag once;
    std::call_once(once, [] { cv::setNumThreads(0); });
}

}  // namespace

void ConvertYuvToRgb(int y, int a, int b, uint8_t out[3]) {
    const double ca = a - 128;
    const double cb = b - 128;
    out[0] = ClampedByte(y - Truncated(0.001 * ca - 1.402 * cb));
    out[1] = ClampedByte(y - Truncated(0.3441 * ca + 0.7141 * cb));
    out[2] = ClampedByte(y + Truncated(1.772 * ca + 0.001 * cb));
}

cv::Rect FourByThree(const cv::Rect& region, const cv::Size& image) {
    int x = region.x, y = region.y, width = region.width, height = region.height;
    const int cx = x + width / 2;
    const int cy = y + height / 2;
    if (4 * height < 3 * width) {
        const int t = std::min(cy, image.height - cy);
        if (2 * t < 3 * width / 4) {
            height = 2 * t;
            width = (8 * t) / 3;
            y = cy - t;
            x = cx - width / 2;
        } else {
            height = 3 * width / 4;
            y = cy - height / 2;
        }
    } else {
        const int t = std::min(cx, image.width - cx);
        if (4 * height / 3 <= 2 * t) {
            width = 4 * height / 3;
            x = cx - width / 2;
        } else {
            width = 2 * t;
            x = cx - t;
            height = (6 * t) / 4;
            y = cy - height / 2;
        }
    }
    return cv::Rect(x, y, width, height);
}

cv::Mat CutOutPicture(const uint8_t* picture, int pictureWidth, int pictureHeight, int left, int top, int width,
                      int height) {
    cv::Mat image(height, width, CV_8UC3);
    const size_t lumaSize = static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight);
    const uint8_t* luma = picture;
    const uint8_t* first = picture + lumaSize;     // U
    const uint8_t* second = first + lumaSize / 4;  // V
    const size_t chromaWidth = static_cast<size_t>(pictureWidth / 2);
    for (int i = 0; i < height; ++i) {
        const size_t row = static_cast<size_t>(top + i);
        uint8_t* out = image.ptr<uint8_t>(i);
        for (int j = 0; j < width; ++j, out += 3) {
            const size_t column = static_cast<size_t>(left + j);
            const size_t chroma = row / 2 * chromaWidth + column / 2;
            ConvertYuvToRgb(luma[row * static_cast<size_t>(pictureWidth) + column], second[chroma], first[chroma], out);
        }
    }
    return image;
}

bool SearchChessboardAtScales(std::vector<cv::Point2f>* points, const cv::Mat& image, cv::Rect region,
                              PatternSize pattern) {
    KeepOpenCvOnThisThread();
    try {
        const cv::Rect square = FourByThree(region, image.size()) & cv::Rect(0, 0, image.cols, image.rows);
        if (square.width <= 0 || square.height <= 0) return false;
        cv::Mat grey;
        if (image.channels() == 1) {
            image(square).copyTo(grey);
        } else {
            cv::cvtColor(image(square), grey, cv::COLOR_BGR2GRAY);
        }
        for (size_t scale = 0; scale < std::size(kScales); ++scale) {
            cv::Mat scaled;
            cv::resize(grey, scaled, kScales[scale], 0.0, 0.0, cv::INTER_LINEAR);
            std::vector<cv::Point2f> found;
            if (!DetectChessboardCorners(scaled, pattern, &found)) continue;
            std::printf("corner found at scale %d\n", static_cast<int>(scale));
            for (cv::Point2f& point : found) {
                point.x = static_cast<float>(square.width) * point.x / static_cast<float>(kScales[scale].width) +
                          static_cast<float>(square.x);
                point.y = static_cast<float>(square.height) * point.y / static_cast<float>(kScales[scale].height) +
                          static_cast<float>(square.y);
            }
            *points = std::move(found);
            return true;
        }
    } catch (const cv::Exception&) {
        // A pattern OpenCV refuses, or an image it cannot work on: no board.
    }
    return false;
}

bool DetectChessboardCorners(const cv::Mat& grey, PatternSize pattern, std::vector<cv::Point2f>* points) {
    if (pattern.width <= 1 || pattern.height <= 1) return false;
    try {
        const cv::Size size(pattern.width, pattern.height);
        std::vector<cv::Point2f> corners;
        if (!cv::findChessboardCorners(grey, size, corners, kFindFlags)) {
            if (!corners.empty()) {
                FileLogger::Write("fault error, pattern recognization failed, but return corner is %d.",
                                  static_cast<int>(corners.size()));
            }
            return false;
        }
        cv::cornerSubPix(grey, corners, cv::Size(11, 11), cv::Size(-1, -1),
                         cv::TermCriteria(cv::TermCriteria::EPS | cv::TermCriteria::COUNT, 30, 0.1));
        std::vector<CornerLine> lines;
        std::vector<cv::Point2f> ordered;
        if (!FitCornerLines(corners, pattern, &lines) || !OrderChessboardCorners(lines, &ordered)) return false;
        *points = std::move(ordered);
        return true;
    } catch (const cv::Exception&) {
        return false;
    }
}

bool FitCornerLines(const std::vector<cv::Point2f>& corners, PatternSize pattern, std::vector<CornerLine>* lines) {
    const int w = pattern.width;
    const int h = pattern.height;
    if (w <= 0 || h <= 0 || corners.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return false;
    auto at = [&](int index) { return corners[static_cast<size_t>(index)]; };
    std::vector<std::vector<cv::Point2f>> borders(4);
    for (int i = 0; i < w; ++i) borders[0].push_back(at(i));                // first row
    for (int r = 0; r < h; ++r) borders[1].push_back(at(r * w + w - 1));    // last column
    for (int i = 0; i < w; ++i) borders[2].push_back(at((h - 1) * w + i));  // last row
    for (int r = 0; r < h; ++r) borders[3].push_back(at(r * w));            // first column
    std::vector<CornerLine> fitted;
    for (const auto& border : borders) {
        CornerLine line;
        cv::fitLine(border, line, cv::DIST_HUBER, 0, 0.01, 0.01);
        if (CheckPointLineDistance(border, line)) return false;
        fitted.push_back(line);
    }
    *lines = std::move(fitted);
    return true;
}

bool CheckPointLineDistance(const std::vector<cv::Point2f>& points, const CornerLine& line) {
    if (points.empty()) return false;
    double cost = 0.0;
    for (const cv::Point2f& p : points) {
        const double d = std::fabs((p.x - line[2]) * line[1] - (p.y - line[3]) * line[0]);
        cost += d <= kHuberBend ? d * d / 2.0 : kHuberBend * (d - kHuberBend / 2.0);
    }
    const double score = 2.0 * cost / static_cast<double>(points.size());
    std::printf("dist = %f\n", score);
    return score > kStraightnessLimit;
}

bool OrderChessboardCorners(const std::vector<CornerLine>& lines, std::vector<cv::Point2f>* corners) {
    if (lines.size() != 4) return false;
    std::vector<cv::Point2f> found;
    for (size_t k = 0; k < 4; ++k) {
        const CornerLine& a = lines[(k + 3) % 4];
        const CornerLine& b = lines[k];
        if (std::fabs(b[0] * a[1] - b[1] * a[0]) <= kParallelLimit) return false;
        found.push_back(Intersection(a, b));
    }
    *corners = std::move(found);
    return true;
}
