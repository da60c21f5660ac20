#include "app/player/jpeg_snapshot.h"

#include "app/util/file_owner.h"
#include "platform/text/win_code_page.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>

namespace {

// Asked for more than the encoder allows: it clamps the quality to 100, every quantiser 1.
constexpr int kQuality = 200;
constexpr int kRowGroup = 16;  // luma rows the encoder takes at a time (2 x 8)
constexpr int kComponents = 3;

// The error manager whose exit jumps back into the compression instead of ending the process.
struct JpegErrorExit {
    jpeg_error_mgr manager;  // first: the library hands its address back as the error manager
    std::jmp_buf escape;
};

[[noreturn]] void LeaveCompression(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorExit*>(info->err)->escape, 1);
}

void KeepQuiet(j_common_ptr) {}

// Owns the compressor from its creation: destroyed on every way out, also after an error.
struct CompressorOwner {
    CompressorOwner() { std::memset(&info, 0, sizeof(info)); }
    ~CompressorOwner() { jpeg_destroy_compress(&info); }
    CompressorOwner(const CompressorOwner&) = delete;
    CompressorOwner& operator=(const CompressorOwner&) = delete;
    jpeg_compress_struct info;
};

// The picture's planes as the encoder's components take them.
struct Planes {
    const uint8_t* start[kComponents];
    size_t rowLength[kComponents];  // samples a row
    size_t rows[kComponents];
};

// U from W x H, V from W x H x 5 / 4.
Planes I420Planes(const uint8_t* picture, int width, int height) {
    const size_t lumaSize = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t chromaRow = static_cast<size_t>(width / 2);
    const size_t chromaRows = static_cast<size_t>(height / 2);
    return Planes{{picture, picture + lumaSize, picture + lumaSize + lumaSize / 4},
                  {static_cast<size_t>(width), chromaRow, chromaRow},
                  {static_cast<size_t>(height), chromaRows, chromaRows}};
}

// A JPEG file's samples are full range: a reader takes them so. Studio-range samples are stretched
// on their way in, Y 16..235 onto 0..255 and chroma 16..240 onto 0..255 around 128, rounded to the
// nearest and clamped.
struct FullRangeMapping {
    uint8_t luma[256];
    uint8_t chroma[256];

    FullRangeMapping() {
        for (int i = 0; i < 256; ++i) {
            luma[i] = Clamped(RoundedQuotient((i - 16) * 255, 219));
            chroma[i] = Clamped(128 + RoundedQuotient((i - 128) * 255, 224));
        }
    }
    static int RoundedQuotient(int dividend, int divisor) {
        return (dividend + (dividend < 0 ? -divisor / 2 : divisor / 2)) / divisor;
    }
    static uint8_t Clamped(int value) { return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }
};

// The mapping of each component's samples, or null to take them as they are.
struct SampleMaps {
    const uint8_t* map[kComponents];
};

SampleMaps MapsFor(SampleRange range) {
    if (range == SampleRange::Full) return SampleMaps{{nullptr, nullptr, nullptr}};
    static const FullRangeMapping full;
    return SampleMaps{{full.luma, full.chroma, full.chroma}};
}

// One row of a component for the encoder, which takes whole blocks: the picture's row, mapped, then
// its last sample repeated to the end of the block. A plane with no samples (a picture one pixel
// wide or high has no chroma) gives neutral rows.
void FillRow(JSAMPROW out, size_t outLength, const uint8_t* in, size_t inLength, const uint8_t* map) {
    if (inLength == 0) {
        std::memset(out, 128, outLength);
        return;
    }
    if (map == nullptr) {
        std::memcpy(out, in, inLength);
    } else {
        for (size_t i = 0; i < inLength; ++i) out[i] = map[in[i]];
    }
    std::memset(out + inLength, out[inLength - 1], outLength - inLength);
}

void SetUpRawYCbCr420(jpeg_compress_struct* info, int width, int height) {
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = kComponents;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, kQuality, TRUE);
    info->raw_data_in = TRUE;
    jpeg_set_colorspace(info, JCS_YCbCr);
    info->comp_info[0].h_samp_factor = 2;
    info->comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < kComponents; ++c) {
        info->comp_info[c].h_samp_factor = 1;
        info->comp_info[c].v_samp_factor = 1;
    }
}

// Row buffers from the library's image pool, one array per component.
void AllocateRows(jpeg_compress_struct* info, JSAMPARRAY rows[kComponents]) {
    for (int c = 0; c < kComponents; ++c) {
        const jpeg_component_info& component = info->comp_info[c];
        const JDIMENSION rowSize = component.width_in_blocks * DCTSIZE;
        const JDIMENSION count = static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE);
        rows[c] = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, rowSize, count);
    }
}

// The next group of rows of every component. Rows past the picture's last repeat it, as columns
// past its last column do.
void FillRowGroup(jpeg_compress_struct* info, JSAMPARRAY rows[kComponents], const Planes& planes,
                  const SampleMaps& maps) {
    for (int c = 0; c < kComponents; ++c) {
        const jpeg_component_info& component = info->comp_info[c];
        const int count = component.v_samp_factor * DCTSIZE;
        const size_t first = info->next_scanline / (kRowGroup / count);
        const size_t rowSize = component.width_in_blocks * DCTSIZE;
        for (int r = 0; r < count; ++r) {
            const size_t row = planes.rows[c] == 0 ? 0 : std::min(first + r, planes.rows[c] - 1);
            const size_t length = planes.rows[c] == 0 ? 0 : planes.rowLength[c];
            FillRow(rows[c][r], rowSize, planes.start[c] + row * planes.rowLength[c], length, maps.map[c]);
        }
    }
}

// The whole compression. Nothing in this frame needs destroying, so an error of the library may
// jump back to its start, which answers false.
bool Compress(jpeg_compress_struct* info, JpegErrorExit* errors, FILE* file, const uint8_t* picture, int width,
              int height, SampleRange range) {
    if (setjmp(errors->escape) != 0) return false;
    jpeg_create_compress(info);
    jpeg_stdio_dest(info, file);
    SetUpRawYCbCr420(info, width, height);
    jpeg_start_compress(info, TRUE);
    JSAMPARRAY rows[kComponents];
    AllocateRows(info, rows);
    const Planes planes = I420Planes(picture, width, height);
    const SampleMaps maps = MapsFor(range);
    while (info->next_scanline < info->image_height) {
        FillRowGroup(info, rows, planes, maps);
        jpeg_write_raw_data(info, rows, kRowGroup);
    }
    jpeg_finish_compress(info);
    return true;
}

void RemoveAnsiFile(const char* ansiName) {
    const int length = MultiByteToWideChar(CP_ACP, 0, ansiName, -1, nullptr, 0);
    if (length <= 0) return;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, ansiName, -1, wide.data(), length) != length) return;
    _wremove(wide.c_str());
}

}  // namespace

int WriteJpegFile(const char* ansiName, const uint8_t* picture, int width, int height, SampleRange range) {
    if (ansiName == nullptr || picture == nullptr || width <= 0 || height <= 0) return -1;
    FileOwner file = OpenAnsiFile(ansiName, "wb");
    if (!file) return -1;
    JpegErrorExit errors;
    bool written = false;
    {
        CompressorOwner compressor;
        compressor.info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = &LeaveCompression;
        errors.manager.output_message = &KeepQuiet;
        written = Compress(&compressor.info, &errors, file.get(), picture, width, height, range);
    }
    written = std::fclose(file.release()) == 0 && written;
    if (written) return 0;
    RemoveAnsiFile(ansiName);
    return -1;
}
