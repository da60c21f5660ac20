#include "app/player/renderer_choice.h"
#include "app/player/renderer_choice_testing.h"

#include "app/render/video_renderers.h"
#include "platform/files/win_profile.h"

#include <mutex>
#include <utility>

namespace {

constexpr DWORD kSettingSize = 260;

std::mutex factoryLock;
RendererFactory testFactory;  // guarded by factoryLock

}  // namespace

RendererKind ConfiguredRendererKind() {
    wchar_t value[kSettingSize] = {};
    GetPrivateProfileStringW(L"System", L"VideoRenderGDI", L"0", value, kSettingSize, L"VeltrinConfig.ini");
    return std::wstring(value) == L"0" ? RendererKind::DirectDraw : RendererKind::Gdi;
}

std::unique_ptr<VideoRenderBase> MakeRenderer(RendererKind kind) {
    RendererFactory factory;
    {
        std::lock_guard<std::mutex> hold(factoryLock);
        factory = testFactory;
    }
    if (factory) return factory(kind);
    return kind == RendererKind::Gdi ? MakeGdiRenderer() : MakeDDrawRenderer();
}

void SetRendererFactoryForTesting(RendererFactory factory) {
    std::lock_guard<std::mutex> hold(factoryLock);
    testFactory = std::move(factory);
}
