// BMP files written byte by byte, for the kinds Qt's writer does not make: top-down rows,
// 16- and 32-bit pixels, bit fields, run-length codes, 1- and 4-bit palettes of any
// length, and the OS/2, v4 and v5 headers.
#pragma once

#include <QByteArray>
#include <QRgb>
#include <array>
#include <functional>
#include <vector>

namespace vantory::testing_support {

struct Bmp {
  int width = 0, height = 0, bits = 24;
  int compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  int header = 40;      // 12, 40, 64, 108 or 124 bytes
  bool topDown = false;
  std::vector<QRgb> palette = {};
  std::array<quint32, 4> masks{};  // red, green, blue, alpha (alpha in 108 and 124 only)
  qint32 offset = -1;              // the data offset written; -1: where the data starts
  // The stored value of a pixel (an index, or the packed bits), y counted from the top.
  std::function<quint32(int x, int y)> pixel = nullptr;
  QByteArray coded = {};  // run-length data, written as it is
};

inline void put(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>(value >> (8 * i)));
}

inline QByteArray bytes(const Bmp& bmp) {
  QByteArray info;
  const qint32 height = bmp.topDown ? -bmp.height : bmp.height;
  if (bmp.header == 12) {
    put(info, 12, 4), put(info, bmp.width, 2), put(info, height, 2), put(info, 1, 2), put(info, bmp.bits, 2);
  } else {
    put(info, bmp.header, 4), put(info, bmp.width, 4), put(info, height, 4), put(info, 1, 2);
    put(info, bmp.bits, 2), put(info, bmp.compression, 4), put(info, 0, 4), put(info, 2835, 4);
    put(info, 2835, 4), put(info, static_cast<quint32>(bmp.palette.size()), 4), put(info, 0, 4);
    if (bmp.header >= 108) {
      for (quint32 mask : bmp.masks) put(info, mask, 4);
      put(info, 0x73524742, 4);  // sRGB
    }
    info.append(bmp.header - info.size(), '\0');
  }
  if (bmp.compression == 3 && bmp.header < 108) {
    for (int c = 0; c < 3; ++c) put(info, bmp.masks[c], 4);
  }
  for (QRgb colour : bmp.palette) put(info, colour & 0xffffff, bmp.header == 12 ? 3 : 4);

  QByteArray data = bmp.coded;
  if (bmp.compression != 1 && bmp.compression != 2) {
    const int rowBytes = (bmp.width * bmp.bits + 31) / 32 * 4;
    for (int i = 0; i < bmp.height; ++i) {
      const int y = bmp.topDown ? i : bmp.height - 1 - i;
      QByteArray row(rowBytes, '\0');
      for (int x = 0; x < bmp.width; ++x) {
        const quint32 value = bmp.pixel(x, y);
        if (bmp.bits < 8) {
          const int bit = x * bmp.bits;
          row[bit / 8] = static_cast<char>(row[bit / 8] | value << (8 - bmp.bits - bit % 8));
        } else {
          for (int b = 0; b < bmp.bits / 8; ++b)
            row[x * bmp.bits / 8 + b] = static_cast<char>(value >> (8 * b));
        }
      }
      data += row;
    }
  }
  QByteArray out("BM");
  put(out, static_cast<quint32>(14 + info.size() + data.size()), 4);
  put(out, 0, 4);
  put(out, bmp.offset >= 0 ? bmp.offset : static_cast<qint32>(14 + info.size()), 4);
  return out + info + data;
}

// Run-length codes for rows of indices, in the order they are coded: runs of one index
// (for 4 bits, of two alternating ones), absolute stretches padded to 16 bits, jumps
// (deltas) over the pixels `skip` names (a whole row jumped down), an end of row after
// each row, and the end marker.
inline QByteArray runLengths(
    const std::vector<std::vector<uchar>>& rows, bool four,
    const std::function<bool(int x, int row)>& skip = [](int, int) { return false; }) {
  QByteArray out;
  const auto add = [&out](std::initializer_list<int> values) {
    for (int v : values) out.append(static_cast<char>(v));
  };
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const std::vector<uchar>& row = rows[r];
    const int width = static_cast<int>(row.size());
    bool whole = true;
    for (int x = 0; x < width; ++x) whole = whole && skip(x, r);
    if (whole) {
      add({0, 2, 0, 1});
      continue;
    }
    for (int x = 0; x < width;) {
      if (skip(x, r)) {
        int to = x;
        while (to < width - 1 && skip(to, r) && to - x < 255) ++to;
        add({0, 2, to - x, 0});
        x = to;
        continue;
      }
      const auto same = [&](int i) { return row[x + i] == (four ? row[x + i % 2] : row[x]); };
      int run = 1;
      while (x + run < width && run < 255 && !skip(x + run, r) && same(run)) ++run;
      int count = run;
      while (run < 3 && x + count < width && count < 40 && !skip(x + count, r)) ++count;
      if (run >= 3 || count < 3) {
        add({run, four ? row[x] << 4 | (run > 1 ? row[x + 1] : 0) : row[x]});
        x += run;
        continue;
      }
      add({0, count});
      QByteArray data;
      for (int i = 0; i < count; ++i) {
        if (!four)
          data.append(static_cast<char>(row[x + i]));
        else if (i % 2 == 0)
          data.append(static_cast<char>(row[x + i] << 4));
        else
          data[data.size() - 1] = static_cast<char>(data[data.size() - 1] | row[x + i]);
      }
      if (data.size() % 2) data.append('\0');
      out += data;
      x += count;
    }
    add({0, 0});
  }
  add({0, 1});
  return out;
}

}  // namespace vantory::testing_support
