// The fourteen page events: each firer builds its argument list in order and fires it by name; the
// views reach them through the notify operations, which add the window index where the event
// carries it. Any thread.
#include "app/api/veltrin_api.h"

namespace {

FB::variant Text(const char* text) { return FB::variant(std::string(text ? text : "")); }

}  // namespace

void VeltrinAPI::fireAlarm(const FB::variant& text) { fireNamedEvent("onalarm", FB::VariantList{text}); }

void VeltrinAPI::fireSaveArea(int kind, int index) { fireNamedEvent("onsaveArea", FB::VariantList{kind, index}); }

void VeltrinAPI::fireSaveAreaWithName3(int windowIndex, int group, const FB::variant& name) {
    fireNamedEvent("onsaveAreaWithName3", FB::VariantList{windowIndex, group, name});
}

void VeltrinAPI::fireDeleteArea(int kind, int index) { fireNamedEvent("ondeleteArea", FB::VariantList{kind, index}); }

void VeltrinAPI::fireDeleteAreaWithName3(int windowIndex, int group, const FB::variant& name) {
    fireNamedEvent("ondeleteAreaWithName3", FB::VariantList{windowIndex, group, name});
}

void VeltrinAPI::fireClickArea(int kind, int index) { fireNamedEvent("onclickArea", FB::VariantList{kind, index}); }

void VeltrinAPI::fireClickAreaWithName3(int windowIndex, int group, const FB::variant& name) {
    fireNamedEvent("onclickAreaWithName3", FB::VariantList{windowIndex, group, name});
}

void VeltrinAPI::fireSetManualAnalyseParams(const FB::variant& json) {
    fireNamedEvent("onsetManualAnalyseParams", FB::VariantList{json});
}

void VeltrinAPI::fireSetManualAnalyseParams2(int windowIndex, const FB::variant& json) {
    fireNamedEvent("onsetManualAnalyseParams2", FB::VariantList{windowIndex, json});
}

void VeltrinAPI::fireSet3DLocationParams(const FB::variant& json) {
    fireNamedEvent("onset3DLocationParams", FB::VariantList{json});
}

void VeltrinAPI::fireOnMouseDownScreen(int windowIndex, int flag) {
    fireNamedEvent("ononMouseDownScreen", FB::VariantList{windowIndex, flag});
}

// The second value means nothing to the page: it always receives 0.
void VeltrinAPI::fireOnMouseDownVideo(int windowIndex, int, int x, int y) {
    fireNamedEvent("ononMouseDownVideo", FB::VariantList{windowIndex, 0, x, y});
}

void VeltrinAPI::fireOnCloseFullScreen(int windowIndex) {
    fireNamedEvent("ononCloseFullScreen", FB::VariantList{windowIndex});
}

void VeltrinAPI::fireInnerCtrlCmd(int windowIndex, int command, int action) {
    fireNamedEvent("oninnerCtrlCmd", FB::VariantList{windowIndex, command, action});
}

void VeltrinAPI::notifyAlarm(const char* text) { fireAlarm(Text(text)); }

void VeltrinAPI::notifySet3DLocationParams(const std::string& json) { fireSet3DLocationParams(FB::variant(json)); }

void VeltrinAPI::notifySetManualAnalyseParams(const std::string& json) {
    fireSetManualAnalyseParams(FB::variant(json));
}

void VeltrinAPI::notifySetManualAnalyseParams2(const std::string& json) {
    fireSetManualAnalyseParams2(windowIndex_, FB::variant(json));
}

void VeltrinAPI::notifyCloseFullScreen() { fireOnCloseFullScreen(windowIndex_); }

void VeltrinAPI::notifyInnerCtrlCmd(int command, int action) { fireInnerCtrlCmd(windowIndex_, command, action); }

void VeltrinAPI::notifyMouseDownScreen(int index, int flag) { fireOnMouseDownScreen(index, flag); }

void VeltrinAPI::notifyMouseDownVideo(int value, int x, int y) { fireOnMouseDownVideo(windowIndex_, value, x, y); }

void VeltrinAPI::notifyClickArea(int kind, int index) { fireClickArea(kind, index); }

void VeltrinAPI::notifyDeleteArea(int kind, int index) { fireDeleteArea(kind, index); }

void VeltrinAPI::notifySaveArea(int kind, int index) { fireSaveArea(kind, index); }

void VeltrinAPI::notifyClickAreaWithName3(int group, const std::string& name) {
    fireClickAreaWithName3(windowIndex_, group, FB::variant(name));
}

void VeltrinAPI::notifyDeleteAreaWithName3(int group, const std::string& name) {
    fireDeleteAreaWithName3(windowIndex_, group, FB::variant(name));
}

void VeltrinAPI::notifySaveAreaWithName3(int group, const std::string& name) {
    fireSaveAreaWithName3(windowIndex_, group, FB::variant(name));
}
