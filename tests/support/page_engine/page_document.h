// A page as the stand-in browser and container read it: the plug-in's <object> element (its attributes and
// <param>s) and the inline <script> blocks in document order. Nothing else of HTML matters to the
// browser: other markup is skipped, and so are comments.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test_support {

// A page the browser cannot read: unterminated markup, an external script, a file it cannot open.
class PageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PageAttribute {
    std::string name;  // lower case
    std::string value;
};

struct PluginElement {
    std::vector<PageAttribute> attributes;  // as written on <object>
    std::vector<PageAttribute> params;      // each <param name value> inside it, in order

    // The attribute's value, empty when the element has none of that name.
    std::string attribute(std::string_view name) const;
    std::string type() const { return attribute("type"); }
    std::string id() const { return attribute("id"); }
    // The size in pixels from the width and height attributes; HTML's 300 x 150 where one is
    // missing or is not a number. Units after the number ("640px") are ignored.
    int width() const;
    int height() const;
};

struct PageDocument {
    std::optional<PluginElement> plugin;           // the first <object> element
    std::vector<std::string> scriptsBeforePlugin;  // run before the plug-in is made
    std::vector<std::string> scriptsAfterPlugin;   // run once it has its window
    std::filesystem::path baseDirectory;           // relative URLs resolve here
    std::string url;                               // what window.location.href answers
};

// Reads page text; throws PageError for markup it cannot make sense of. The base directory and URL
// are left empty.
PageDocument parsePage(std::string_view html);
// Reads page text whose relative URLs resolve in the folder given; its URL names a page there.
PageDocument loadPageText(std::string_view html, const std::filesystem::path& baseDirectory);

}  // namespace test_support
