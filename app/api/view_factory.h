// The camera view each function type of "SetFunction" makes.
#pragma once

#include <memory>

namespace FB {
class PluginWindow;
}

class CVideoPlayer;
class VeltrinAPI;

// The function type that puts the plug-in in device mode, where no view is made.
constexpr int kDeviceModeFunction = 5;
// The function type of the on-screen-display settings view.
constexpr int kOsdSettingsFunction = 1;
// The function type of the analytics setting view, and the control type that makes its variant
// with stop and shield areas of its own.
constexpr int kAnalysisSettingsFunction = 2;
constexpr int kStopAndShieldControl = 10;
constexpr int kLowestFunction = 0;
constexpr int kHighestFunction = 11;

// A new view of the function type (with the control type choosing between the analysis views), or
// null for a type that makes no view. The view's window may still be null.
std::unique_ptr<CVideoPlayer> MakeView(int functionType, int controlType, VeltrinAPI* owner, FB::PluginWindow* window);
