// Dialogs and message boxes on Qt: the Open and Save file dialogs (Qt's own, the file types
// by their descriptions), the input box, messages and the error report.
#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStringList>
#include <functional>

#include "core/ports.h"

class QWidget;

namespace vantory::qt {

// Icons and type names for the file dialogs, found from the file's name alone. Qt's own
// provider asks the MIME database, which reads the start of every file listed: in /proc,
// reading /proc/kmsg blocks for ever, and the dialog with it.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  QMimeType mimeType(const QFileInfo& info) const;
  QMimeDatabase mimeTypes_;
};

// "desc|pattern|desc|pattern" as Qt's name filters: "desc (pattern)".
QStringList nameFilters(const std::string& fileTypes);
// The Open dialog's file types: every picture type Qt's installed readers know, by its
// suffixes in lower and upper case, first; then kFileTypes; then every file.
QStringList openFilters();

class DialogPrompts : public Prompts {
 public:
  // `parent` gives the window the boxes belong to; `beforeModal` runs before each opens
  // (the view finishes its drawing).
  DialogPrompts(std::function<QWidget*()> parent, std::function<void()> beforeModal)
      : parent_(std::move(parent)), beforeModal_(std::move(beforeModal)) {}

  std::string chooseFileToOpen(const std::string& initialName) override;
  std::string chooseFileToSave(const std::string& initialName) override;
  std::string askText(const std::string& prompt, const std::string& title,
                      const std::string& initialText) override;
  void showMessage(const std::string& text) override;
  void showError(const AppError& error) override;

 private:
  // The file dialog with `filters`, the first one chosen; a Save dialog adds the chosen
  // filter's suffix to a name typed without one.
  std::string chooseFile(bool save, const QStringList& filters, const std::string& initialName);
  QWidget* parent() const { return parent_ ? parent_() : nullptr; }
  void ready() const {
    if (beforeModal_) beforeModal_();
  }
  std::function<QWidget*()> parent_;
  std::function<void()> beforeModal_;
};

}  // namespace vantory::qt
