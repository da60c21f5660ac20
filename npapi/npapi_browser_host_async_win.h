// The NPAPI host variant for browsers without a usable NPN_PluginThreadAsyncCall: main-thread
// calls travel as message 1025 to a hidden message window of the browser's main thread.
#pragma once

#include "host/win_message_window.h"
#include "npapi/npapi_browser_host.h"

#include <memory>

namespace FB::Npapi {

class NpapiBrowserHostAsyncWin : public NpapiBrowserHost {
public:
    // On the browser's main thread, which owns the window. Throws std::runtime_error when the
    // window cannot be made.
    NpapiBrowserHostAsyncWin(NpapiPluginModulePtr module, NPP npp);
    ~NpapiBrowserHostAsyncWin() override;

    // False once the host is shut down, and when the post fails (nothing is left queued then).
    bool postAsyncCall(AsyncCallFunction fn, void* userData) override;

private:
    std::unique_ptr<WinMessageWindow> m_messageWindow;
};

}  // namespace FB::Npapi
