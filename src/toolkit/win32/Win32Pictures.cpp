#include "toolkit/win32/Win32Pictures.h"

#include "runtime/RuntimeError.h"
#include "toolkit/win32/Win32PictureData.h"
#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::toolkit::win32 {
namespace {

// Releases a COM object of the imaging component.
template <typename T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p != nullptr) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

void check(HRESULT result) {
  if (FAILED(result)) throw RuntimeError(err::kInvalidPicture);
}

// A 32-bit top-down DIB section of the given size; its bits through `bits`.
HBITMAP newDib(std::int32_t width, std::int32_t height, void*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) throw RuntimeError(err::kOutOfMemory);
  return bitmap;
}

}  // namespace

Win32Pictures::~Win32Pictures() {
  for (auto& [handle, loaded] : loaded_) {
    ::DeleteObject(reinterpret_cast<HBITMAP>(handle));
    if (loaded.icon != nullptr) ::DestroyIcon(loaded.icon);
    if (loaded.pointer != nullptr) ::DestroyCursor(loaded.pointer);
  }
}

const Win32Pictures::Pixels& Win32Pictures::Decode(std::u16string_view resourceName) {
  if (auto found = decoded_.find(resourceName); found != decoded_.end()) return found->second;
  std::size_t size = 0;
  const unsigned char* bytes = embeddedPicture(resourceName, size);
  if (bytes == nullptr) throw RuntimeError(err::kFileNotFound);
  // The system's imaging component reads the PNG file.
  Com<IWICImagingFactory> factory;
  check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)));
  Com<IWICStream> stream;
  check(factory->CreateStream(&stream));
  check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size)));
  Com<IWICBitmapDecoder> decoder;
  check(
      factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnLoad, &decoder));
  Com<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, &frame));
  Com<IWICFormatConverter> converter;
  check(factory->CreateFormatConverter(&converter));
  check(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom));
  UINT width = 0;
  UINT height = 0;
  check(converter->GetSize(&width, &height));
  Pixels pixels;
  pixels.width = static_cast<std::int32_t>(width);
  pixels.height = static_cast<std::int32_t>(height);
  pixels.argb.resize(std::size_t{width} * height);
  check(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.argb.size() * 4),
                              reinterpret_cast<BYTE*>(pixels.argb.data())));
  return decoded_.emplace(std::u16string(resourceName), std::move(pixels)).first->second;
}

Picture Win32Pictures::Load(std::u16string_view resourceName) {
  const Pixels& pixels = Decode(resourceName);
  // The transparent parts take the colour of the dialog face the pictures
  // stand on.
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const std::uint32_t faceR = GetRValue(face);
  const std::uint32_t faceG = GetGValue(face);
  const std::uint32_t faceB = GetBValue(face);
  void* bits = nullptr;
  HBITMAP bitmap = newDib(pixels.width, pixels.height, bits);
  auto* out = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.argb.size(); ++i) {
    const std::uint32_t c = pixels.argb[i];
    const std::uint32_t a = c >> 24;
    auto mix = [a](std::uint32_t over, std::uint32_t under) {
      return (over * a + under * (255 - a) + 127) / 255;
    };
    out[i] = 0xFF000000u | (mix((c >> 16) & 0xFF, faceR) << 16) |
             (mix((c >> 8) & 0xFF, faceG) << 8) | mix(c & 0xFF, faceB);
  }
  const auto handle = reinterpret_cast<std::intptr_t>(bitmap);
  loaded_[handle] = Loaded{&pixels};
  return Picture(handle, std::u16string(resourceName), pixels.width, pixels.height);
}

HBITMAP Win32Pictures::Bitmap(const Picture& picture) const {
  return loaded_.count(picture.Handle()) != 0 ? reinterpret_cast<HBITMAP>(picture.Handle())
                                              : nullptr;
}

HICON Win32Pictures::Icon(const Picture& picture) {
  auto found = loaded_.find(picture.Handle());
  if (found == loaded_.end()) return nullptr;
  if (found->second.icon == nullptr) found->second.icon = MakeIcon(*found->second.pixels, false);
  return found->second.icon;
}

HICON Win32Pictures::Pointer(const Picture& picture) {
  auto found = loaded_.find(picture.Handle());
  if (found == loaded_.end()) return nullptr;
  if (found->second.pointer == nullptr) {
    found->second.pointer = MakeIcon(*found->second.pixels, true);
  }
  return found->second.pointer;
}

HICON Win32Pictures::MakeIcon(const Pixels& pixels, bool pointer) const {
  void* bits = nullptr;
  HBITMAP color = newDib(pixels.width, pixels.height, bits);
  auto* out = static_cast<std::uint32_t*>(bits);
  // Icons want their colours premultiplied by their alpha.
  for (std::size_t i = 0; i < pixels.argb.size(); ++i) {
    const std::uint32_t c = pixels.argb[i];
    const std::uint32_t a = c >> 24;
    auto pre = [a](std::uint32_t v) { return (v * a + 127) / 255; };
    out[i] =
        (a << 24) | (pre((c >> 16) & 0xFF) << 16) | (pre((c >> 8) & 0xFF) << 8) | pre(c & 0xFF);
  }
  // The mask: set where the picture is transparent.
  const int stride = ((pixels.width + 15) / 16) * 2;
  std::vector<BYTE> maskBits(static_cast<std::size_t>(stride) * pixels.height, 0);
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    for (std::int32_t x = 0; x < pixels.width; ++x) {
      if ((pixels.argb[static_cast<std::size_t>(y) * pixels.width + x] >> 24) < 128) {
        maskBits[static_cast<std::size_t>(y) * stride + x / 8] |=
            static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
  }
  HBITMAP mask = ::CreateBitmap(pixels.width, pixels.height, 1, 1, maskBits.data());
  ICONINFO info{};
  info.fIcon = pointer ? FALSE : TRUE;
  info.xHotspot = pointer ? 11 : 0;
  info.yHotspot = 0;
  info.hbmMask = mask;
  info.hbmColor = color;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(mask);
  ::DeleteObject(color);
  if (icon == nullptr) throw RuntimeError(err::kOutOfMemory);
  return icon;
}

}  // namespace sigpatch::toolkit::win32
