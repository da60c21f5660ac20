#pragma once
// The on-screen-display settings a page previews before storing them in the camera: one JSON
// object whose member "result" holds the date format, the location text (UTF-8), the ten
// positions and five show switches. A missing member reads as 0, 0.0, false or empty text.

#include "app/player/osd_record.h"

#include <string>

// Fills a fresh record from the settings: every field the settings do not carry (date, time,
// weekday, channel) is zero, the location is in the ANSI code page, at most 127 bytes. Never
// throws: text that is not JSON, or a member of a kind that does not convert (text where a number
// or a switch is expected, an object where text is), answers false and leaves the record as it was.
bool ReadOsdSettings(const std::string& json, OsdRecord* record);
