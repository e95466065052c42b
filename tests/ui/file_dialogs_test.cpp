// The file dialogs: what each accepts, what it returns, and where the next one starts.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include "tests/support/sandbox.h"
#include "tests/ui/support/modal.h"
#include "ui/file_dialogs.h"

namespace kelvax::ui {
namespace {

// Types `name` into the dialog's file name field and presses its accept button; a dialog that
// refuses stays open and is cancelled.
struct Typed {
  QString name;
  bool stayed_open = false;
  QString filter;
};

void TypeAndAccept(Typed& typed) {
  test::AnswerNextModal([&typed](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    typed.filter = dialog->selectedNameFilter();
    if (typed.name.isEmpty()) return dialog->reject();
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed.name);
    QPointer<QTimer> refusal =
        test::AnswerNextModal([](QWidget* box) { box->close(); }, dialog);
    static_cast<QDialog*>(dialog)->accept();
    delete refusal.data();
    typed.stayed_open = dialog->isVisible();
    if (typed.stayed_open) dialog->reject();
  });
}

TEST(FileDialogsTest, EachDialogReturnsWhatItAcceptsAndTheNextStartsInItsFolder) {
  const QString root = QString::fromStdString(test::MakeTempDir("dialogs"));
  // A folder deep enough that its files' paths pass 255 bytes.
  QString deep = root;
  for (int i = 0; i < 6; ++i) deep += QStringLiteral("/") + QString(40, QChar(u'あ' + i));
  ASSERT_TRUE(QDir().mkpath(deep));
  test::WriteFileBytes((deep + "/old.sql").toStdString(), "x");
  ASSERT_GT((deep + "/old.sql").toUtf8().size(), 255);
  QDir::setCurrent(root);

  struct Case {
    bool save;
    QString typed;     // "" cancels
    QString expected;  // "" nothing chosen
    bool stays_open;
  };
  const Case cases[] = {
      {true, deep + "/new", deep + "/new", false},           // a new name, no extension added
      {true, deep + "/old.sql", deep + "/old.sql", false},   // an existing file, no question
      {false, deep + "/missing.sql", "", true},              // opening needs an existing file
      {false, deep + "/old.sql", deep + "/old.sql", false},
      {true, "", "", false},
      {false, "", "", false},
  };
  for (const Case& c : cases) {
    QDir::setCurrent(root);
    Typed typed{c.typed};
    TypeAndAccept(typed);
    const QString chosen = c.save ? ShowSaveDialog(nullptr, {SqlFileFilter(), AllFilesFilter()}, root)
                                  : ShowOpenDialog(nullptr, {SqlFileFilter()}, root);
    EXPECT_EQ(chosen, c.expected) << c.typed.toStdString();
    EXPECT_EQ(typed.stayed_open, c.stays_open) << c.typed.toStdString();
    EXPECT_EQ(typed.filter, QString::fromUtf8("SQLﾌｧｲﾙ(*.sql)"));
    // The chosen file's folder becomes the current directory; nothing chosen changes nothing.
    EXPECT_EQ(QDir::currentPath(), c.expected.isEmpty() ? root : deep) << c.typed.toStdString();
  }
  EXPECT_FALSE(test::PathExists((deep + "/new").toStdString()));  // choosing writes nothing
}

}  // namespace
}  // namespace kelvax::ui
