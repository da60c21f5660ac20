// The named-area views' reader of the page's JSON: named areas, the calibration rectangle, and the
// fifth group, with empty keys or (in the gun variant) the cross marks. Each view then draws what
// it read, and every shape again as the selected one being edited, a marker on each vertex.
#include "app/analysis/analysis_shape_keys.h"
#include "app/analysis/video_player_analysis_old.h"
#include "app/analysis/video_player_analysis_old_gun.h"
#include "shape_document_checks.h"
#include "view_drawing.h"

#include <iterator>

namespace {

template <class View>
class NamedAreaView : public fuzz_views::DrawingView<View> {
public:
    void DrawLoaded(const std::string& text) {
        this->SetAnalyseParams(text);
        this->Draw();
        for (ShapeGroup& group : this->groups_) {
            for (size_t i = 0; i < group.shapes.size(); ++i) Edit(group.shapes[i].get());
        }
        Edit(nullptr);
    }

private:
    void Edit(PolyLine* shape) {
        this->LockFrame();
        this->current_ = shape;
        this->editMode_ = shape != nullptr;
        this->UnlockFrame();
        if (shape != nullptr) this->Draw();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ShapeGroupKeys> keys(std::begin(kNamedAreaViewKeys), std::end(kNamedAreaViewKeys));
    CheckShapeDocument(text, keys, ShapeNaming::Named);
    keys.back() = kCrossMarkKeys;
    CheckShapeDocument(text, keys, ShapeNaming::Named);
    fuzz_views::RunView<NamedAreaView<CVideoPlayerAnalysisOld>>().DrawLoaded(text);
    fuzz_views::RunView<NamedAreaView<CVideoPlayerAnalysisOldGun>>().DrawLoaded(text);
    return 0;
}
