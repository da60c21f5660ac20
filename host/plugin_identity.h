// The plug-in's identity texts: its name and its MIME list, whose entries hold MIME type, file
// extensions and description separated by ":" and end with ";".
#pragma once

namespace FB {

inline constexpr const char* kPluginName = "Veltrin_";
inline constexpr const char* kPluginMimeList = "application/x-veltrin::NOTFOUND;";

}  // namespace FB
