// Which renderers a camera view makes: the settings file chooses GDI or DirectDraw, and a view
// falls back to GDI when DirectDraw cannot start.
#pragma once

#include "app/render/video_render_base.h"

#include <memory>

enum class RendererKind { DirectDraw, Gdi };

// The kind named by "VideoRenderGDI" in section "System" of VeltrinConfig.ini: GDI for any value
// other than "0", DirectDraw when it is "0" or missing.
RendererKind ConfiguredRendererKind();

std::unique_ptr<VideoRenderBase> MakeRenderer(RendererKind kind);
