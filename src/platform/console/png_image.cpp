#include "platform/console/png_image.h"

#include <png.h>

#include <cassert>

namespace tamarack {

// libpng's simplified interface: it reads the rows straight from the
// bitmap, a row stride apart, and reports its errors in the image record
// instead of jumping out of the caller.
PngImage EncodePng(const Surface& bitmap, const PixelRect& area) {
  assert(area.Left >= 0 && area.Top >= 0 && area.Right <= Surface::Width &&
         area.Bottom <= Surface::Height && area.Left < area.Right && area.Top < area.Bottom);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(area.Right - area.Left);
  image.height = static_cast<png_uint_32>(area.Bottom - area.Top);
  image.format = PNG_FORMAT_RGB;
  // The console draws at one device pixel a window pixel.
  assert(bitmap.DeviceWidth() == Surface::Width);
  const int bytesPerLine = bitmap.DeviceBytesPerLine();
  const uint8_t* first = bitmap.Pixels() + area.Top * bytesPerLine + area.Left * 3;
  // The stride counts components, which are bytes at 8 bits a component.
  const png_int_32 stride = bytesPerLine;

  PngImage result;
  png_alloc_size_t size = 0;
  if (png_image_write_get_memory_size(image, size, 0, first, stride, nullptr) != 0) {
    result.Bytes.resize(size);
    if (png_image_write_to_memory(&image, result.Bytes.data(), &size, 0, first, stride, nullptr) !=
        0) {
      result.Bytes.resize(size);
      return result;
    }
  }
  result.Bytes.clear();
  result.Error = image.message;
  png_image_free(&image);
  return result;
}

}  // namespace tamarack
