#include "platform/console/png_image.h"

#include <png.h>

#include <cassert>

namespace tamarack {

// libpng's simplified interface: it reads the rows straight from the
// picture and reports its errors in the image record instead of jumping out
// of the caller.
PngImage EncodePng(const RgbImage& picture) {
  assert(picture.Width > 0 && picture.Height > 0 &&
         picture.Pixels.size() == static_cast<size_t>(picture.Width) * picture.Height * 3);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.Width);
  image.height = static_cast<png_uint_32>(picture.Height);
  image.format = PNG_FORMAT_RGB;
  // The stride counts components, which are bytes at 8 bits a component.
  const png_int_32 stride = picture.Width * 3;
  const uint8_t* first = picture.Pixels.data();

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
