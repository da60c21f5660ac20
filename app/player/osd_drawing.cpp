#include "app/player/osd_drawing.h"

#include "app/player/osd_text.h"

void DrawOsdIntoPicture(TextRenderer& renderer, OsdTextCache& cache, uint8_t* picture, int width, int shownHeight,
                        const OsdRecord& record) {
    if (!picture || width <= 0 || shownHeight <= 0) return;
    static const int32_t kWhite[3] = {255, 255, 255};
    OsdText text;
    LayOutOsd(record, width, shownHeight, &text);
    if (text.line[0] != '\0') {
        cache.line.Draw(renderer, picture, text.line, width, shownHeight, text.lineX, text.lineY, text.size, kWhite);
    }
    if (text.location[0] != '\0') {
        cache.location.Draw(renderer, picture, text.location, width, shownHeight, text.locationX, text.locationY,
                            text.size, kWhite);
    }
}
