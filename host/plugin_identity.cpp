#include "host/factory_base.h"
#include "host/plugin_identity.h"

#include <boost/algorithm/string/split.hpp>

#include <mutex>
#include <vector>

namespace FB {

namespace {

std::map<std::string, std::string> parseMimeList(const std::string& mimeList) {
    std::map<std::string, std::string> map;
    std::vector<std::string> entries;
    boost::algorithm::split(entries, mimeList, [](char c) { return c == ';'; });
    for (const std::string& entry : entries) {
        std::vector<std::string> fields;
        boost::algorithm::split(fields, entry, [](char c) { return c == ':'; });
        if (fields.size() >= 3) map[fields[0]] = fields[2];
    }
    return map;
}

// Guards the lookups, which add an entry for every unknown type.
std::mutex& mimeMapLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::map<std::string, std::string>& FactoryBase::mimeDescriptionMap() {
    // Filled once, on first use, however many threads ask at once.
    static std::map<std::string, std::string> map = parseMimeList(kPluginMimeList);
    return map;
}

std::string FactoryBase::pluginNameText(const std::string&) { return kPluginName; }

std::string FactoryBase::pluginDescriptionText(const std::string& mimetype) {
    try {
        std::lock_guard<std::mutex> guard(mimeMapLock());
        return mimeDescriptionMap()[mimetype];
    } catch (...) {
        return "Unknown Description";
    }
}

}  // namespace FB
