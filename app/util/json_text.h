// Reading the JSON texts a page hands the views (shape documents, on-screen-display settings).
#pragma once

#include <json/value.h>

#include <string>

// Parses the text as the JSON library's reader (Json::Reader) does: one value, read from the start
// of the text, whatever follows it not read; comments skipped; no trailing comma in an object or an
// array and no byte-order mark before the value. False, with root unspecified, when the text does
// not begin with a whole value or nests deeper than the reader allows. Never throws.
bool ParseJsonText(const std::string& text, Json::Value* root);
