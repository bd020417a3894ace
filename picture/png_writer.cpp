#include "picture/png_writer.h"

#include <zlib.h>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <numeric>
#include <queue>

#include "picture/file_writing.h"
#include "picture/picture_errors.h"
#include "picture/side_thread.h"

namespace vantory::qt {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlockBytes = std::size_t{256} << 10;  // filtered bytes a Huffman code serves
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;    // the coded bytes of one IDAT chunk, at most
constexpr std::uint8_t kUpFilter = 2;
constexpr int kEndOfBlock = 256;
constexpr int kLiteralCodes = 257;  // the bytes and the end of a block: no lengths of repeats
constexpr int kDistanceCodes = 2;   // none used, but two sent, as zlib does, for every decoder
constexpr int kMaxCodeLength = 15;
constexpr int kMaxLengthCodeLength = 7;
// The order in which a block's header gives the lengths of the code-length code.
constexpr std::array<int, 19> kLengthCodeOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

void putBigEndian(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

// The checksum of a chunk of `type` holding `data`.
std::uint32_t chunkCrc(const char* type, const Bytes& data) {
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  if (data.empty()) return static_cast<std::uint32_t>(crc);  // (a null buffer would restart it)
  return static_cast<std::uint32_t>(crc32(crc, data.data(), static_cast<uInt>(data.size())));
}

// A PNG chunk as the pieces of the file: its length and type, its data, its checksum.
void appendChunk(std::vector<Bytes>& file, const char* type, Bytes data, std::uint32_t crc) {
  Bytes head(8);
  putBigEndian(head.data(), static_cast<std::uint32_t>(data.size()));
  std::memcpy(head.data() + 4, type, 4);
  Bytes tail(4);
  putBigEndian(tail.data(), crc);
  file.push_back(std::move(head));
  if (!data.empty()) file.push_back(std::move(data));
  file.push_back(std::move(tail));
}

void appendChunk(std::vector<Bytes>& file, const char* type, Bytes data) {
  const std::uint32_t crc = chunkCrc(type, data);
  appendChunk(file, type, std::move(data), crc);
}

// The code lengths of a Huffman code for the symbols of nonzero `frequency` (at least two),
// none longer than `maxLength`: when the best code has longer ones, the frequencies are
// flattened until it has not.
void huffmanLengths(std::vector<std::uint32_t> frequency, int maxLength, std::uint8_t* lengths) {
  const int n = static_cast<int>(frequency.size());
  for (;;) {
    // The tree: leaves 0..n-1, inner nodes after them; each node's parent.
    std::vector<int> parent(2 * n, -1);
    using Node = std::pair<std::uint64_t, int>;  // weight, node
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    for (int s = 0; s < n; ++s) {
      if (frequency[s] > 0) queue.push({frequency[s], s});
    }
    int next = n;
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    int longest = 0;
    for (int s = 0; s < n; ++s) {
      int depth = 0;
      if (frequency[s] > 0) {
        for (int node = s; parent[node] >= 0; node = parent[node]) ++depth;
      }
      lengths[s] = static_cast<std::uint8_t>(depth);
      longest = std::max(longest, depth);
    }
    if (longest <= maxLength) return;
    for (std::uint32_t& f : frequency) {
      if (f > 0) f = (f >> 1) | 1;
    }
  }
}

// The codes of the canonical Huffman code with `lengths`, bit-reversed: deflate sends a
// code's first bit first, and the bits are packed from the low end of each byte.
void canonicalCodes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
  std::array<int, kMaxCodeLength + 1> count{};
  for (int s = 0; s < n; ++s) ++count[lengths[s]];
  count[0] = 0;
  std::array<int, kMaxCodeLength + 2> next{};
  for (int length = 1, code = 0; length <= kMaxCodeLength; ++length) {
    code = (code + count[length - 1]) << 1;
    next[length] = code;
  }
  for (int s = 0; s < n; ++s) {
    const int length = lengths[s];
    if (length == 0) continue;
    const int code = next[length]++;
    int reversed = 0;
    for (int bit = 0; bit < length; ++bit) reversed |= ((code >> bit) & 1) << (length - 1 - bit);
    codes[s] = static_cast<std::uint16_t>(reversed);
  }
}

// Bits packed from the low end of each byte into pieces of at most kPieceBytes (longer
// only for a block that needs more), each to become one IDAT chunk.
class BitSink {
 public:
  // Room for `bytes` more.
  void reserve(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - at_) >= bytes + 8) return;
    if (!pieces_.empty()) pieces_.back().resize(static_cast<std::size_t>(at_ - pieces_.back().data()));
    pieces_.emplace_back(std::max(kPieceBytes, bytes + 8));
    at_ = pieces_.back().data();
    end_ = at_ + pieces_.back().size();
  }
  // `count` bits (at most 32), the lowest first.
  void put(std::uint32_t bits, int count) {
    pending_ |= std::uint64_t{bits} << filled_;
    filled_ += count;
    if (filled_ >= 32) flushWord();
  }
  // Two runs of bits of 16 at most each.
  void putTwo(std::uint32_t bits, unsigned count, std::uint32_t moreBits, unsigned moreCount) {
    pending_ |= std::uint64_t{bits} << filled_;
    filled_ += static_cast<int>(count);
    pending_ |= std::uint64_t{moreBits} << filled_;
    filled_ += static_cast<int>(moreCount);
    if (filled_ >= 32) flushWord();
  }
  // Zero bits up to the next whole byte.
  void alignToByte() {
    for (; filled_ > 0; filled_ -= 8) {
      *at_++ = static_cast<std::uint8_t>(pending_);
      pending_ >>= 8;
    }
    filled_ = 0;
    pending_ = 0;
  }
  void flushWord() {
    const auto word = qToLittleEndian(static_cast<quint32>(pending_));
    std::memcpy(at_, &word, 4);
    at_ += 4;
    pending_ >>= 32;
    filled_ -= 32;
  }
  std::vector<Bytes> finish() && {
    alignToByte();
    if (!pieces_.empty()) pieces_.back().resize(static_cast<std::size_t>(at_ - pieces_.back().data()));
    return std::move(pieces_);
  }

 private:
  std::vector<Bytes> pieces_;
  std::uint8_t* at_ = nullptr;
  std::uint8_t* end_ = nullptr;
  std::uint64_t pending_ = 0;
  int filled_ = 0;
};

