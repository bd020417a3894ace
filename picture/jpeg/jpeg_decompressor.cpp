#include "picture/jpeg/jpeg_decompressor.h"

#include <QRgb>
#include <csetjmp>
#include <cstring>
#include <memory>

extern "C" {
#include <jerror.h>
}

#include "picture/limits.h"
#include "picture/picture_errors.h"
#include "picture/picture_files.h"

namespace vantory::qt::jpeg {

// A real progressive file has about ten scans; thousands of empty ones would only make
// the decoder walk the whole coefficient buffer again and again.
constexpr int kMaxScans = 100;
constexpr qint64 kBufferBytes = 64 * 1024;

// Reads the file in chunks, from a place of its own, and records whether the decoder asked
// for data beyond its end.
struct Source {
  jpeg_source_mgr pub;
  QIODevice* file;
  std::mutex* lock;
  qint64 position;
  bool ranOut;
  bool readFailed;
  JOCTET buffer[kBufferBytes];
};

// Counts the warnings that mean damaged data, by message code, and turns errors into a
// jump back to the phase that was running.
struct Errors {
  jpeg_error_mgr pub;
  jmp_buf jump;
  int damage;
  bool tooManyScans;
  bool stopped;
  const std::atomic<bool>* stop;
};

namespace {

extern "C" {

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  qint64 count = -1;
  {
    const std::lock_guard hold(*src->lock);
    if (src->file->seek(src->position))
      count = src->file->read(reinterpret_cast<char*>(src->buffer), kBufferBytes);
  }
  if (count > 0) src->position += count;
  if (count <= 0) {
    if (count < 0) src->readFailed = true;
    // The data ran out before the decoder was done: an end-of-image marker in its place
    // lets libjpeg wind up in order; the flag says the picture is incomplete.
    src->ranOut = true;
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    count = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(count);
  return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    fillInput(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

void errorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1); }

void emitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<Errors*>(cinfo->err);
  ++err->pub.num_warnings;
  switch (err->pub.msg_code) {
    case JWRN_EXTRANEOUS_DATA:  // stray bytes between markers, common in camera files
    case JWRN_JFIF_MAJOR:       // the metadata, not the pixels
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC: break;
    default: ++err->damage;
  }
}

void outputMessage(j_common_ptr) {}

// Called as the decoder goes, at every scan and every row: stops a decode asked to stop,
// and one with too many scans.
void progress(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<Errors*>(cinfo->err);
  if (err->stop != nullptr && err->stop->load(std::memory_order_relaxed)) {
    err->stopped = true;
    errorExit(cinfo);
  }
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    err->tooManyScans = true;
    errorExit(cinfo);
  }
}

}  // extern "C"

// The decoder's phases. Each one catches libjpeg's errors with its own setjmp and holds
// no object with a destructor, so that the jump skips nothing; they return false when
// libjpeg raised an error.
bool readHeaderPhase(j_decompress_ptr cinfo, Errors* err) {
  if (setjmp(err->jump)) return false;
  jpeg_read_header(cinfo, TRUE);
  return true;
}

bool setUpPhase(j_decompress_ptr cinfo, Errors* err, J_COLOR_SPACE out, unsigned scaleNum) {
  if (setjmp(err->jump)) return false;
  cinfo->out_color_space = out;
  cinfo->scale_num = scaleNum;
  cinfo->scale_denom = 8;
  jpeg_calc_output_dimensions(cinfo);
  return true;
}

void convertRow(Rows rows, const JSAMPLE* in, uchar* out, JDIMENSION width) {
  auto* pixel = reinterpret_cast<QRgb*>(out);
  if (rows == Rows::kRgb) {
    for (JDIMENSION x = 0; x < width; ++x, in += 3) pixel[x] = qRgb(in[0], in[1], in[2]);
  } else {
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
      const int k = in[3];
      pixel[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
  }
}

bool decodePhase(j_decompress_ptr cinfo, Errors* err, uchar* bits, qsizetype stride, Rows rows,
                 JSAMPLE* rowBuffer, JDIMENSION from, JDIMENSION to, bool* finished) {
  if (setjmp(err->jump)) return false;
  jpeg_start_decompress(cinfo);
  if (from > 0) jpeg_skip_scanlines(cinfo, from);
  while (cinfo->output_scanline < to) {
    uchar* line = bits + qsizetype{cinfo->output_scanline} * stride;
    JSAMPROW target = rows == Rows::kDirect ? line : rowBuffer;
    if (jpeg_read_scanlines(cinfo, &target, 1) != 1) break;
    if (rows != Rows::kDirect) convertRow(rows, rowBuffer, line, cinfo->output_width);
  }
  if (cinfo->output_scanline == cinfo->output_height) {
    jpeg_finish_decompress(cinfo);
    *finished = true;
  }
  return true;
}

}  // namespace

