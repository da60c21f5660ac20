#include "host/factory_base.h"
#include "host/plugin_identity.h"

#include <boost/algorithm/string/split.hpp>

#include <vector>

namespace FB {

namespace {

bool g_mimeMapFilled = false;

void fillMimeDescriptionMap(std::map<std::string, std::string>& map, const std::string& mimeList) {
    std::vector<std::string> entries;
    boost::algorithm::split(entries, mimeList, [](char c) { return c == ';'; });
    for (const std::string& entry : entries) {
        std::vector<std::string> fields;
        boost::algorithm::split(fields, entry, [](char c) { return c == ':'; });
        if (fields.size() >= 3) map[fields[0]] = fields[2];
    }
}

}  // namespace

std::map<std::string, std::string>& FactoryBase::mimeDescriptionMap() {
    static std::map<std::string, std::string> map;
    return map;
}

std::string FactoryBase::pluginNameText(const std::string&) {
    return kPluginName;
}

std::string FactoryBase::pluginDescriptionText(const std::string& mimetype) {
    try {
        if (!g_mimeMapFilled) {
            fillMimeDescriptionMap(mimeDescriptionMap(), kPluginMimeList);
            g_mimeMapFilled = true;
        }
        return mimeDescriptionMap()[mimetype];
    } catch (...) {
        return "Unknown Description";
    }
}

}  // namespace FB
