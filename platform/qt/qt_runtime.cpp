#include "platform/qt/qt_runtime.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>

#include "app/main_window.h"
#include "platform/qt/qt_pictures.h"
#include "platform/runtime_error.h"

namespace vantory::qt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---------------------------------------------------------------- file dialogs

QMimeType NameOnlyIconProvider::MimeType(const QFileInfo& info) const {
  return mime_types_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return icon(Drive);
  if (info.isDir()) return icon(Folder);
  if (!info.isFile()) return icon(File);
  const QIcon themed = QIcon::fromTheme(MimeType(info).iconName());
  return themed.isNull() ? icon(File) : themed;
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  if (!info.isFile()) return QFileIconProvider::type(info);  // folders and the like: no reading
  const QMimeType mime = MimeType(info);
  return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

QStringList QtCommonDialog::NameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    filters << QString("%1 (%2)").arg(parts[i], parts[i + 1]);
  }
  return filters;
}

void QtCommonDialog::ShowOpen() { Show(false); }

void QtCommonDialog::ShowSave() { Show(true); }

void QtCommonDialog::Show(bool save) {
  if (before_modal) before_modal();
  NameOnlyIconProvider icons;  // outlives the dialog, which only borrows it
  QFileDialog dialog(parent_ ? parent_() : nullptr);
  dialog.setIconProvider(&icons);
  dialog.setObjectName(save ? "saveDialog" : "openDialog");
  // Qt's own dialog, the file types by their descriptions only. The Save dialog asks
  // before it replaces an existing file: a click on the original photo in the list must
  // not overwrite it unasked.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFilters(filter_));
  if (!file_name_.empty()) dialog.selectFile(Q(file_name_));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    file_name_ = dialog.selectedFiles().first().toStdString();
  } else {
    file_name_.clear();
  }
}

// ---------------------------------------------------------------- runtime services

PictureRef QtRuntime::LoadPicture(const std::string& path) {
  if (path.empty()) return QtPicture::Empty();
  return QtPicture::Open(Q(path));
}

void QtRuntime::SavePicture(const PictureRef& image, const std::string& path) {
  const QtPicture* picture = AsQt(image);
  if (picture == nullptr || picture->IsEmpty()) {
    throw RuntimeError(kErrInvalidPicture, "无效图片：没有可以保存的图像");
  }
  WriteBitmap(*picture, Q(path));
}

std::string QtRuntime::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& default_text) {
  if (before_modal) before_modal();
  QInputDialog box(window_ ? window_() : nullptr);
  box.setObjectName("inputBox");
  box.setInputMode(QInputDialog::TextInput);
  box.setWindowTitle(Q(title));
  box.setLabelText(Q(prompt));
  box.setTextValue(Q(default_text));
  if (box.exec() != QDialog::Accepted) return "";
  return box.textValue().toStdString();
}

void QtRuntime::MsgBox(const std::string& prompt) {
  if (before_modal) before_modal();
  QMessageBox box(QMessageBox::NoIcon, text::kTitle, Q(prompt), QMessageBox::Ok,
                  window_ ? window_() : nullptr);
  box.setObjectName("msgBox");
  box.exec();
}

void QtRuntime::ReportError(int number, const std::string& description) {
  if (before_modal) before_modal();
  const RuntimeError error(number, description);
  QMessageBox box(QMessageBox::Critical, text::kTitle, Q(error.ReportText()), QMessageBox::Ok,
                  window_ ? window_() : nullptr);
  box.setObjectName("errorReport");
  box.exec();
}

void QtRuntime::Unload() {
  if (QWidget* window = window_ ? window_() : nullptr) window->close();
}

}  // namespace vantory::qt
