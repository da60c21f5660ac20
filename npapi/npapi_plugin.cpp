#include "npapi/npapi_plugin.h"

#include "host/factory_base.h"
#include "host/framework_log.h"
#include "host/plugin_core.h"
#include "npapi/np_javascript_object.h"
#include "npapi/npapi_stream.h"

#include <cstdint>
#include <map>

namespace FB::Npapi {

NpapiPlugin::NpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimetype)
    : BrowserPlugin(mimetype),
      m_npHost(host),
      m_mimetype(mimetype),
      m_pluginName(FactoryBase::pluginNameText(mimetype)),
      m_pluginDesc(FactoryBase::pluginDescriptionText(mimetype)) {
    if (m_pluginCore) m_pluginCore->setHost(host);
}

NpapiPlugin::~NpapiPlugin() {
    if (m_obj && m_npHost) m_npHost->ReleaseObject(m_obj);
}

void NpapiPlugin::shutdown() {
    if (!m_pluginCore) return;
    m_pluginCore->ClearWindow();
    m_pluginCore->shutdown();
}

void NpapiPlugin::init(NPMIMEType, int16_t argc, char* argn[], char* argv[]) {
    std::map<std::string, variant> params;
    for (int16_t i = 0; i < argc && argn && argv; ++i) {
        if (!argn[i] || !argv[i]) continue;
        params[argn[i]] = variant(std::string(argv[i]));
    }
    m_pluginCore->takeParamList(params);
    if (m_pluginCore->answersWindowless()) {
        m_npHost->SetValue(NPPVpluginWindowBool, nullptr);
        m_npHost->SetValue(NPPVpluginTransparentBool, reinterpret_cast<void*>(1));
    }
    setReady();
}

void NpapiPlugin::setReady() {
    if (!m_isReady) m_isReady = m_pluginCore->markReady();
}

NPError NpapiPlugin::SetWindow(NPWindow*) { return NPERR_NO_ERROR; }

// A stream the host did not make (the browser's own, for the page's data) has no notify data the
// host knows and is left alone.
NPError NpapiPlugin::NewStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
    const NpapiStreamPtr s = stream ? m_npHost->streamFromNotifyData(stream->notifyData) : nullptr;
    if (!s) return NPERR_NO_ERROR;
    s->setMimeType(type ? type : "");
    s->setStream(stream);
    s->setLength(stream->end);
    if (stream->url) s->setUrl(stream->url);
    if (stream->headers) s->setHeaders(stream->headers);
    s->setSeekableByServer(seekable != 0);
    if (s->isSeekable() && !seekable) {
        // The browser ends a refused stream without destroying it through the plug-in.
        s->signalFailedOpen();
        s->setStream(nullptr);
        stream->notifyData = nullptr;
        s->setDestroyed();
        return NPERR_STREAM_NOT_SEEKABLE;
    }
    if (stype) {
        *stype = s->canSeek() ? NP_SEEK : s->isCached() ? NP_ASFILE : NP_NORMAL;
    }
    if (!s->isCompleted()) s->signalOpened();
    return NPERR_NO_ERROR;
}

// The destroy counts whoever ended the browser's stream; its result is the reason given.
NPError NpapiPlugin::DestroyStream(NPStream* stream, NPReason reason) {
    const NpapiStreamPtr s = stream ? m_npHost->streamFromNotifyData(stream->notifyData) : nullptr;
    if (!s) return NPERR_NO_ERROR;
    stream->notifyData = nullptr;
    if (s->getStream() == stream) {
        s->setStream(nullptr);
        s->signalCompleted(reason == NPRES_DONE);
    }
    s->setDestroyed();
    return NPERR_NO_ERROR;
}

int32_t NpapiPlugin::WriteReady(NPStream* stream) {
    const NpapiStreamPtr s = stream ? m_npHost->streamFromNotifyData(stream->notifyData) : nullptr;
    if (!s) return -1;
    const uint32_t room = s->getInternalBufferSize();
    return room > uint32_t(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(room);
}

int32_t NpapiPlugin::Write(NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    const NpapiStreamPtr s = stream ? m_npHost->streamFromNotifyData(stream->notifyData) : nullptr;
    if (!s) return -1;
    return s->signalDataArrived(buffer, len, offset);
}

// The browser's file name, each byte taken as one character.
void NpapiPlugin::StreamAsFile(NPStream* stream, const char* fname) {
    const NpapiStreamPtr s = stream ? m_npHost->streamFromNotifyData(stream->notifyData) : nullptr;
    if (!s || !fname) return;
    std::wstring name;
    for (const char* c = fname; *c; ++c) name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    s->setCacheFilename(name);
}

void NpapiPlugin::Print(NPPrint*) {}

int16_t NpapiPlugin::HandleEvent(void*) { return 0; }

void NpapiPlugin::URLNotify(const char*, NPReason reason, void* notifyData) {
    const NpapiStreamPtr s = m_npHost->streamFromNotifyData(notifyData);
    if (!s) return;
    s->signalCompleted(reason == NPRES_DONE);
    s->setUrlNotified();
}

NPError NpapiPlugin::GetValue(NPPVariable variable, void* value) {
    if (!value) return NPERR_INVALID_PARAM;
    switch (variable) {
        case NPPVpluginNameString:
            frameworkLog("PluginCore", "GetValue(NPPVpluginNameString)");
            *static_cast<const char**>(value) = m_pluginName.c_str();
            return NPERR_NO_ERROR;
        case NPPVpluginDescriptionString:
            frameworkLog("PluginCore", "GetValue(NPPVpluginDescriptionString)");
            *static_cast<const char**>(value) = m_pluginDesc.c_str();
            return NPERR_NO_ERROR;
        case NPPVpluginScriptableNPObject:
            frameworkLog("PluginCore", "GetValue(NPPVpluginScriptableNPObject)");
            *static_cast<NPObject**>(value) = getScriptableObject();
            return NPERR_NO_ERROR;
        default:
            frameworkLog("PluginCore", "GetValue(Unknown)");
            return NPERR_GENERIC_ERROR;
    }
}

NPError NpapiPlugin::SetValue(NPNVariable, void*) { return NPERR_NO_ERROR; }

// The wrapper comes from the host's cache, so the page meets one object for the root scripting
// object whichever way it gets it (this answer, or a value such as the "onload" argument).
NPObject* NpapiPlugin::getScriptableObject() {
    if (!m_obj) m_obj = m_npHost->getJSAPIWrapper(m_pluginCore->rootScriptingObject());
    if (m_obj) m_npHost->RetainObject(m_obj);
    return m_obj;
}

}  // namespace FB::Npapi
