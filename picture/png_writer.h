// Pictures written as 24-bit PNG files, encoded for speed: every row is filtered against
// the row above it (PNG's "Up" filter), and the filtered bytes are coded block by block
// with a Huffman code made for each block, without a search for repeated strings
// (deflate's fastest way short of storing the bytes as they are). A photo takes a little
// over half the bytes of its bitmap, and the encoding runs at about the speed of memory,
// the upper and lower halves of the picture at once on two threads.
#pragma once

#include <QtGlobal>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/bitmap_writer.h"

namespace vantory::qt {

class PngFile {
 public:
  // Encodes the picture laid out in `rows`, with its resolution. Gives up, returning
  // nothing, as soon as it sees `stop` set. Throws AppError 7 when memory runs out.
  static std::optional<PngFile> encode(const BitmapRows& rows, const std::atomic<bool>& stop);

  // Writes the file to the file whose name has the bytes `path`, completely or not at
  // all, as a bitmap is written (see writeFileCompletely); the same errors.
  void writeTo(const std::string& path) const;
  // The file's size in bytes.
  qint64 size() const;

 private:
  std::vector<std::vector<std::uint8_t>> pieces_;  // the file's bytes, in order
};

}  // namespace vantory::qt
