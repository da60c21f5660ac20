// Test hook of the views' renderers: a factory that makes them in place of the real ones.
#pragma once

#include "app/player/renderer_choice.h"

#include <functional>
#include <memory>

using RendererFactory = std::function<std::unique_ptr<VideoRenderBase>(RendererKind)>;

// Every renderer made from now on comes from the factory; an empty function restores the real
// renderers.
void SetRendererFactoryForTesting(RendererFactory factory);
