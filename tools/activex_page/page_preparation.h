// Makes a page written for a full browser runnable in the stand-in container, whose page engine
// runs inline scripts and knows only the plug-in's element:
// - each <script src="..."> of a file beside the page is inlined;
// - a first script gives the page's other elements (those with an id) and made elements small
//   stand-ins that keep text, values, children and listeners, so the page's own bookkeeping runs;
// - window.location.search answers the query given.
#pragma once

#include <filesystem>
#include <string>

namespace activex_page {

// Throws std::runtime_error for a page or script file it cannot read.
std::string preparePage(const std::filesystem::path& page, const std::string& query);

}  // namespace activex_page
