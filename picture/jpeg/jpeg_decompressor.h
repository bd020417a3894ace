// The decompressor behind the JPEG decoder: libjpeg reading one file through a source of
// its own, with errors turned into AppError and damage told from the decoder's state.
// Internal to qt/jpeg_decoder.cpp.
#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

extern "C" {
#include <jpeglib.h>
#include <stdio.h>
}

namespace vantory::qt::jpeg {

// How rows come out of libjpeg: straight into the image as BGRX, or through a row buffer
// and converted as Qt's plugin converts them.
enum class Rows { kDirect, kRgb, kCmyk };

struct Source;
struct Errors;

// An open file and a decompressor reading it, released together.
class Decompressor {
 public:
  explicit Decompressor(const QString& path);
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
  // Throws the error libjpeg reported.
  [[noreturn]] void failFromError();

 private:
  struct File {
    int fd = -1;
    ~File();
  };
  File fd_;  // closed last, also when the constructor fails
  QString path_;
  jpeg_decompress_struct cinfo_;
  std::unique_ptr<Errors> err_;
  jpeg_progress_mgr progress_{};
  std::unique_ptr<Source> source_;
  bool created_ = false;
};

// The buffer of every DCT coefficient that libjpeg keeps for a multi-scan file.
qint64 coefficientBytes(j_decompress_ptr cinfo);

}  // namespace vantory::qt::jpeg