Decompressor::Decompressor(QIODevice& file, std::mutex& lock, const QString& name,
                           const std::atomic<bool>* stop)
    : name_(name) {
  std::memset(&cinfo_, 0, sizeof cinfo_);
  err_ = std::make_unique<Errors>();
  std::memset(err_.get(), 0, sizeof(Errors));
  err_->stop = stop;
  source_ = std::make_unique<Source>();
  std::memset(&source_->pub, 0, sizeof source_->pub);
  source_->file = &file;
  source_->lock = &lock;
  source_->position = 0;
  source_->ranOut = source_->readFailed = false;

  cinfo_.err = jpeg_std_error(&err_->pub);
  err_->pub.error_exit = errorExit;
  err_->pub.emit_message = emitMessage;
  err_->pub.output_message = outputMessage;
  if (setjmp(err_->jump)) {  // jpeg_create_decompress fails only for want of memory
    fail(ErrorCode::kOutOfMemory, noMemory(name));
  }
  jpeg_create_decompress(&cinfo_);
  created_ = true;
  // A safety net behind the check of the header: libjpeg refuses to allocate more.
  cinfo_.mem->max_memory_to_use = static_cast<long>(kMaxDecodedBytes);
  source_->pub.init_source = initSource;
  source_->pub.fill_input_buffer = fillInput;
  source_->pub.skip_input_data = skipInput;
  source_->pub.resync_to_restart = jpeg_resync_to_restart;
  source_->pub.term_source = termSource;
  cinfo_.src = &source_->pub;
  progress_.progress_monitor = progress;
  cinfo_.progress = &progress_;
}

Decompressor::~Decompressor() {
  if (created_) jpeg_destroy_decompress(&cinfo_);
}

void Decompressor::failFromError() {
  if (err_->stopped) throw DecodeStopped();
  if (source_->readFailed) {
    fail(ErrorCode::kPathAccess, QString(texts::kFileUnreadable).arg(name_, source_->file->errorString()));
  }
  const int code = err_->pub.msg_code;
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE)
    fail(ErrorCode::kOutOfMemory, noMemory(name_));
  if (err_->tooManyScans || source_->ranOut) fail(ErrorCode::kInvalidPicture, damaged(name_));
  char message[JMSG_LENGTH_MAX] = {};
  err_->pub.format_message(reinterpret_cast<j_common_ptr>(&cinfo_), message);
  fail(ErrorCode::kInvalidPicture,
       QString(texts::kPictureUnreadable).arg(name_, QString::fromLocal8Bit(message)));
}

void Decompressor::readHeader() {
  if (!readHeaderPhase(&cinfo_, err_.get())) failFromError();
}

void Decompressor::setUp(J_COLOR_SPACE out, unsigned scaleNum) {
  if (!setUpPhase(&cinfo_, err_.get(), out, scaleNum)) failFromError();
}

bool Decompressor::decodeRows(uchar* bits, qsizetype stride, Rows rows, JSAMPLE* rowBuffer, JDIMENSION from,
                              JDIMENSION to) {
  bool finished = false;
  if (!decodePhase(&cinfo_, err_.get(), bits, stride, rows, rowBuffer, from, to, &finished)) failFromError();
  return finished;
}

bool Decompressor::intact() const { return !source_->ranOut && err_->damage == 0; }

qint64 Decompressor::coefficientBytes() {
  if (!jpeg_has_multiple_scans(&cinfo_)) return 0;
  qint64 bytes = 0;
  for (int i = 0; i < cinfo_.num_components; ++i) {
    const jpeg_component_info& c = cinfo_.comp_info[i];
    const auto roundUp = [](qint64 value, qint64 step) { return (value + step - 1) / step * step; };
    bytes += roundUp(c.width_in_blocks, c.h_samp_factor) * roundUp(c.height_in_blocks, c.v_samp_factor) *
             qint64{sizeof(JBLOCK)};
  }
  return bytes;
}

}  // namespace vantory::qt::jpeg
