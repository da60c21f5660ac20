#include "app/render/video_renderers.h"

#include "app/render/video_render_ddraw.h"
#include "app/render/video_render_gdi.h"

std::unique_ptr<VideoRenderBase> MakeDDrawRenderer() { return std::make_unique<VideoRenderDDraw>(); }

std::unique_ptr<VideoRenderBase> MakeGdiRenderer() { return std::make_unique<VideoRenderGDI>(); }
