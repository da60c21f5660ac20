// The two renderers a camera view can use: DirectDraw, which lets the display scale and convert
// the picture, and GDI, which converts in software. A view owns two of one kind.
#pragma once

#include "app/render/video_render_base.h"

#include <memory>

std::unique_ptr<VideoRenderBase> MakeDDrawRenderer();
std::unique_ptr<VideoRenderBase> MakeGdiRenderer();
