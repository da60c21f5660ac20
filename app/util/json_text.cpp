#include "app/util/json_text.h"

#include <json/reader.h>

#include <exception>

// The library's own reader, not a CharReaderBuilder set up to resemble it: the builder's readers
// differ from it at the edges (trailing commas, a byte-order mark, a sign before a number), and
// the documents a page sends are read exactly as the reader reads them.
bool ParseJsonText(const std::string& text, Json::Value* root) {
    if (root == nullptr) return false;
    try {
        Json::Reader reader;
        // Comments are still skipped; they are only not kept with the values.
        return reader.parse(text, *root, false);
    } catch (const std::exception&) {
        // Nesting deeper than the reader's limit.
        return false;
    }
}
