// The real renderer of the kind a view asks for, for a benchmark to watch what the view hands it:
// a subclass overrides Render, looks, and passes the call on with RenderForReal.
#pragma once

#include "app/player/renderer_choice.h"
#include "app/render/video_render_base.h"
#include "app/render/video_renderers.h"

#include <memory>

namespace bench_support {

class RendererTap : public VideoRenderBase {
public:
    explicit RendererTap(RendererKind kind)
        : real_(kind == RendererKind::Gdi ? MakeGdiRenderer() : MakeDDrawRenderer()) {}
    int Init(HWND window, int width, int height, int format) override {
        return real_->Init(window, width, height, format);
    }
    int Close() override { return real_->Close(); }
    int Release() override { return real_->Release(); }

protected:
    int RenderForReal(const unsigned char* data, int length, int format, const RECT* source) {
        return real_->Render(data, length, format, source);
    }

private:
    std::unique_ptr<VideoRenderBase> real_;
};

}  // namespace bench_support
