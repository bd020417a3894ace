#include "save/export_queue.h"

#include <QCoreApplication>
#include <QPainter>
#include <atomic>
#include <new>
#include <optional>

#include "core/errors.h"
#include "core/saved_format.h"
#include "draw/image_painter.h"
#include "draw/label_images.h"
#include "picture/bitmap_writer.h"
#include "picture/picture_errors.h"
#include "picture/picture_files.h"
#include "picture/png_writer.h"

namespace vantory::qt {

// One Save: what it reads and draws, and what it has made of it so far.
struct ExportQueue::Job {
  QString path;
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
  } catch (const AppError& error) {
    job.pngError = error;
  } catch (const std::bad_alloc&) {
    job.pngError = AppError(ErrorCode::kOutOfMemory);
  }
}

// Reads the picture, draws on it and lays it out as bitmap rows, unless the Save was
// dropped in the meantime. Then, while the user still chooses a name, encodes it as a PNG
// too, so that either is written at once; choosing a bitmap name stops that.
void ready(ExportQueue::Job& job) {
  if (job.dropped) return;
  try {
    QImage canvas = decodePicture(job.path);
    if (job.dropped) return;
    if (canvas.hasAlphaChannel()) {
      // Transparent parts show the view's background, as on screen: the background is
      // painted under the premultiplied pixels in place (the same sums as painting them
      // over it), which leaves every pixel opaque, so no second full-size image is needed.
      QPainter under;
      if (!under.begin(&canvas)) fail(ErrorCode::kOutOfMemory, "内存不够，无法建立保存用的画布");
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
  } catch (const AppError& error) {
    job.error = error;
  } catch (const std::bad_alloc&) {
    job.error = AppError(ErrorCode::kOutOfMemory);
  } catch (const std::exception& error) {
    job.error = detailedError(ErrorCode::kInternal, error.what());
  }
}

class QueuedExport : public ExportJob {
 public:
  QueuedExport(std::shared_ptr<ExportQueue::Job> job, std::function<void(std::function<void()>)> post,
               QObject* receiver)
      : job_(std::move(job)), post_(std::move(post)), receiver_(receiver) {}
  ~QueuedExport() override {
    if (!written_) job_->dropped = job_->noPng = true;
  }

  void writeTo(const std::string& path, std::function<void(const AppError*)> finished) override {
    written_ = true;
    const bool png = savedFormatFor(path) == SavedFormat::kPng;
    if (!png) job_->noPng = true;  // a PNG being encoded is stopped
    post_([job = job_, png, target = QString::fromStdString(path), finished = std::move(finished),
           receiver = receiver_] {
      std::optional<AppError> error = job->error;
      if (!error && png && !job->png) {
        if (!job->pngError) encodePng(*job);
        error = job->pngError;
      }
      if (!error) {
        try {
          if (png) {
            job->png->writeTo(target);
          } else {
            std::move(*job->rows).writeTo(target);
          }
        } catch (const AppError& failed) {
          error = failed;
        }
      }
      job->rows.reset();  // the picture goes as soon as it is written
      job->png.reset();
      QMetaObject::invokeMethod(
          receiver, [finished, error] { finished(error ? &*error : nullptr); }, Qt::QueuedConnection);
    });
  }

 private:
  std::shared_ptr<ExportQueue::Job> job_;
  std::function<void(std::function<void()>)> post_;
  QObject* receiver_;
  bool written_ = false;
};

}  // namespace

ExportQueue::ExportQueue() : worker_([this] { run(); }) {}

ExportQueue::~ExportQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void ExportQueue::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_all();
}

void ExportQueue::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
    if (tasks_.empty()) return;  // stopping, and nothing left to do
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    busy_ = true;
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

std::unique_ptr<ExportJob> ExportQueue::prepare(const QString& path, ExportDrawing drawing,
                                                const QFont& labelFont, const QColor& background) {
  auto job = std::make_shared<Job>();
  job->path = path;
  job->drawing = std::move(drawing);
  job->labelFont = labelFont;
  job->background = background;
  post([job] { ready(*job); });
  return std::make_unique<QueuedExport>(
      job, [this](std::function<void()> task) { post(std::move(task)); }, &receiver_);
}

void ExportQueue::finish() {
  {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
  }
  QCoreApplication::sendPostedEvents(&receiver_);
}

}  // namespace vantory::qt
