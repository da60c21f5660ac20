#include "tests/support/page_engine/page_document.h"

#include "tests/support/page_engine/browser_text.h"

#include <charconv>

namespace test_support {

namespace {

constexpr int kDefaultWidth = 300;
constexpr int kDefaultHeight = 150;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.';
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<PageAttribute> attributes;
};

// Walks the markup from tag to tag; the text between tags is of no interest except inside
// <script>, which the caller reads as raw text.
class MarkupReader {
public:
    explicit MarkupReader(std::string_view html) : html_(html) {}

    // The next tag, or nothing at the end of the text. Comments and declarations are skipped.
    std::optional<Tag> nextTag() {
        while (true) {
            const size_t open = html_.find('<', pos_);
            if (open == std::string_view::npos) return std::nullopt;
            pos_ = open;
            if (html_.substr(pos_, 4) == "<!--") {
                skipPast("-->", "comment");
                continue;
            }
            if (html_.substr(pos_, 2) == "<!" || html_.substr(pos_, 2) == "<?") {
                skipPast(">", "declaration");
                continue;
            }
            const bool closing = html_.substr(pos_, 2) == "</";
            const size_t nameStart = pos_ + (closing ? 2 : 1);
            size_t nameEnd = nameStart;
            while (nameEnd < html_.size() && isNameChar(html_[nameEnd])) ++nameEnd;
            if (nameEnd == nameStart) {  // a lone '<' in text
                ++pos_;
                continue;
            }
            Tag tag;
            tag.name = asciiLowerCase(html_.substr(nameStart, nameEnd - nameStart));
            tag.closing = closing;
            pos_ = nameEnd;
            readAttributes(tag);
            return tag;
        }
    }

    // The raw text up to the closing tag of the element just opened (for <script>), which is consumed.
    std::string rawTextUntilClosing(std::string_view name) {
        const std::string lowerRest = asciiLowerCase(html_.substr(pos_));
        const size_t end = lowerRest.find("</" + std::string(name));
        if (end == std::string::npos) throw PageError("page: unterminated <" + std::string(name) + "> element");
        std::string text(html_.substr(pos_, end));
        pos_ += end;
        if (!nextTag()) throw PageError("page: unterminated </" + std::string(name) + "> tag");
        return text;
    }

private:
    void skipPast(std::string_view end, const char* what) {
        const size_t found = html_.find(end, pos_);
        if (found == std::string_view::npos) throw PageError(std::string("page: unterminated ") + what);
        pos_ = found + end.size();
    }

    void skipSpace() {
        while (pos_ < html_.size() && isSpace(html_[pos_])) ++pos_;
    }

    void readAttributes(Tag& tag) {
        while (true) {
            skipSpace();
            if (pos_ >= html_.size()) throw PageError("page: unterminated <" + tag.name + "> tag");
            if (html_[pos_] == '>') {
                ++pos_;
                return;
            }
            if (html_[pos_] == '/') {
                ++pos_;
                continue;
            }
            const size_t nameStart = pos_;
            while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '=' && html_[pos_] != '>' &&
                   html_[pos_] != '/')
                ++pos_;
            PageAttribute attribute{asciiLowerCase(html_.substr(nameStart, pos_ - nameStart)), ""};
            skipSpace();
            if (pos_ < html_.size() && html_[pos_] == '=') {
                ++pos_;
                skipSpace();
                attribute.value = std::string(readValue(tag));
            }
            tag.attributes.push_back(std::move(attribute));
        }
    }

    std::string_view readValue(const Tag& tag) {
        if (pos_ < html_.size() && (html_[pos_] == '"' || html_[pos_] == '\'')) {
            const char quote = html_[pos_];
            const size_t end = html_.find(quote, pos_ + 1);
            if (end == std::string_view::npos)
                throw PageError("page: unterminated attribute value in <" + tag.name + ">");
            std::string_view value = html_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
            return value;
        }
        const size_t start = pos_;
        while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '>') ++pos_;
        return html_.substr(start, pos_ - start);
    }

    std::string_view html_;
    size_t pos_ = 0;
};

std::string attributeOf(const std::vector<PageAttribute>& attributes, std::string_view name) {
    for (const PageAttribute& attribute : attributes) {
        if (attribute.name == name) return attribute.value;
    }
    return {};
}

int pixelSize(const std::string& text, int fallback) {
    int value = 0;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < 0 || (ptr != text.data() + text.size() && *ptr == '%')) return fallback;
    return value;
}

bool isScriptType(const std::string& type) {
    const std::string lower = asciiLowerCase(type);
    return lower.empty() || lower == "text/javascript" || lower == "application/javascript" || lower == "module";
}

class PageBuilder {
public:
    explicit PageBuilder(std::string_view html) : reader_(html) {}

    PageDocument build() {
        while (auto tag = reader_.nextTag()) {
            if (tag->closing) {
                if (tag->name == "object") closeObject();
                continue;
            }
            if (tag->name == "script") {
                takeScript(*tag);
            } else if (tag->name == "object") {
                openObject(*tag);
            } else if (tag->name == "param" && pluginOpen_ && depth_ == 1) {
                page_.plugin->params.push_back(
                    {attributeOf(tag->attributes, "name"), attributeOf(tag->attributes, "value")});
            }
        }
        return std::move(page_);
    }

private:
    void takeScript(const Tag& tag) {
        if (!attributeOf(tag.attributes, "src").empty())
            throw PageError("page: external scripts (<script src>) are not supported");
        std::string text = reader_.rawTextUntilClosing("script");
        if (!isScriptType(attributeOf(tag.attributes, "type"))) return;
        (page_.plugin ? page_.scriptsAfterPlugin : page_.scriptsBeforePlugin).push_back(std::move(text));
    }

    // Only the first <object> is the plug-in; an <object> nested in it is fallback content.
    void openObject(const Tag& tag) {
        ++depth_;
        if (page_.plugin || depth_ != 1) return;
        page_.plugin = PluginElement{tag.attributes, {}};
        pluginOpen_ = true;
    }

    void closeObject() {
        if (depth_ > 0) --depth_;
        if (depth_ == 0) pluginOpen_ = false;
    }

    MarkupReader reader_;
    PageDocument page_;
    int depth_ = 0;            // of <object> elements
    bool pluginOpen_ = false;  // inside the plug-in's own <object>
};

}  // namespace

std::string PluginElement::attribute(std::string_view name) const { return attributeOf(attributes, name); }

int PluginElement::width() const { return pixelSize(attribute("width"), kDefaultWidth); }
int PluginElement::height() const { return pixelSize(attribute("height"), kDefaultHeight); }

PageDocument parsePage(std::string_view html) { return PageBuilder(html).build(); }

PageDocument loadPageText(std::string_view html, const std::filesystem::path& baseDirectory) {
    PageDocument page = parsePage(html);
    page.baseDirectory = std::filesystem::absolute(baseDirectory);
    page.url = "file://" + (page.baseDirectory / "page.html").generic_string();
    return page;
}

}  // namespace test_support
