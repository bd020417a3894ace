// Numbers in file headers, read and written byte by byte whatever the processor's own
// order: little-endian ones (BMP, ICO, TIFF "II") and big-endian ones (PNG, TIFF "MM").
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace vantory::qt {

// The unsigned little-endian number of `bytes` bytes (1 to 4) at `at`.
inline quint32 readLe(const uchar* at, int bytes) {
  quint32 value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
  return value;
}
inline quint32 readBe(const uchar* at, int bytes) {
  quint32 value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
  return value;
}

// The same at offset `at` of `data`, which must hold the bytes.
inline quint32 readLe(const QByteArray& data, qsizetype at, int bytes) {
  return readLe(reinterpret_cast<const uchar*>(data.constData()) + at, bytes);
}
inline quint32 readBe(const QByteArray& data, qsizetype at, int bytes) {
  return readBe(reinterpret_cast<const uchar*>(data.constData()) + at, bytes);
}

// Writes `value` as `bytes` little-endian bytes at `at`.
inline void writeLe(char* at, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace vantory::qt
