#include "tests/support/jpeg_file_reader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

namespace test_support {

namespace {

struct ErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void Leave(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->escape, 1); }
void Quiet(j_common_ptr) {}

struct Decompressor {
    Decompressor() { std::memset(&info, 0, sizeof(info)); }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    jpeg_decompress_struct info;
};

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool Is420(const jpeg_decompress_struct& info) {
    return info.num_components == 3 && info.jpeg_color_space == JCS_YCbCr && info.comp_info[0].h_samp_factor == 2 &&
           info.comp_info[0].v_samp_factor == 2 && info.comp_info[1].h_samp_factor == 1 &&
           info.comp_info[1].v_samp_factor == 1 && info.comp_info[2].h_samp_factor == 1 &&
           info.comp_info[2].v_samp_factor == 1;
}

// Decodes into picture (sized by the caller once the header is read); nothing in this frame needs
// destroying, so a library error may jump back to its start.
bool Decode(jpeg_decompress_struct* info, ErrorExit* errors, FILE* file, JpegPicture* picture) {
    if (setjmp(errors->escape) != 0) return false;
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    if (!Is420(*info)) return false;
    info->raw_data_out = TRUE;
    jpeg_start_decompress(info);
    const int width = static_cast<int>(info->image_width);
    const int height = static_cast<int>(info->image_height);
    picture->width = width;
    picture->height = height;
    picture->i420.assign(static_cast<size_t>(width) * height + 2 * static_cast<size_t>(width / 2) * (height / 2), 0);
    JSAMPARRAY rows[3];
    for (int c = 0; c < 3; ++c) {
        rows[c] = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                             info->comp_info[c].width_in_blocks * DCTSIZE,
                                             static_cast<JDIMENSION>(info->comp_info[c].v_samp_factor * DCTSIZE));
    }
    uint8_t* const planes[3] = {
        picture->i420.data(), picture->i420.data() + static_cast<size_t>(width) * height,
        picture->i420.data() + static_cast<size_t>(width) * height + static_cast<size_t>(width / 2) * (height / 2)};
    const int widths[3] = {width, width / 2, width / 2};
    const int heights[3] = {height, height / 2, height / 2};
    while (info->output_scanline < info->output_height) {
        const int top = static_cast<int>(info->output_scanline);
        jpeg_read_raw_data(info, rows, 16);
        for (int c = 0; c < 3; ++c) {
            const int count = c == 0 ? 16 : 8;
            const int first = c == 0 ? top : top / 2;
            for (int r = 0; r < count && first + r < heights[c]; ++r) {
                std::memcpy(planes[c] + static_cast<size_t>(first + r) * widths[c], rows[c][r],
                            static_cast<size_t>(widths[c]));
            }
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

JpegPicture ReadJpegFile(const std::filesystem::path& file) {
    JpegPicture picture;
    const std::unique_ptr<FILE, FileCloser> in(std::fopen(file.c_str(), "rb"));
    if (!in) return picture;
    ErrorExit errors;
    Decompressor decompressor;
    decompressor.info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = &Leave;
    errors.manager.output_message = &Quiet;
    if (!Decode(&decompressor.info, &errors, in.get(), &picture)) picture = JpegPicture();
    return picture;
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

}  // namespace test_support
