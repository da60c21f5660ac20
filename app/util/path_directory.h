// The folder part of a file path.
#pragma once

#include <string>

// Sets directory to the path up to and including its last '/' or '\', or to the empty text when
// the path has neither; returns 1.
int GetPathDirectory(const char* path, std::string& directory);
