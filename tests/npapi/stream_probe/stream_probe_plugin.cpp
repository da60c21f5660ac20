// A plug-in module for the stream tests, built like npVeltrin.so on the NPAPI binding: the camera
// application opens no browser stream, so this plug-in's scripting object opens them for page
// script ("get", "post") and writes what it hears of each stream to its "log", one line per event.
#include "host/browser_host.h"
#include "host/events/stream_events.h"
#include "host/factory_base.h"
#include "host/plugin_core.h"
#include "host/plugin_event_sink.h"
#include "scripting/jsapi_auto.h"
#include "scripting/method_wrappers.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// The lines of one stream's life, and the bytes it delivered.
class StreamRecorder : public FB::PluginEventSink {
public:
    explicit StreamRecorder(std::vector<std::string>& log) : m_log(log) {}

    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
        if (dynamic_cast<FB::StreamCreatedEvent*>(event)) m_log.push_back("created");
        if (auto* opened = dynamic_cast<FB::StreamOpenedEvent*>(event)) {
            m_log.push_back("opened " + opened->stream->getMimeType() + " " +
                            std::to_string(opened->stream->getLength()));
            const std::string headers = opened->stream->getHeaders();
            m_log.push_back("headers " + headers.substr(0, headers.find('\n')));
        }
        if (dynamic_cast<FB::StreamFailedOpenEvent*>(event)) m_log.push_back("failed open");
        if (auto* data = dynamic_cast<FB::StreamDataArrivedEvent*>(event)) {
            m_log.push_back("data " + std::to_string(data->offset) + " " + std::to_string(data->length));
            m_body.append(static_cast<const char*>(data->data), data->length);
        }
        if (auto* completed = dynamic_cast<FB::StreamCompletedEvent*>(event)) {
            m_log.push_back(completed->success ? "completed ok" : "completed failed");
            m_log.push_back("body " + m_body);
        }
        return false;
    }

private:
    std::vector<std::string>& m_log;
    std::string m_body;
};

class StreamProbeApi : public FB::JSAPIAuto {
public:
    explicit StreamProbeApi(const std::weak_ptr<FB::BrowserHost>& host) : FB::JSAPIAuto("StreamProbe"), m_host(host) {
        addMethod("get", FB::make_method(this, &StreamProbeApi::get));
        addMethod("post", FB::make_method(this, &StreamProbeApi::post));
        addProperty("log", FB::make_getter(this, &StreamProbeApi::log));
    }

    bool get(const std::string& url) { return open(url, nullptr); }
    bool post(const std::string& url, const std::string& body) { return open(url, &body); }

    std::string log() {
        std::string text;
        for (const std::string& line : m_log) text += line + "\n";
        return text;
    }

private:
    // Small reads (8 bytes), so that a body arrives in several pieces.
    bool open(const std::string& url, const std::string* body) {
        const auto host = m_host.lock();
        if (!host) return false;
        auto recorder = std::make_shared<StreamRecorder>(m_log);
        m_recorders.push_back(recorder);
        const auto stream = body ? host->createPostStream(url, recorder, *body, false, false, 8)
                                 : host->openStream(url, recorder, false, false, 8);
        if (!stream) m_log.push_back("refused");
        return stream != nullptr;
    }

    std::weak_ptr<FB::BrowserHost> m_host;
    std::vector<std::string> m_log;
    std::vector<std::shared_ptr<StreamRecorder>> m_recorders;
};

class StreamProbeCore : public FB::PluginCore {
public:
    bool handleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr makeScriptingObject() override { return std::make_shared<StreamProbeApi>(m_host); }
};

class StreamProbeFactory : public FB::FactoryBase {
public:
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string&) override {
        return std::make_shared<StreamProbeCore>();
    }
};

}  // namespace

FB::FactoryBasePtr sharedFactory() {
    static const FB::FactoryBasePtr factory = std::make_shared<StreamProbeFactory>();
    return factory;
}