// One deflate block of `data` as literals, with a Huffman code of its own.
void writeBlock(const std::uint8_t* data, std::size_t n, bool last, BitSink& sink) {
  // The bytes' frequencies, counted four ways at once so that repeats do not wait on
  // each other.
  std::array<std::array<std::uint32_t, 256>, 4> counts{};
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    ++counts[0][data[i]];
    ++counts[1][data[i + 1]];
    ++counts[2][data[i + 2]];
    ++counts[3][data[i + 3]];
  }
  for (; i < n; ++i) ++counts[0][data[i]];
  std::vector<std::uint32_t> frequency(kLiteralCodes);
  for (int s = 0; s < 256; ++s) frequency[s] = counts[0][s] + counts[1][s] + counts[2][s] + counts[3][s];
  frequency[kEndOfBlock] = 1;
  std::array<std::uint8_t, kLiteralCodes> lengths{};
  huffmanLengths(frequency, kMaxCodeLength, lengths.data());
  std::array<std::uint16_t, kLiteralCodes> codes{};
  canonicalCodes(lengths.data(), kLiteralCodes, codes.data());

  // The code lengths of the literals, then of the two distance codes, one bit each; sent
  // with a code of their own, which needs two symbols at least.
  std::array<std::uint8_t, kLiteralCodes + kDistanceCodes> sent{};
  std::copy(lengths.begin(), lengths.end(), sent.begin());
  sent[kLiteralCodes] = sent[kLiteralCodes + 1] = 1;
  std::vector<std::uint32_t> lengthFrequency(19);
  for (const std::uint8_t length : sent) ++lengthFrequency[length];
  if (std::count_if(lengthFrequency.begin(), lengthFrequency.end(), [](std::uint32_t f) { return f > 0; }) <
      2)
    ++lengthFrequency[sent[0] == 0 ? 1 : 0];
  std::array<std::uint8_t, 19> lengthLengths{};
  huffmanLengths(lengthFrequency, kMaxLengthCodeLength, lengthLengths.data());
  std::array<std::uint16_t, 19> lengthCodes{};
  canonicalCodes(lengthLengths.data(), 19, lengthCodes.data());
  int lengthCodesSent = 19;
  while (lengthCodesSent > 4 && lengthLengths[kLengthCodeOrder[lengthCodesSent - 1]] == 0) --lengthCodesSent;

  sink.reserve(2 * n + 1024);  // 15 bits a byte at the very most, and the header
  sink.put(last ? 1 : 0, 1);
  sink.put(2, 2);  // a block with its own Huffman codes
  sink.put(kLiteralCodes - 257, 5);
  sink.put(kDistanceCodes - 1, 5);
  sink.put(static_cast<std::uint32_t>(lengthCodesSent - 4), 4);
  for (int k = 0; k < lengthCodesSent; ++k) sink.put(lengthLengths[kLengthCodeOrder[k]], 3);
  for (const std::uint8_t length : sent) sink.put(lengthCodes[length], lengthLengths[length]);
  // The bytes, two codes at a time: 30 bits at most, so one check for whole words serves.
  std::array<std::uint32_t, 256> coded{};
  for (int b = 0; b < 256; ++b) coded[b] = codes[b] | std::uint32_t{lengths[b]} << 16;
  std::size_t k = 0;
  for (; k + 2 <= n; k += 2) {
    const std::uint32_t first = coded[data[k]], second = coded[data[k + 1]];
    sink.putTwo(first & 0xFFFF, first >> 16, second & 0xFFFF, second >> 16);
  }
  if (k < n) sink.put(codes[data[k]], lengths[data[k]]);
  sink.put(codes[kEndOfBlock], lengths[kEndOfBlock]);
}

