// The two renderers a camera view can choose between, made without naming their classes.
#pragma once

#include "app/render/video_render_base.h"

#include <memory>

std::unique_ptr<VideoRenderBase> MakeDDrawRenderer();
std::unique_ptr<VideoRenderBase> MakeGdiRenderer();
