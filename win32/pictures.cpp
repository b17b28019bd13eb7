#include "win32/pictures.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdint>

#include "assets/embedded_images.h"
#include "win32/dpi.h"

namespace kavrel {
namespace {

// Releases a COM interface when the scope ends.
template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) {
            p->Release();
        }
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// Picture `index` at `dpi`: the PNG drawn for the nearest scale at or above it, reduced to
// the exact size where the scale lies between two drawn ones.
HBITMAP Decode(IWICImagingFactory& factory, int index, UINT dpi) {
    const int wanted = Scaled(100, dpi);  // percent
    int scale = 0;
    while (kPictureScales[scale] < wanted &&
           scale + 1 < static_cast<int>(std::size(kPictureScales))) {
        ++scale;
    }
    const std::span<const std::uint8_t> png = EmbeddedPng(index, scale);
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    ComPtr<IWICBitmapScaler> scaler;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(factory.CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()),
                                            static_cast<DWORD>(png.size()))) ||
        FAILED(factory.CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                               &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory.CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height))) {
        return nullptr;
    }
    // The size of the picture at the layout's 96 dpi, then at this one.
    width =
        static_cast<UINT>(Scaled(MulDiv(static_cast<int>(width), 100, kPictureScales[scale]), dpi));
    height = static_cast<UINT>(
        Scaled(MulDiv(static_cast<int>(height), 100, kPictureScales[scale]), dpi));
    if (FAILED(factory.CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(converter.p, width, height, WICBitmapInterpolationModeFant))) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const UINT stride = width * 4;
    if (!bitmap ||
        FAILED(scaler->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
        return nullptr;
    }
    // Premultiplied pixels over the dialog background: static controls ignore alpha.
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    const std::uint8_t under[3] = {GetBValue(background), GetGValue(background),
                                   GetRValue(background)};
    auto* pixel = static_cast<std::uint8_t*>(bits);
    for (UINT i = 0; i < width * height; ++i, pixel += 4) {
        const int transparency = 255 - pixel[3];
        for (int c = 0; c < 3; ++c) {
            pixel[c] = static_cast<std::uint8_t>(pixel[c] + under[c] * transparency / 255);
        }
        pixel[3] = 255;
    }
    return bitmap;
}

}  // namespace

Pictures::~Pictures() {
    for (HBITMAP frame : animationFrames) {
        if (frame) {
            DeleteObject(frame);
        }
    }
    if (aboutBanner) {
        DeleteObject(aboutBanner);
    }
}

bool Pictures::Owns(HBITMAP bitmap) const {
    return bitmap == aboutBanner || std::find(animationFrames.begin(), animationFrames.end(),
                                              bitmap) != animationFrames.end();
}

void ShowBitmap(HWND picture, HBITMAP bitmap, const Pictures& own) {
    const auto shown = reinterpret_cast<HBITMAP>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (shown && !own.Owns(shown)) {
        DeleteObject(shown);
    }
}

bool DecodePictures(Pictures& pictures, UINT dpi) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory.p)))) {
        return false;
    }
    for (int index = 0; index < kAnimationFrameCount; ++index) {
        pictures.animationFrames[static_cast<size_t>(index)] = Decode(*factory.p, index, dpi);
        if (!pictures.animationFrames[static_cast<size_t>(index)]) {
            return false;
        }
    }
    pictures.aboutBanner = Decode(*factory.p, kAboutBannerIndex, dpi);
    return pictures.aboutBanner != nullptr;
}

}  // namespace kavrel
