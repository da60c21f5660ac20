// The records a camera sends the preview views over its device link: the on-screen-display record
// (type 1) and the status records of types 2, 3, 4 and 10, with points and labels anywhere the
// camera puts them. The input's first byte picks the type, the rest is its body, cut or filled with
// zeros to the record's size (a record of another size is ignored by the views). Each preview view
// takes it as from its link and draws its overlay.
#include "app/device/device_message.h"
#include "app/player/preview_player.h"
#include "app/player/preview_player_old_ball.h"
#include "app/player/preview_player_old_gun.h"
#include "view_drawing.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

struct RecordKind {
    int type;
    int size;
};

constexpr RecordKind kRecords[] = {
    {kDeviceOsdRecord, kOsdRecordSize},          {kDeviceLineSetShort, kDeviceLineSetShortSize},
    {kDeviceLineSet, kDeviceLineSetSize},        {kDeviceFigureSet, kDeviceFigureSetSize},
    {kDeviceLineSetBall, kDeviceLineSetSize},
};

template <class View>
void TakeAndDraw(const RecordKind& record, const std::string& body) {
    auto& view = fuzz_views::RunView<fuzz_views::DrawingView<View>>();
    view.OnDeviceMessage(record.type, body.data(), record.size);
    view.Draw();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const RecordKind& record = kRecords[data[0] % std::size(kRecords)];
    std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    body.resize(static_cast<size_t>(record.size), '\0');
    TakeAndDraw<CPreviewPlayer>(record, body);
    TakeAndDraw<CPreviewPlayerOldBall>(record, body);
    TakeAndDraw<CPreviewPlayerOldGun>(record, body);
    return 0;
}
