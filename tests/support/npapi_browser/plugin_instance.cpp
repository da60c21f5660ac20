#include "tests/support/npapi_browser/plugin_instance.h"

#include <cstdlib>
#include <mutex>

namespace test_support {

namespace {

constexpr const wchar_t* kPageClass = L"StandInBrowserPage";
constexpr const wchar_t* kPluginClass = L"StandInBrowserPlugin";

void registerClasses() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        for (const wchar_t* name : {kPageClass, kPluginClass}) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = name;
            RegisterClassExW(&windowClass);
        }
    });
}

// The strings NPP_New gets, kept alive for the call.
struct NameValueLists {
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::vector<char*> namePointers;
    std::vector<char*> valuePointers;

    void add(const std::string& name, const std::string& value) {
        names.push_back(name);
        values.push_back(value);
    }
    void seal() {
        for (size_t i = 0; i < names.size(); ++i) {
            namePointers.push_back(names[i].data());
            valuePointers.push_back(values[i].data());
        }
    }
};

}  // namespace

PluginInstance::PluginInstance(const NPPluginFuncs& plugin, void* browserData) : plugin_(plugin) {
    npp_.ndata = browserData;
    registerClasses();
    pageWindow_ =
        CreateWindowExW(0, kPageClass, L"page", WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr);
}

PluginInstance::~PluginInstance() {
    if (pluginWindow_) DestroyWindow(pluginWindow_);
    if (pageWindow_) DestroyWindow(pageWindow_);
}

NPError PluginInstance::create(const PluginElement& element) {
    NameValueLists lists;
    for (const PageAttribute& attribute : element.attributes) lists.add(attribute.name, attribute.value);
    for (const PageAttribute& param : element.params) lists.add(param.name, param.value);
    lists.seal();
    std::string type = element.type();
    live_ = true;  // the plug-in reaches the page during NPP_New already
    newResult_ = plugin_.newp ? plugin_.newp(type.data(), &npp_, NP_EMBED, static_cast<int16_t>(lists.names.size()),
                                             lists.namePointers.data(), lists.valuePointers.data(), nullptr)
                              : NPERR_INVALID_FUNCTABLE_ERROR;
    live_ = newResult_ == NPERR_NO_ERROR;
    return newResult_;
}

NPError PluginInstance::setWindow(int width, int height) {
    if (!live_) return NPERR_INVALID_INSTANCE_ERROR;
    if (!pluginWindow_) {
        pluginWindow_ = CreateWindowExW(0, kPluginClass, L"plugin", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                        pageWindow_, nullptr, nullptr, nullptr);
    } else {
        MoveWindow(pluginWindow_, 0, 0, width, height, TRUE);
    }
    if (!pluginWindow_) return NPERR_GENERIC_ERROR;
    window_.window = pluginWindow_;
    window_.x = 0;
    window_.y = 0;
    window_.width = static_cast<uint32_t>(width);
    window_.height = static_cast<uint32_t>(height);
    window_.clipRect = {0, 0, static_cast<uint16_t>(height), static_cast<uint16_t>(width)};
    window_.type = NPWindowTypeWindow;
    return plugin_.setwindow ? plugin_.setwindow(&npp_, &window_) : NPERR_INVALID_FUNCTABLE_ERROR;
}

NPObject* PluginInstance::scriptableObject() {
    if (!live_) return nullptr;
    if (!scriptableAsked_) {
        scriptableAsked_ = true;
        NPObject* object = nullptr;
        if (plugin_.getvalue && plugin_.getvalue(&npp_, NPPVpluginScriptableNPObject, &object) == NPERR_NO_ERROR)
            scriptable_ = object;
    }
    return scriptable_;
}

NPObject* PluginInstance::destroy() {
    if (!live_) return nullptr;
    NPSavedData* saved = nullptr;
    if (plugin_.destroy) plugin_.destroy(&npp_, &saved);
    if (saved) {  // the browser owns saved data; nothing here restores an instance, so it goes now
        std::free(saved->buf);
        std::free(saved);
    }
    live_ = false;
    if (pluginWindow_) DestroyWindow(pluginWindow_);
    pluginWindow_ = nullptr;
    NPObject* scriptable = scriptable_;
    scriptable_ = nullptr;
    return scriptable;
}

}  // namespace test_support
