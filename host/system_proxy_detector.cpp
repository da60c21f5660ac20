#include "host/system_proxy_detector.h"

#include "host/system_proxy_detector_win.h"

#include <memory>

namespace FB {

SystemProxyDetector* SystemProxyDetector::get() {
    static std::unique_ptr<SystemProxyDetector> detector = std::make_unique<SystemProxyDetectorWin>();
    return detector.get();
}

}  // namespace FB
