// A clipper: the window whose client area a Blt onto the primary surface may change. Internal to
// the platform library.
#pragma once

#include "platform/ddraw/com_object.h"
#include "platform/ddraw/ddraw.h"

#include <atomic>

namespace platform::detail {

class DirectDrawClipper final : public ComObject<IDirectDrawClipper> {
public:
    HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) override;
    HWND window() const { return window_.load(); }

private:
    std::atomic<HWND> window_{nullptr};
};

}  // namespace platform::detail
