#include "platform/gzip_data.h"

#include <zlib.h>

#include "platform/error.h"

namespace zuvo {

std::string Gunzip(std::string_view name, std::string_view compressed) {
  z_stream stream{};
  constexpr int kGzipWindow = 16 + MAX_WBITS;  // 16: expect the gzip header and trailer
  if (inflateInit2(&stream, kGzipWindow) != Z_OK) {
    throw Error(std::string(name) + ": cannot start decompressing");
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string out;
  char buffer[1 << 16];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  // Anything but the stream's end (Z_BUF_ERROR: the input ran out first) is a damaged file.
  inflateEnd(&stream);
  if (status != Z_STREAM_END) {
    throw Error(std::string(name) + ": damaged or incomplete gzip data");
  }
  return out;
}

}  // namespace zuvo
