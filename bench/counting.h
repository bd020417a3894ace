// Drawing counted on its way: a painter, a view and picture files that pass everything on
// to the real ones and count the labels and lines drawn, so that a benchmark can tell
// that it timed all of the drawing.
#pragma once

#include <memory>
#include <string>

#include "core/ports.h"
#include "save/qt_picture_files.h"

namespace bench {

// A painter that counts what it passes on.
class CountingPainter : public vantory::Painter {
 public:
  explicit CountingPainter(vantory::Painter& inner) : inner_(inner) {}
  vantory::TwipSize labelSize(float value, std::string_view unit) override {
    return inner_.labelSize(value, unit);
  }
  void setAnnotationScale(float factor) override { inner_.setAnnotationScale(factor); }
  void label(vantory::TwipPoint topLeft, float value, std::string_view unit, vantory::Ink ink) override {
    ++labels;
    inner_.label(topLeft, value, unit, ink);
  }
  void line(vantory::TwipPoint from, vantory::TwipPoint to, vantory::Ink ink) override {
    ++lines;
    inner_.line(from, to, ink);
  }
  int labels = 0, lines = 0;

 private:
  vantory::Painter& inner_;
};

// The view, with what its last frame drew counted.
class CountingSurface : public vantory::LiveSurface {
 public:
  explicit CountingSurface(vantory::LiveSurface& inner) : inner_(inner) {}
  vantory::TwipSize area() const override { return inner_.area(); }
  void showPicture(const std::string& path, vantory::TwipRect rect) override {
    inner_.showPicture(path, rect);
  }
  vantory::Painter& newFrame() override {
    painter_ = std::make_unique<CountingPainter>(inner_.newFrame());
    return *painter_;
  }
  void useSmallLabels() override { inner_.useSmallLabels(); }
  const CountingPainter& frame() const { return *painter_; }

 private:
  vantory::LiveSurface& inner_;
  std::unique_ptr<CountingPainter> painter_;
};

// The picture files on Qt, with what the last export drew counted.
class CountingFiles : public vantory::PictureFiles {
 public:
  explicit CountingFiles(std::shared_ptr<vantory::qt::CurrentPicture> picture) : files_(std::move(picture)) {}
  vantory::TwipSize probe(const std::string& path) override { return files_.probe(path); }
  std::unique_ptr<vantory::ExportJob> prepareExport(const std::string& path,
                                                    vantory::ExportDrawing drawing) override {
    labels = lines = 0;
    return files_.prepareExport(path, [this, drawing](vantory::Painter& painter, vantory::TwipSize size) {
      CountingPainter counted(painter);
      drawing(counted, size);
      labels = counted.labels;
      lines = counted.lines;
    });
  }
  // Waits until every Save asked for is written (Save writes on its own thread).
  void finishExports() { files_.finishExports(); }
  int labels = 0, lines = 0;

 private:
  vantory::qt::QtPictureFiles files_;
};

}  // namespace bench
