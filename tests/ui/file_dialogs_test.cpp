// The file dialogs: what each accepts, what it returns, and where the next one starts.
#include "ui/file_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>

#include "tests/support/sandbox.h"
#include "tests/ui/support/widgets.h"

namespace kelvax::ui {
namespace {

TEST(FileDialogsTest, EachDialogReturnsWhatItAcceptsAndTheNextStartsInItsFolder) {
  const QString root = QString::fromStdString(test::MakeTempDir("dialogs"));
  QString deep = root;  // deep enough that its files' paths pass 255 bytes
  for (int i = 0; i < 6; ++i) deep += QStringLiteral("/") + QString(40, QChar(u'あ' + i));
  ASSERT_TRUE(QDir().mkpath(deep));
  test::WriteFileBytes((deep + "/old.sql").toStdString(), "x");

  struct Case {
    bool save;
    QString typed;     // "" cancels
    QString expected;  // "" nothing chosen
    bool refused;      // the dialog stays open
  } const cases[] = {
      {true, deep + "/new", deep + "/new", false},          // a new name, no extension appended
      {true, deep + "/old.sql", deep + "/old.sql", false},  // an existing file, no question
      {false, deep + "/missing.sql", "", true},             // opening needs an existing file
      {false, deep + "/old.sql", deep + "/old.sql", false},
      {true, "", "", false},
      {false, "", "", false}};
  for (const Case& c : cases) {
    QDir::setCurrent(root);
    bool refused = false;
    QString filter, texts;
    test::AnswerNextModal([&](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      filter = dialog->selectedNameFilter();
      texts = dialog->windowTitle() + "|" +
              dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
      if (c.typed.isEmpty()) return dialog->reject();
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(c.typed);
      QPointer<QTimer> warning = test::AnswerNextModal([](QWidget* box) { box->close(); }, dialog);
      static_cast<QDialog*>(dialog)->accept();
      delete warning.data();
      refused = dialog->isVisible();
      if (refused) dialog->reject();
    });
    const QString chosen = c.save
                               ? ShowSaveDialog(nullptr, {SqlFileFilter(), AllFilesFilter()}, root)
                               : ShowOpenDialog(nullptr, {SqlFileFilter()}, root);
    EXPECT_EQ(chosen, c.expected) << c.typed.toStdString();
    EXPECT_EQ(refused, c.refused) << c.typed.toStdString();
    EXPECT_EQ(filter, QString::fromUtf8("SQLﾌｧｲﾙ(*.sql)"));
    // Qt's own texts are Japanese too (where qt6-translations-l10n is installed).
    EXPECT_TRUE(
        texts == QString::fromUtf8(c.save ? "名前を付けて保存|アドレス:" : "開く|アドレス:") ||
        !QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm"))
        << texts.toStdString();
    // The chosen file's folder becomes the current directory; nothing chosen changes nothing.
    EXPECT_EQ(QDir::currentPath(), c.expected.isEmpty() ? root : deep) << c.typed.toStdString();
  }
  EXPECT_FALSE(test::PathExists((deep + "/new").toStdString()));  // choosing writes nothing
}

}  // namespace
}  // namespace kelvax::ui
