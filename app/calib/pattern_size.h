// The size of the printed chessboard the calibration looks for: inner corners per row and per
// column, from the per-user settings "PatternWidth" and "PatternHeight".
#pragma once

struct PatternSize {
    int width = 4;
    int height = 6;
};

// A missing, empty, non-numeric or non-positive setting gives the default of its dimension.
PatternSize ReadPatternSize();
