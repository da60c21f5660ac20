// Finding a printed chessboard in a cut-out of the picture and turning it into the four corners of
// the calibration quadrilateral: the cut-out is made 4:3, turned grey and searched at three small
// scales; the inner corners found are refined, a line is fitted through each border row and column
// of them, and the four lines meet at the corners. OpenCV does the image work.
#pragma once

#include "app/calib/pattern_size.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

// A line as OpenCV fits it: unit direction (vx, vy), then a point (x0, y0).
using CornerLine = cv::Vec4f;

// Three bytes from a sample of Y and two of chroma, each contribution truncated toward zero and the
// results clamped to 0..255: 0: y - (0.001 a' - 1.402 b'), 1: y - (0.3441 a' + 0.7141 b'),
// 2: y + (1.772 a' + 0.001 b'), with a' = a - 128 and b' = b - 128.
void ConvertYuvToRgb(int y, int a, int b, uint8_t out[3]);

// Copies rows top..top + height - 1 and columns left..left + width - 1 of an I420 picture into a
// 3-channel image (blue, green, red), calling ConvertYuvToRgb(Y, V, U) for each pixel. The rectangle
// must lie within the picture.
cv::Mat CutOutPicture(const uint8_t* picture, int pictureWidth, int pictureHeight, int left, int top, int width,
                      int height);

// The region made 4:3 (width to height) about its centre, in integer arithmetic: a region wider
// than that gets the height of its width, one taller the width of its height, each shrunk (in both
// sides) where the image leaves no room for it about the centre.
cv::Rect FourByThree(const cv::Rect& region, const cv::Size& image);

// Searches the region of the image, made 4:3 about its centre, at 400 x 300, then 440 x 330, then
// 320 x 240, stopping at the first scale that finds the board. On success the four corners, in
// image coordinates, replace points; otherwise points stays as it was. Never throws.
bool SearchChessboardAtScales(std::vector<cv::Point2f>* points, const cv::Mat& image, cv::Rect region,
                              PatternSize pattern);

// Finds the board's inner corners in a grey image, refines them and answers the four corners.
bool DetectChessboardCorners(const cv::Mat& grey, PatternSize pattern, std::vector<cv::Point2f>* points);

// Fits the first row, the last column, the last row and the first column of the inner corners, in
// that order; false when the corners do not make the pattern or a border is not straight.
bool FitCornerLines(const std::vector<cv::Point2f>& corners, PatternSize pattern, std::vector<CornerLine>* lines);

// True when the points lie too far from the line: the mean Huber cost of their distances, doubled,
// is above 1.5.
bool CheckPointLineDistance(const std::vector<cv::Point2f>& points, const CornerLine& line);

// The corners where each line meets the one before it (the first meets the last); false unless
// there are four lines and no two neighbours are parallel.
bool OrderChessboardCorners(const std::vector<CornerLine>& lines, std::vector<cv::Point2f>* corners);
