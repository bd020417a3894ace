// The decompressor behind the JPEG decoder: libjpeg reading an open file through a source
// of its own, with errors turned into AppError and damage told from the decoder's state.
// Internal to jpeg_decoder.cpp.
#pragma once

#include <QIODevice>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <memory>
#include <mutex>

extern "C" {
#include <stdio.h>  // jpeglib.h needs FILE

#include <jpeglib.h>
}

namespace vantory::qt::jpeg {

// How rows come out of libjpeg: straight into the image as BGRX, or through a row buffer
// and converted as Qt's plugin converts them.
enum class Rows { kDirect, kRgb, kCmyk };

struct Source;
struct Errors;

// A decompressor reading the JPEG `file` from its start; `name` names the file in errors.
// Decompressors on several threads can read one file, each from a place of its own,
// through one `lock` held for each chunk read. A decode can be stopped from another
// thread through `stop`: it then throws DecodeStopped (picture_files.h).
class Decompressor {
 public:
  Decompressor(QIODevice& file, std::mutex& lock, const QString& name,
               const std::atomic<bool>* stop = nullptr);
  ~Decompressor();
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  j_decompress_ptr info() { return &cinfo_; }
  // Reads the markers up to the first scan.
  void readHeader();
  // The colours and the DCT reduction of the output (M/8).
  void setUp(J_COLOR_SPACE out, unsigned scaleNum);
  // Decodes output rows [from, to) into `bits` (rows before `from` are skipped: their data
  // is read, not turned into pixels). Returns whether the end of the picture was reached
  // and its data wound up. Throws AppError for what libjpeg reports.
  bool decodeRows(uchar* bits, qsizetype stride, Rows rows, JSAMPLE* rowBuffer, JDIMENSION from,
                  JDIMENSION to);
  // Whether everything read so far was whole: no data missing, no damage reported.
  bool intact() const;
  // The buffer of every DCT coefficient that libjpeg keeps for a multi-scan file, at any
  // output size; 0 for a single-scan file. Known once the header is read.
  qint64 coefficientBytes();

 private:
  // Throws the error libjpeg reported.
  [[noreturn]] void failFromError();

  QString name_;
  jpeg_decompress_struct cinfo_;
  std::unique_ptr<Errors> err_;
  jpeg_progress_mgr progress_{};
  std::unique_ptr<Source> source_;
  bool created_ = false;
};

}  // namespace vantory::qt::jpeg