// The deflate data of rows [first, last), with the Adler-32 checksum of what it encodes.
struct Part {
  std::vector<Bytes> pieces;        // the data of IDAT chunks
  std::vector<std::uint32_t> crcs;  // their checksums
  uLong adler = adler32(0, nullptr, 0);
  qint64 length = 0;  // the filtered bytes
  bool stopped = false, outOfMemory = false;
};

void encodeRows(const BitmapRows& rows, int first, int last, bool lastPart, const std::atomic<bool>& stop,
                Part& part) noexcept {
  try {
    const int width = rows.size().width();
    const std::size_t rowLength = 1 + 3 * std::size_t(width);
    Bytes block(kBlockBytes + rowLength);
    std::size_t filled = 0;
    BitSink sink;
    for (int y = first; y < last; ++y) {
      if (stop.load(std::memory_order_relaxed)) {
        part.stopped = true;
        return;
      }
      // The row as red, green and blue bytes, less the row above's (none above row 0).
      std::uint8_t* out = block.data() + filled;
      const std::uint8_t* pixels = rows.row(y);
      out[0] = kUpFilter;
      if (y == 0) {
        for (int x = 0; x < width; ++x) {
          out[1 + 3 * x] = pixels[3 * x + 2];
          out[2 + 3 * x] = pixels[3 * x + 1];
          out[3 + 3 * x] = pixels[3 * x];
        }
      } else {
        const std::uint8_t* above = rows.row(y - 1);
        for (int x = 0; x < width; ++x) {
          out[1 + 3 * x] = static_cast<std::uint8_t>(pixels[3 * x + 2] - above[3 * x + 2]);
          out[2 + 3 * x] = static_cast<std::uint8_t>(pixels[3 * x + 1] - above[3 * x + 1]);
          out[3 + 3 * x] = static_cast<std::uint8_t>(pixels[3 * x] - above[3 * x]);
        }
      }
      part.adler = adler32(part.adler, out, static_cast<uInt>(rowLength));
      part.length += static_cast<qint64>(rowLength);
      filled += rowLength;
      const bool end = y + 1 == last;
      if (filled >= kBlockBytes || end) {
        writeBlock(block.data(), filled, end && lastPart, sink);
        filled = 0;
      }
    }
    if (!lastPart) {
      // An empty block without compression brings the data to a whole byte, so that the
      // next part's blocks follow straight on.
      sink.reserve(8);
      sink.put(0, 3);
      sink.alignToByte();
      for (const std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) sink.put(byte, 8);
    }
    part.pieces = std::move(sink).finish();
    for (const Bytes& piece : part.pieces) part.crcs.push_back(chunkCrc("IDAT", piece));
  } catch (const std::bad_alloc&) {
    part.outOfMemory = true;
  }
}

}  // namespace

