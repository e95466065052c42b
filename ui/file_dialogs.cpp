#include "ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kelvax::ui {

namespace {

QString Choose(QWidget* owner, const QStringList& filters, const QString& start_folder, bool save) {
  // The toolkit's own dialog: the same behaviour on every desktop, and a dialog tests can drive.
  QFileDialog dialog(owner, QString(), start_folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return QString();
  const QString path = QDir::cleanPath(QFileInfo(chosen.first()).absoluteFilePath());
  QDir::setCurrent(QFileInfo(path).absolutePath());
  return path;
}

}  // namespace

QString SqlFileFilter() { return QString::fromUtf8("SQLﾌｧｲﾙ(*.sql)"); }
QString AllFilesFilter() { return QString::fromUtf8("全てのﾌｧｲﾙ(*.*)"); }

QString ShowSaveDialog(QWidget* owner, const QStringList& filters, const QString& start_folder) {
  return Choose(owner, filters, start_folder, true);
}

QString ShowOpenDialog(QWidget* owner, const QStringList& filters, const QString& start_folder) {
  return Choose(owner, filters, start_folder, false);
}

}  // namespace kelvax::ui
