#include "ui/prompts.h"

#include <QFileDialog>
#include <QImageReader>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "core/errors.h"
#include "core/texts.h"
#include "picture/file_names.h"

namespace vantory::qt {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

// The suffix of the first pattern of a name filter: "bmp" for "位图 (*.bmp)".
QString firstSuffix(const QString& filter) {
  static const QRegularExpression kPattern(R"(\(\*\.(\w+))");
  return kPattern.match(filter).captured(1);
}

}  // namespace

QMimeType NameOnlyIconProvider::mimeType(const QFileInfo& info) const {
  return mimeTypes_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return icon(Drive);
  if (info.isDir()) return icon(Folder);
  if (!info.isFile()) return icon(File);
  const QIcon themed = QIcon::fromTheme(mimeType(info).iconName());
  return themed.isNull() ? icon(File) : themed;
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  if (!info.isFile()) return QFileIconProvider::type(info);  // folders and the like: no reading
  const QMimeType mime = mimeType(info);
  return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

QStringList nameFilters(const std::string& fileTypes) {
  const QStringList parts = q(fileTypes).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << QString("%1 (%2)").arg(parts[i], parts[i + 1]);
  return filters;
}

QStringList openFilters() {
  QStringList patterns;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    const QString suffix = QString::fromLatin1(format).toLower();
    patterns << "*." + suffix << "*." + suffix.toUpper();
  }
  patterns.removeDuplicates();
  return QStringList{QString("%1 (%2)").arg(texts::kAllPictures, patterns.join(' '))}
         << nameFilters(texts::kFileTypes) << nameFilters(texts::kAllFiles);
}

std::string DialogPrompts::chooseFileToOpen(const std::string& initialName) {
  return chooseFile(false, openFilters(), initialName);
}

std::string DialogPrompts::chooseFileToSave(const std::string& initialName) {
  return chooseFile(true, nameFilters(texts::kSaveFileTypes), initialName);
}

std::string DialogPrompts::chooseFile(bool save, const QStringList& filters, const std::string& initialName) {
  ready();
  NameOnlyIconProvider icons;  // outlives the dialog, which only borrows it
  QFileDialog dialog(parent());
  dialog.setIconProvider(&icons);
  dialog.setObjectName(save ? "saveDialog" : "openDialog");
  // Qt's own dialog, the file types by their descriptions only. The Save dialog asks before
  // it replaces an existing file: a click on the original photo in the list must not
  // overwrite it unasked.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.value(0));
  if (save) {
    // A name typed without a suffix gets the chosen type's. The dialog tells the type by
    // its description alone ("位图"), as it shows it.
    dialog.setDefaultSuffix(firstSuffix(filters.value(0)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, filters](const QString& chosen) {
                       for (const QString& filter : filters) {
                         if (filter == chosen || filter.startsWith(chosen + " ("))
                           dialog.setDefaultSuffix(firstSuffix(filter));
                       }
                     });
  }
  if (!initialName.empty()) dialog.selectFile(shownName(initialName));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    return nativeName(dialog.selectedFiles().first());
  }
  return "";
}

std::string DialogPrompts::askText(const std::string& prompt, const std::string& title,
                                   const std::string& initialText) {
  ready();
  QInputDialog box(parent());
  box.setObjectName("inputBox");
  box.setInputMode(QInputDialog::TextInput);
  box.setWindowTitle(q(title));
  box.setLabelText(q(prompt));
  box.setTextValue(q(initialText));
  if (box.exec() != QDialog::Accepted) return "";
  return box.textValue().toStdString();
}

void DialogPrompts::showMessage(const std::string& text) {
  ready();
  QMessageBox box(QMessageBox::NoIcon, texts::kTitle, q(text), QMessageBox::Ok, parent());
  box.setObjectName("msgBox");
  box.exec();
}

void DialogPrompts::showError(const AppError& error) {
  ready();
  QMessageBox box(QMessageBox::Critical, texts::kTitle, q(error.reportText()), QMessageBox::Ok, parent());
  box.setObjectName("errorReport");
  box.exec();
}

}  // namespace vantory::qt
