#include "app/player/jpeg_snapshot.h"

#include "app/util/file_owner.h"
#include "platform/text/win_code_page.h"

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
    size_t rowLength[kComponents];
};

Planes I420Planes(const uint8_t* picture, int width, int height) {
    const size_t lumaSize = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t chromaSize = static_cast<size_t>(width / 2) * static_cast<size_t>(height / 2);
    const size_t chromaRow = static_cast<size_t>(width / 2);
    return Planes{{picture, picture + lumaSize, picture + lumaSize + chromaSize},
                  {static_cast<size_t>(width), chromaRow, chromaRow}};
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

// Row buffers from the library's image pool, one array per component, cleared once so that the
// columns past the picture's width are defined.
void AllocateRows(jpeg_compress_struct* info, JSAMPARRAY rows[kComponents]) {
    for (int c = 0; c < kComponents; ++c) {
        const jpeg_component_info& component = info->comp_info[c];
        const JDIMENSION rowSize = component.width_in_blocks * DCTSIZE;
        const JDIMENSION count = static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE);
        rows[c] = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, rowSize, count);
        for (JDIMENSION r = 0; r < count; ++r) std::memset(rows[c][r], 0, rowSize);
    }
}

// The whole compression. Nothing in this frame needs destroying, so an error of the library may
// jump back to its start, which answers false.
bool Compress(jpeg_compress_struct* info, JpegErrorExit* errors, FILE* file, const uint8_t* picture, int width,
              int height) {
    if (setjmp(errors->escape) != 0) return false;
    jpeg_create_compress(info);
    jpeg_stdio_dest(info, file);
    SetUpRawYCbCr420(info, width, height);
    jpeg_start_compress(info, TRUE);
    JSAMPARRAY rows[kComponents];
    AllocateRows(info, rows);
    const Planes planes = I420Planes(picture, width, height);
    while (info->next_scanline < info->image_height) {
        for (int c = 0; c < kComponents; ++c) {
            const int count = info->comp_info[c].v_samp_factor * DCTSIZE;
            const size_t first = info->next_scanline / (kRowGroup / count);
            for (int r = 0; r < count; ++r) {
                std::memcpy(rows[c][r], planes.start[c] + (first + r) * planes.rowLength[c], planes.rowLength[c]);
            }
        }
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

size_t JpegInputSize(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    const int paddedHeight = (height + kRowGroup - 1) / kRowGroup * kRowGroup;
    return static_cast<size_t>(width) * static_cast<size_t>(paddedHeight) * 3 / 2;
}

int WriteJpegFile(const char* ansiName, const uint8_t* picture, int width, int height) {
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
        written = Compress(&compressor.info, &errors, file.get(), picture, width, height);
    }
    written = std::fclose(file.release()) == 0 && written;
    if (written) return 0;
    RemoveAnsiFile(ansiName);
    return -1;
}
