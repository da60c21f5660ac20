#include "app/util/json_text.h"

#include <json/reader.h>

#include <exception>
#include <memory>

bool ParseJsonText(const std::string& text, Json::Value* root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        return reader->parse(text.data(), text.data() + text.size(), root, &errors);
    } catch (const std::exception&) {
        return false;
    }
}
