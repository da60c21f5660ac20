// The JSON documents of the analytics setting view: the parameters that "SaveAnalyseParams" writes
// and "SetAnalyseParams" reads ("clbcoord" and "eventInfo"), and the check line of "OnCheckLine".
// Texts are written with the styled writer, so every object lists its keys in ascending order and
// numbers keep their type: event-shape coordinates are ints (truncated), calibration and
// check-line coordinates reals.
#pragma once

#include "app/analysis/analysis_shapes.h"

#include <string>

// The parameters document. An empty list is written as null until a list of its sort (point
// lists, or the six group arrays, each in writing order) has had an entry, and as [] after that.
std::string WriteAnalyseParams(const AnalysisShapes& shapes);

// Reads the parameters document into shapes, which it replaces whole, and answers true; answers
// false and leaves shapes untouched when the text does not begin with one whole JSON value. Never
// throws. Members of the wrong type read as absent, coordinates of the wrong type as 0; "clbcoord"
// needs exactly four points that do not all coincide; groups are cut to their caps, the stop areas
// to stopAreaCap (a view that keeps more of them reads back all it writes); a lane needs a
// two-point direction and a four-point outline.
bool ReadAnalyseParams(const std::string& text, AnalysisShapes* shapes, size_t stopAreaCap = kMaxGroupShapes);

// The check-line document: "checkLine" with the points of a check line (kind 3), or the two ends of
// the line across a rectangle at its middle height (kind 9), and "clbcoord".
std::string WriteCheckLine(const PointList& calibrationPoints, const PointList& checkLinePoints, int kind);
