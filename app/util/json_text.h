// Reading the JSON texts a page hands the views (shape documents, on-screen-display settings).
#pragma once

#include <json/value.h>

#include <string>

// Parses the text as the JSON library's reader does: one value, read from the start of the text;
// whatever follows it is not read. False, with root unspecified, when the text does not begin with
// a whole value or nests deeper than the reader allows. Never throws.
bool ParseJsonText(const std::string& text, Json::Value* root);
