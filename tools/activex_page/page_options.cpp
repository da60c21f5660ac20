#include "tools/activex_page/page_options.h"

#include <stdexcept>

namespace activex_page {

namespace {

double positiveSeconds(const std::string& option, const std::string& text) {
    size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !(value > 0) || value > 3600) throw std::invalid_argument(option + " takes seconds");
    return value;
}

}  // namespace

const char* usage() {
    return "usage: activex_page PAGE [--query ?a=b&c=d] [--out DIR] [--seconds S] [--interval S]\n"
           "                    [--library npVeltrin.so] [--folder DIR] [--until SCRIPT] [--verdict SCRIPT]\n";
}

PageOptions parseOptions(const std::vector<std::string>& arguments) {
    PageOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw std::invalid_argument(argument + " needs a value");
            return arguments[++i];
        };
        if (argument == "--query") {
            options.query = value();
            if (!options.query.empty() && options.query[0] != '?') options.query = "?" + options.query;
        } else if (argument == "--out") {
            options.out = value();
        } else if (argument == "--seconds") {
            options.seconds = positiveSeconds(argument, value());
        } else if (argument == "--interval") {
            options.interval = positiveSeconds(argument, value());
        } else if (argument == "--library") {
            options.library = value();
        } else if (argument == "--folder") {
            options.folder = value();
        } else if (argument == "--until") {
            options.until = value();
        } else if (argument == "--verdict") {
            options.verdict = value();
        } else if (!argument.empty() && argument[0] == '-') {
            throw std::invalid_argument("unknown option " + argument);
        } else if (options.page.empty()) {
            options.page = argument;
        } else {
            throw std::invalid_argument("one page only");
        }
    }
    if (options.page.empty()) throw std::invalid_argument("a page is needed");
    return options;
}

}  // namespace activex_page
