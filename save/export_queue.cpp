#include "save/export_queue.h"

#include <QCoreApplication>
#include <QPainter>
#include <atomic>

#include "core/errors.h"
#include "core/saved_format.h"
#include "draw/image_painter.h"
#include "draw/label_images.h"
#include "picture/bitmap_writer.h"
#include "picture/picture_errors.h"
#include "picture/png_writer.h"

namespace vantory::qt {

// One Save: what it reads and draws, and what it has made of it so far.
struct ExportQueue::Job {
  Source source;
  ExportDrawing drawing;
  QFont labelFont;
  QColor background;
  std::atomic<bool> dropped{false};  // the dialog was cancelled
  std::atomic<bool> noPng{false};    // dropped, or to be written as a bitmap
  std::optional<BitmapRows> rows;    // the picture laid out, once ready
  std::optional<PngFile> png;        // and encoded as a PNG, unless a bitmap was chosen first
  std::optional<AppError> error;     // what stopped it
  std::optional<AppError> pngError;  // what stopped the PNG only
};

namespace {

// The picture encoded as a PNG, unless that is no longer wanted; an error is kept for a
// PNG Save to tell.
void encodePng(ExportQueue::Job& job) {
  try {
    job.png = PngFile::encode(*job.rows, job.noPng);
  } catch (...) {
    job.pngError = currentError();
  }
}

// The picture at its natural size: the loupe's decode when it is of the picture opened
// and the file has not changed since, else a decode of its own.
QImage canvasOf(ExportQueue::Source& source) {
  const OpenedPicture picture = source.opened ? *source.opened : probePicture(source.path);
  const std::shared_ptr<FullDecode> full = std::move(source.full);
  if (full && !full->image.isNull() && full->source.path == picture.path &&
      full->source.identity == picture.identity) {
    checkUnchanged(picture);
    return std::move(full->image);
  }
  if (full) full->image = QImage();  // not of this picture: let it go first
  return decodePicture(picture);
}

// Reads the picture, draws on it and lays it out as bitmap rows, unless the Save was
// dropped in the meantime. Then, while the user still chooses a name, encodes it as a PNG
// too, so that either is written at once; choosing a bitmap name stops that.
void ready(ExportQueue::Job& job) {
  if (job.dropped) return;
  try {
    QImage canvas = canvasOf(job.source);
    if (job.dropped) return;
    if (canvas.hasAlphaChannel()) {
      // Transparent parts show the view's background, as on screen: the background is
      // painted under the premultiplied pixels in place (the same sums as painting them
      // over it), which leaves every pixel opaque, so no second full-size image is needed.
      QPainter under;
      if (!under.begin(&canvas)) fail(ErrorCode::kOutOfMemory, texts::kNoMemoryForCanvas);
      under.setCompositionMode(QPainter::CompositionMode_DestinationOver);
      under.fillRect(canvas.rect(), job.background);
      under.end();
      canvas.reinterpretAsFormat(QImage::Format_RGB32);
    }
    {
      LabelImages labels(job.labelFont);
      ImagePainter painter(canvas, labels, ImagePainter::Labels::kDirect);
      job.drawing(painter, {toTwips(canvas.width()), toTwips(canvas.height())});
    }
    job.rows.emplace(std::move(canvas));
    if (!job.noPng) encodePng(job);
  } catch (...) {
    job.error = currentError();
  }
}

class QueuedExport : public ExportJob {
 public:
  QueuedExport(std::shared_ptr<ExportQueue::Job> job, BackgroundWork& work, QObject* receiver)
      : job_(std::move(job)), work_(work), receiver_(receiver) {}
  ~QueuedExport() override {
    if (!written_) job_->dropped = job_->noPng = true;
  }

  void writeTo(const std::string& path, std::function<void(const AppError*)> finished) override {
    written_ = true;
    const bool png = savedFormatFor(path) == SavedFormat::kPng;
    if (!png) job_->noPng = true;  // a PNG being encoded is stopped
    work_.post([job = job_, path, png, finished = std::move(finished), receiver = receiver_] {
      std::optional<AppError> error = job->error;
      if (!error && png && !job->png) {
        if (!job->pngError) encodePng(*job);
        error = job->pngError;
        if (!error && !job->png) error = AppError(ErrorCode::kInternal);
      }
      if (!error) {
        try {
          if (png) {
            job->png->writeTo(path);
          } else {
            std::move(*job->rows).writeTo(path);
          }
        } catch (...) {
          error = currentError();
        }
      }
      job->rows.reset();  // the picture goes as soon as it is written
      job->png.reset();
      replyOn(receiver, [finished, error] { finished(error ? &*error : nullptr); });
    });
  }

 private:
  std::shared_ptr<ExportQueue::Job> job_;
  BackgroundWork& work_;
  QObject* receiver_;
  bool written_ = false;
};

}  // namespace

ExportQueue::ExportQueue(std::shared_ptr<BackgroundWork> work) : work_(std::move(work)) {}

ExportQueue::~ExportQueue() { work_->waitUntilIdle(); }

std::unique_ptr<ExportJob> ExportQueue::prepare(Source source, ExportDrawing drawing, const QFont& labelFont,
                                                const QColor& background) {
  auto job = std::make_shared<Job>();
  job->source = std::move(source);
  job->drawing = std::move(drawing);
  job->labelFont = labelFont;
  job->background = background;
  work_->post([job] { ready(*job); });
  return std::make_unique<QueuedExport>(job, *work_, &receiver_);
}

void ExportQueue::finish() {
  work_->waitUntilIdle();
  QCoreApplication::sendPostedEvents(&receiver_);
}

}  // namespace vantory::qt
