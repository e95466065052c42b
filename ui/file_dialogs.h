// Choosing a file to write or to read: the toolkit's own file dialog, modal over its owner.
// The chosen file's folder becomes the process's current directory, so that the next dialog
// opens there. Cancelling gives "" and changes nothing. Paths of any length are accepted.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kelvax::ui {

// The filters the program offers, each "description(pattern)".
QString SqlFileFilter();   // "SQLﾌｧｲﾙ(*.sql)"
QString AllFilesFilter();  // "全てのﾌｧｲﾙ(*.*)"

// A file to be written: a new name is accepted, no extension is appended, and an existing file
// is taken without asking. The first filter is preselected.
QString ShowSaveDialog(QWidget* owner, const QStringList& filters, const QString& start_folder);
// A file to be read: it must exist (the dialog stays open otherwise).
QString ShowOpenDialog(QWidget* owner, const QStringList& filters, const QString& start_folder);

}  // namespace kelvax::ui
