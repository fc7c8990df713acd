#include "support/JpegEncoder.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "platform/Exception.h"

namespace tesra {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: jump back to the
// encoder with the library's message. (Exceptions must not unwind through the C library.)
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->base.format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Runs the whole compression; no object with a destructor lives in this frame across setjmp.
// Returns false with the library's message on failure. The memory in *data belongs to the caller.
bool Compress(const platform::Picture& picture, int quality, unsigned char** data, unsigned long* size, char* message) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, data, size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t stride = static_cast<size_t>(picture.width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const platform::Picture& picture, int quality) {
    if (picture.Empty()) return {};
    if (picture.rgb.size() < static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3) {
        throw Exception("JPEG 编码失败：图像数据不完整");
    }
    unsigned char* data = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = "";
    bool done = Compress(picture, quality, &data, &size, message);
    std::string jpeg = done ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
    std::free(data);
    if (!done) throw Exception(std::string("JPEG 编码失败：") + message);
    return jpeg;
}

}  // namespace tesra
