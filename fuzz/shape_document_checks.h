// What every analytics view may rely on after reading the page's shape JSON: the reader answers
// without throwing, a shape never holds more points than its group keeps, and what it read is
// written out again and read back with the same shapes and points. Names that are not valid UTF-8
// come back as the JSON library's writer escapes them; from then on the text stays the same.
#pragma once

#include "app/analysis/poly_line_json.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline void CheckShapeDocument(const std::string& text, const std::vector<ShapeGroupKeys>& keys, ShapeNaming naming) {
    const auto read = ReadShapeDocument(text, keys, naming);
    if (!read) return;
    if (read->size() != keys.size()) __builtin_trap();
    for (size_t g = 0; g < keys.size(); ++g) {
        for (const ShapeRecord& shape : (*read)[g]) {
            if (shape.points.size() > keys[g].pointLimit) __builtin_trap();
        }
    }
    const std::string written = WriteShapeDocument(*read, keys, naming);
    const auto again = ReadShapeDocument(written, keys, naming);
    if (!again || again->size() != read->size()) __builtin_trap();
    for (size_t g = 0; g < read->size(); ++g) {
        if ((*again)[g].size() != (*read)[g].size()) __builtin_trap();
        for (size_t i = 0; i < (*read)[g].size(); ++i) {
            const ShapeRecord& before = (*read)[g][i];
            const ShapeRecord& after = (*again)[g][i];
            if (after.points != before.points || after.labelMode != before.labelMode) __builtin_trap();
        }
    }
    if (WriteShapeDocument(*again, keys, naming) != written) __builtin_trap();
}
