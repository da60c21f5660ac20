#include "npapi/npapi_browser_host_async_win.h"

namespace FB::Npapi {

NpapiBrowserHostAsyncWin::NpapiBrowserHostAsyncWin(NpapiPluginModulePtr module, NPP npp)
    : NpapiBrowserHost(std::move(module), npp), m_messageWindow(std::make_unique<WinMessageWindow>()) {}

// The window goes first: calls still queued for it are freed unrun.
NpapiBrowserHostAsyncWin::~NpapiBrowserHostAsyncWin() { m_messageWindow.reset(); }

bool NpapiBrowserHostAsyncWin::postAsyncCall(AsyncCallFunction fn, void* userData) {
    if (isShutDown()) return false;
    return m_messageWindow->postCall(fn, userData);
}

}  // namespace FB::Npapi
