// The runtime's services and the file dialogs on Qt: picture loading and saving, the
// input box, the message boxes and the error report, Open and Save dialogs.
#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QString>
#include <functional>

#include "platform/controls.h"

class QWidget;

namespace vantory::qt {

// Icons and type names for the file dialogs, found from the file's name alone. Qt's own
// provider asks the MIME database, which reads the start of every file listed, on the
// GUI thread: in /proc, reading /proc/kmsg blocks for ever and the dialog with it.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  QMimeType MimeType(const QFileInfo& info) const;
  QMimeDatabase mime_types_;
};

// The file dialogs, Qt's own (not the desktop's), so that they look and behave the
// same everywhere. The file-type list is shown as descriptions only.
class QtCommonDialog : public CommonDialog {
 public:
  explicit QtCommonDialog(std::function<QWidget*()> parent) : parent_(std::move(parent)) {}
  std::string Filter() const override { return filter_; }
  void SetFilter(const std::string& filter) override { filter_ = filter; }
  std::string FileName() const override { return file_name_; }
  void SetFileName(const std::string& name) override { file_name_ = name; }
  void ShowOpen() override;
  void ShowSave() override;

  // "desc|pattern|desc|pattern" as Qt's name filters: "desc (pattern)".
  static QStringList NameFilters(const std::string& filter);

  // Called before a dialog opens (the view finishes its drawing).
  std::function<void()> before_modal;

 private:
  void Show(bool save);
  std::function<QWidget*()> parent_;
  std::string filter_;
  std::string file_name_;
};

class QtRuntime : public Runtime {
 public:
  explicit QtRuntime(std::function<QWidget*()> window) : window_(std::move(window)) {}
  PictureRef LoadPicture(const std::string& path) override;
  void SavePicture(const PictureRef& image, const std::string& path) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  void MsgBox(const std::string& prompt) override;
  void ReportError(int number, const std::string& description) override;
  void Unload() override;

  // Called before a modal box opens (the view finishes its drawing).
  std::function<void()> before_modal;

 private:
  std::function<QWidget*()> window_;
};

}  // namespace vantory::qt
