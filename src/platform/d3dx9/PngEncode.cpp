// PNG encoding with libpng into a memory buffer (8-bit RGBA, not interlaced).
//
// As in the decoder, the setjmp frame and the libpng helpers hold only plain
// data. The output vector is reserved for the worst case up front, so the
// write callback never reallocates (and never throws) inside libpng.

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "platform/d3dx9/ErrorResult.h"
#include "platform/d3dx9/ImageCodec.h"

namespace d3dx {
namespace {

// libpng emits one IDAT chunk per filled compression buffer.
constexpr std::size_t kCompressionBufferBytes = 64 * 1024;

struct PngWriteSession {
  png_structp png;
  png_infop info;
  std::vector<std::uint8_t>* out;
  const std::uint32_t* pixels;
  png_uint_32 width;
  png_uint_32 height;
  std::uint8_t* row;
  char message[256];
};

void ReportError(png_structp png, png_const_charp message) {
  auto* session = static_cast<PngWriteSession*>(png_get_error_ptr(png));
  std::snprintf(session->message, sizeof session->message, "%s", message);
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void AppendToOutput(png_structp png, png_bytep data, png_size_t count) {
  auto* session = static_cast<PngWriteSession*>(png_get_io_ptr(png));
  std::vector<std::uint8_t>& out = *session->out;
  if (count > out.capacity() - out.size()) png_error(png, "PNG output exceeds its size bound");
  out.insert(out.end(), data, data + count);
}

void FlushNothing(png_structp) {}

// Upper bound of the file size: zlib's worst case (stored blocks) for the
// filtered rows, chunk framing per IDAT, signature, IHDR and IEND.
std::size_t EncodedSizeBound(std::size_t width, std::size_t height) {
  const std::size_t raw = height * (1 + width * 4);
  const std::size_t deflated = raw + (raw >> 12) + (raw >> 14) + (raw >> 25) + 64;
  const std::size_t idatChunks = deflated / kCompressionBufferBytes + 2;
  return 8 + 25 + 12 + deflated + idatChunks * 12 + 256;
}

void WriteUnprotected(PngWriteSession* session) {
  png_structp png = session->png;
  png_set_IHDR(png, session->info, session->width, session->height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, session->info);
  for (png_uint_32 y = 0; y < session->height; ++y) {
    const std::uint32_t* source = session->pixels + std::size_t{y} * session->width;
    std::uint8_t* row = session->row;
    for (png_uint_32 x = 0; x < session->width; ++x) {
      const std::uint32_t argb = source[x];
      row[x * 4 + 0] = static_cast<std::uint8_t>(argb >> 16);
      row[x * 4 + 1] = static_cast<std::uint8_t>(argb >> 8);
      row[x * 4 + 2] = static_cast<std::uint8_t>(argb);
      row[x * 4 + 3] = static_cast<std::uint8_t>(argb >> 24);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
}

bool Write(PngWriteSession* session) {
  if (setjmp(png_jmpbuf(session->png))) return false;
  WriteUnprotected(session);
  return true;
}

}  // namespace

bool EncodePng(const Image& image, std::vector<std::uint8_t>* out, std::string* error) {
  out->clear();
  if (image.width <= 0 || image.height <= 0 || image.width > kMaxImageDimension ||
      image.height > kMaxImageDimension ||
      std::uint64_t(image.width) * std::uint64_t(image.height) > kMaxImagePixels) {
    return Fail(error, "cannot encode an image of " + std::to_string(image.width) + "x" +
                           std::to_string(image.height) + " pixels");
  }
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t height = static_cast<std::size_t>(image.height);
  if (image.pixels.size() != width * height) {
    return Fail(error, "image has " + std::to_string(image.pixels.size()) + " pixels, expected " +
                           std::to_string(width * height));
  }

  out->reserve(EncodedSizeBound(width, height));
  std::vector<std::uint8_t> row(width * 4);

  PngWriteSession session{};
  session.out = out;
  session.pixels = image.pixels.data();
  session.width = static_cast<png_uint_32>(width);
  session.height = static_cast<png_uint_32>(height);
  session.row = row.data();
  session.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, ReportError, IgnoreWarning);
  if (session.png == nullptr) return Fail(error, "could not start the PNG encoder");
  session.info = png_create_info_struct(session.png);
  if (session.info == nullptr) {
    png_destroy_write_struct(&session.png, nullptr);
    return Fail(error, "could not start the PNG encoder");
  }
  png_set_write_fn(session.png, &session, AppendToOutput, FlushNothing);
  png_set_compression_buffer_size(session.png, kCompressionBufferBytes);

  const bool ok = Write(&session);
  png_destroy_write_struct(&session.png, &session.info);
  if (!ok) {
    out->clear();
    return Fail(error, std::string("PNG encoding failed: ") + session.message);
  }
  return true;
}

}  // namespace d3dx
