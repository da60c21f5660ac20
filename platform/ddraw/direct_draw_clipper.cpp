#include "platform/ddraw/direct_draw_clipper.h"

namespace platform::detail {

HRESULT STDMETHODCALLTYPE DirectDrawClipper::SetHWnd(DWORD flags, HWND window) {
    if (directDrawCallFails(platform::testing::DirectDrawCall::ClipperSetHWnd)) return DDERR_GENERIC;
    if (flags != 0) return DDERR_INVALIDPARAMS;
    window_ = window;
    return DD_OK;
}

}  // namespace platform::detail
