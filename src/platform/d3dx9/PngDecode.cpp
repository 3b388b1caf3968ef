// PNG decoding with libpng from a memory buffer.
//
// libpng reports errors by longjmp. Every function that calls setjmp holds
// only plain data, and the libpng work runs in helpers that hold only plain
// data too, so the jump never skips a destructor. The output buffer is
// allocated by the C++ caller between the two protected steps.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/d3dx9/ErrorResult.h"
#include "platform/d3dx9/ImageCodec.h"

namespace d3dx {
namespace {

constexpr std::size_t kSignatureBytes = 8;
// Signature, IHDR length and type, the 13 IHDR bytes and their CRC.
constexpr std::size_t kHeaderBytes = kSignatureBytes + 8 + 13 + 4;
// Ancillary chunks (text, profiles) above this are refused by libpng.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;

struct PngReadSession {
  png_structp png;
  png_infop info;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
  png_uint_32 width;
  png_uint_32 height;
  int passes;
  bool hasAlpha;
  bool truncated;
  char message[256];
};

std::uint32_t ReadBigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

void ReportError(png_structp png, png_const_charp message) {
  auto* session = static_cast<PngReadSession*>(png_get_error_ptr(png));
  std::snprintf(session->message, sizeof session->message, "%s", message);
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Never reads past the buffer: a request beyond its end is an error.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* session = static_cast<PngReadSession*>(png_get_io_ptr(png));
  if (count > session->size - session->offset) {
    session->truncated = true;
    png_error(png, "truncated PNG data");
  }
  std::memcpy(out, session->data + session->offset, count);
  session->offset += count;
}

// Checks the signature and the IHDR dimensions from the raw bytes, so absurd
// sizes are refused with a clear message before libpng or we allocate.
bool CheckHeader(const std::uint8_t* bytes, std::size_t size, std::string* error) {
  if (size == 0) return Fail(error, "not a PNG file (no data)");
  const std::size_t signatureBytes = size < kSignatureBytes ? size : kSignatureBytes;
  if (png_sig_cmp(bytes, 0, signatureBytes) != 0) return Fail(error, "not a PNG file");
  if (size < kHeaderBytes) return Fail(error, "truncated PNG data");
  if (ReadBigEndian32(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
    return Fail(error, "corrupt PNG data: the first chunk is not a valid IHDR");
  }
  const std::uint32_t width = ReadBigEndian32(bytes + 16);
  const std::uint32_t height = ReadBigEndian32(bytes + 20);
  const std::string size_text = std::to_string(width) + "x" + std::to_string(height);
  if (width == 0 || height == 0) return Fail(error, "PNG dimensions " + size_text + " are invalid");
  if (width > kMaxImageDimension || height > kMaxImageDimension ||
      std::uint64_t{width} * height > kMaxImagePixels) {
    return Fail(error, "PNG dimensions " + size_text + " are too large");
  }
  return true;
}

// Reads the header and sets up the transforms to 8-bit RGBA rows.
void ReadHeaderUnprotected(PngReadSession* session) {
  png_structp png = session->png;
  png_infop info = session->info;
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  session->hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparency;

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (hasTransparency) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_scale_16(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  if (!session->hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  session->passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  if (png_get_rowbytes(png, info) != std::size_t{width} * 4) png_error(png, "unexpected PNG row layout");
  session->width = width;
  session->height = height;
}

// Reads every pass into rgba (width * height * 4 bytes); with interlacing
// libpng merges each pass into the rows read before.
void ReadRowsUnprotected(PngReadSession* session, std::uint8_t* rgba) {
  const std::size_t rowBytes = std::size_t{session->width} * 4;
  for (int pass = 0; pass < session->passes; ++pass) {
    for (png_uint_32 y = 0; y < session->height; ++y) {
      png_read_row(session->png, rgba + y * rowBytes, nullptr);
    }
  }
  png_read_end(session->png, nullptr);
}

bool ReadHeader(PngReadSession* session) {
  if (setjmp(png_jmpbuf(session->png))) return false;
  ReadHeaderUnprotected(session);
  return true;
}

bool ReadRows(PngReadSession* session, std::uint8_t* rgba) {
  if (setjmp(png_jmpbuf(session->png))) return false;
  ReadRowsUnprotected(session, rgba);
  return true;
}

// Rewrites R, G, B, A bytes in place as 0xAARRGGBB words.
void RgbaBytesToArgb(std::vector<std::uint32_t>* pixels) {
  auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels->data());
  for (std::size_t i = 0; i < pixels->size(); ++i) {
    const std::uint8_t* p = bytes + i * 4;
    const std::uint32_t argb = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) |
                               (std::uint32_t{p[1]} << 8) | std::uint32_t{p[2]};
    (*pixels)[i] = argb;
  }
}

}  // namespace

bool DecodePng(const void* data, std::size_t size, Image* out, std::string* error) {
  *out = Image{};
  if (data == nullptr) size = 0;
  if (size > kMaxImageFileBytes) {
    return Fail(error, "PNG data of " + std::to_string(size) + " bytes is too large");
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (!CheckHeader(bytes, size, error)) return false;

  PngReadSession session{};
  session.data = bytes;
  session.size = size;
  session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, ReportError, IgnoreWarning);
  if (session.png == nullptr) return Fail(error, "could not start the PNG decoder");
  session.info = png_create_info_struct(session.png);
  if (session.info == nullptr) {
    png_destroy_read_struct(&session.png, nullptr, nullptr);
    return Fail(error, "could not start the PNG decoder");
  }
  png_set_read_fn(session.png, &session, ReadFromMemory);
  png_set_user_limits(session.png, kMaxImageDimension, kMaxImageDimension);
  png_set_chunk_malloc_max(session.png, kMaxChunkBytes);

  std::vector<std::uint32_t> pixels;
  bool ok = ReadHeader(&session);
  if (ok) {
    pixels.resize(std::size_t{session.width} * session.height);
    ok = ReadRows(&session, reinterpret_cast<std::uint8_t*>(pixels.data()));
  }
  png_destroy_read_struct(&session.png, &session.info, nullptr);

  if (!ok) {
    if (session.truncated) return Fail(error, "truncated PNG data");
    return Fail(error, std::string("corrupt PNG data: ") + session.message);
  }
  RgbaBytesToArgb(&pixels);
  out->width = static_cast<int>(session.width);
  out->height = static_cast<int>(session.height);
  out->pixels = std::move(pixels);
  out->hasAlpha = session.hasAlpha;
  return true;
}

}  // namespace d3dx