std::optional<PngFile> PngFile::encode(const BitmapRows& rows, const std::atomic<bool>& stop) {
  const QSize size = rows.size();
  if (size.isEmpty()) fail(ErrorCode::kInvalidPicture, texts::kNothingToWrite);
  // The lower half on a second thread, or after the upper one where none can be had.
  const int middle = size.height() / 2;
  std::array<Part, 2> parts;
  {
    SideThread lower([&] { encodeRows(rows, middle, size.height(), true, stop, parts[1]); });
    encodeRows(rows, 0, middle, false, stop, parts[0]);
    if (!lower.started()) encodeRows(rows, middle, size.height(), true, stop, parts[1]);
  }
  for (const Part& part : parts) {
    if (part.outOfMemory) fail(ErrorCode::kOutOfMemory, texts::kNoMemoryToSave);
  }
  if (parts[0].stopped || parts[1].stopped) return std::nullopt;

  PngFile file;
  std::vector<Bytes>& out = file.pieces_;
  out.push_back({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  Bytes header(13);
  putBigEndian(header.data(), static_cast<std::uint32_t>(size.width()));
  putBigEndian(header.data() + 4, static_cast<std::uint32_t>(size.height()));
  header[8] = 8;  // bits a sample
  header[9] = 2;  // red, green and blue
  appendChunk(out, "IHDR", std::move(header));
  Bytes resolution(9);
  putBigEndian(resolution.data(), static_cast<std::uint32_t>(rows.dotsPerMeterX()));
  putBigEndian(resolution.data() + 4, static_cast<std::uint32_t>(rows.dotsPerMeterY()));
  resolution[8] = 1;  // a metre
  appendChunk(out, "pHYs", std::move(resolution));
  // The zlib stream: its header, the parts' blocks, the checksum of the data they code.
  appendChunk(out, "IDAT", {0x78, 0x01});
  for (Part& part : parts) {
    for (std::size_t k = 0; k < part.pieces.size(); ++k) {
      appendChunk(out, "IDAT", std::move(part.pieces[k]), part.crcs[k]);
    }
  }
  Bytes checksum(4);
  putBigEndian(checksum.data(), static_cast<std::uint32_t>(adler32_combine(
                                    parts[0].adler, parts[1].adler, static_cast<z_off_t>(parts[1].length))));
  appendChunk(out, "IDAT", std::move(checksum));
  appendChunk(out, "IEND", {});
  return file;
}

qint64 PngFile::size() const {
  return std::accumulate(pieces_.begin(), pieces_.end(), qint64{0}, [](qint64 sum, const Bytes& piece) {
    return sum + static_cast<qint64>(piece.size());
  });
}

void PngFile::writeTo(const std::string& path) const {
  std::vector<platform::WritePart> parts;
  parts.reserve(pieces_.size());
  for (const Bytes& piece : pieces_) parts.push_back({piece.data(), static_cast<qint64>(piece.size())});
  writeFileCompletely(path, std::move(parts));
}

}  // namespace vantory::qt
