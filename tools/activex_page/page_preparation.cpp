#include "tools/activex_page/page_preparation.h"

#include "tests/support/page_engine/page_document.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace activex_page {

namespace {

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A JavaScript string literal of the text.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\\' || c == '\'') out.push_back('\\');
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out.push_back(c);
    }
    return out + "'";
}

std::string inlineScripts(const std::string& html, const std::filesystem::path& folder) {
    static const std::regex external(R"re(<script[^>]*\ssrc\s*=\s*"([^"]+)"[^>]*>\s*</script>)re", std::regex::icase);
    std::string out;
    auto from = html.cbegin();
    for (std::sregex_iterator it(html.begin(), html.end(), external), end; it != end; ++it) {
        out.append(from, html.cbegin() + it->position());
        std::string script = readFile(folder / (*it)[1].str());
        if (script.find("</script") != std::string::npos) throw std::runtime_error("a script closes its own element");
        out += "<script>\n" + script + "\n</script>";
        from = html.cbegin() + it->position() + it->length();
    }
    out.append(from, html.cend());
    return out;
}

std::set<std::string> elementIds(const std::string& html) {
    static const std::regex idAttribute(R"re(\sid\s*=\s*"([^"]+)")re", std::regex::icase);
    std::set<std::string> ids;
    for (std::sregex_iterator it(html.begin(), html.end(), idAttribute), end; it != end; ++it) ids.insert((*it)[1]);
    return ids;
}

constexpr const char* kStandIns = R"js(
(function () {
  var original = document.getElementById;
  function Element(tag) {
    this.tagName = tag.toUpperCase(); this.textContent = ''; this.value = ''; this.className = '';
    this.childNodes = []; this.firstChild = null; this.listeners = {};
  }
  Element.prototype.addEventListener = function (type, listener) {
    (this.listeners[type] = this.listeners[type] || []).push(listener);
  };
  Element.prototype.insertBefore = function (child, before) {
    var at = this.childNodes.indexOf(before);
    if (at < 0) this.childNodes.push(child); else this.childNodes.splice(at, 0, child);
    this.firstChild = this.childNodes[0];
    return child;
  };
  Element.prototype.appendChild = function (child) { return this.insertBefore(child, null); };
  var elements = {};
  ids.forEach(function (id) { elements[id] = new Element('div'); });
  document.getElementById = function (id) {
    if (id === pluginId) return original.call(document, id);
    return elements[id] || null;
  };
  document.createElement = function (tag) { return new Element(tag); };
  window.location.search = search;
})();
)js";

std::string standIns(const std::set<std::string>& ids, const std::string& pluginId, const std::string& query) {
    std::string list = "[";
    for (const std::string& id : ids) {
        if (id == pluginId) continue;
        if (list.size() > 1) list += ", ";
        list += quoted(id);
    }
    list += "]";
    return "<script>\nvar ids = " + list + ", pluginId = " + quoted(pluginId) + ", search = " + quoted(query) + ";" +
           kStandIns + "</script>\n";
}

}  // namespace

std::string preparePage(const std::filesystem::path& page, const std::string& query) {
    std::string html = inlineScripts(readFile(page), page.parent_path());
    const test_support::PageDocument document = test_support::parsePage(html);
    const std::string pluginId = document.plugin ? document.plugin->id() : std::string();
    const std::string shim = standIns(elementIds(html), pluginId, query);
    const size_t firstScript = html.find("<script");
    html.insert(firstScript == std::string::npos ? html.size() : firstScript, shim);
    return html;
}

}  // namespace activex_page
