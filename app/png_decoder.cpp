#include "app/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace kavrel {
namespace {

// The file being read by libpng's classic interface; plain data, so a longjmp out of
// libpng leaves nothing to destroy.
struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->offset) {
        png_error(png, "unexpected end of file");
    }
    std::memcpy(out, reader->data + reader->offset, count);
    reader->offset += count;
}

}  // namespace

std::optional<PngForm> ReadPngForm(std::span<const std::uint8_t> file) {
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) {
        return std::nullopt;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return std::nullopt;
    }
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{file.data(), file.size(), 0};
    PngForm form;
    volatile bool ok = false;  // read again after a longjmp
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        form.width = png_get_image_width(png, info);
        form.height = png_get_image_height(png, info);
        form.bitDepth = png_get_bit_depth(png, info);
        form.colorType = png_get_color_type(png, info);
        form.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
        ok = true;
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return ok ? std::optional(form) : std::nullopt;
}

std::optional<DecodedPng> DecodePng(std::span<const std::uint8_t> file) {
    std::optional<PngForm> form = ReadPngForm(file);
    if (!form) {
        return std::nullopt;
    }
    // The simplified interface reports errors as values and converts any stored form to
    // 8-bit RGBA.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    DecodedPng decoded{*form, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(image))};
    if (png_image_finish_read(&image, nullptr, decoded.rgba.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    return decoded;
}

}  // namespace kavrel
