// The command center: its controls and menus, its layout rule, focus and edit commands, its
// message boxes, and a run through the real engine against a SQLite data source.
#include "ui/form_manual.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

#include "engine/runner.h"
#include "output/output_result.h"
#include "platform/fs/folders.h"
#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"
#include "tests/ui/support/widgets.h"
#include "ui/form_auto.h"
#include "ui/qt_run_host.h"

namespace kelvax::ui {
namespace {

class FormManualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempDir("center");
    files_ = {folder_ + "/kelvax.ini", folder_ + "/RunConfig.ini", folder_ + "/desk"};
  }
  template <typename W = QWidget>
  static W* Child(QWidget& form, const char* name) {
    return test::Find<W>(form, name);
  }
  static void Pick(QWidget& form, const char* entry) {
    form.findChild<QAction*>(QString::fromLatin1(entry))->trigger();
  }

  std::string folder_;
  FormManual::Files files_;
  int runs_ = 0;
  FormManual::JobRunner count_runs_ = [this](const std::string&) {
    ++runs_;
    return JobOutcome{};
  };
};

TEST_F(FormManualTest, TheLayoutFollowsTheWindowInPixelsAndHoldsTheMinimum) {
  FormManual form(count_runs_, files_);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.resize(QSize(600, 450) - (form.frameGeometry().size() - form.size()));  // 9000 x 6750 twips
  EXPECT_EQ(Child(form, "T01_SetSQL")->size(), QSize(576, 200));
  EXPECT_EQ(Child(form, "B99_END")->pos(), QPoint(495, 375));
  EXPECT_EQ(Child(form, "T02_FileOut")->width(), 560);
  EXPECT_EQ(Child(form, "C02_Counter")->y(), 287);
  form.resize(300, 200);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return form.frameGeometry().size() == QSize(400, 267); }, 2000));
}

TEST_F(FormManualTest, FieldsComeFromTheSettingsFileAndTheWindowOpensCentredOnTheConnectString) {
  test::WriteFileBytes(files_.run_config,
                       "[CONNECTION01]\r\nDSN01=DSN=X\r\nSQL01=SELECT 1\r\n"
                       "OUTPUT=EXCEL\r\nSHOWDATA=ON\r\nCOUNTER=on\r\n");
  FormManual form(count_runs_, files_);
  EXPECT_TRUE(Child<QRadioButton>(form, "O02_SetItem_4")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(form, "C01_ShowData")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(form, "C02_Counter")->isChecked());
  EXPECT_EQ(Child<QPlainTextEdit>(form, "T01_SetSQL")->toPlainText(), QStringLiteral("SELECT 1"));
  EXPECT_EQ(form.Task().output_file, folder_ + "/desk/Kelvax.xls");

  form.ShowCentred();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(form.frameGeometry().center(), form.screen()->availableGeometry().center());
  auto* connect = Child<QLineEdit>(form, "T02_SetConnect");
  EXPECT_EQ(QApplication::focusWidget(), connect);
  EXPECT_EQ(connect->selectedText(), QStringLiteral("DSN=X"));
}

TEST_F(FormManualTest, EditCommandsActOnTheStatementWhereverTheFocusIs) {
  FormManual form(count_runs_, files_);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  auto* sql = Child<QPlainTextEdit>(form, "T01_SetSQL");
  auto* file = Child<QLineEdit>(form, "T02_FileOut");
  sql->setPlainText(QStringLiteral("select a from t"));
  file->setFocus();
  Pick(form, "M02_File_5");  // 全て選択: the statement, focused
  EXPECT_EQ(QApplication::focusWidget(), sql);
  EXPECT_EQ(sql->textCursor().selectedText(), QStringLiteral("select a from t"));

  QTextCursor part(sql->document());
  part.setPosition(6, QTextCursor::KeepAnchor);  // "select"
  sql->setTextCursor(part);
  file->setFocus();
  // コピー, 切り取り, 貼り付け, 元に戻す, a separator, 消去 (the whole text, whatever is selected).
  const std::pair<const char*, const char*> steps[] = {
      {"M02_File_3", "select a from t"}, {"M02_File_2", " a from t"},
      {"M02_File_4", "select a from t"}, {"M02_File_0", " a from t"},
      {"M02_File_1", " a from t"},       {"M02_File_6", ""}};
  for (const auto& [entry, after] : steps) {
    Pick(form, entry);
    EXPECT_EQ(sql->toPlainText(), QString::fromUtf8(after)) << entry;
  }
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("select"));
  EXPECT_EQ(QApplication::focusWidget(), file);
}

TEST_F(FormManualTest, SaveAndOpenGoThroughTheirDialogsAndThreeWaysClose) {
  FormManual form(count_runs_, files_);
  form.show();
  // 保存 then 開く through their dialogs: the clipboard mode is written as CRIP, which loading
  // does not know, so ＴＡＢ comes back.
  const QString job = QString::fromStdString(folder_ + "/saved");  // no extension appended
  form.SetTask({"DSN=A", "SELECT 1", "out.txt", settings::kOptionClip});
  for (const char* entry : {"M01_File_1", "M01_File_0"}) {
    test::AnswerNextModal([&](QWidget* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(job);
      static_cast<QDialog*>(dialog)->accept();
    });
    Pick(form, entry);
    if (std::string(entry) == "M01_File_1") form.SetTask({"", "", "", settings::kOptionCsv});
  }
  EXPECT_EQ(form.Task().connect + form.Task().sql + form.Task().output_file,
            "DSN=ASELECT 1out.txt");
  EXPECT_EQ(form.Task().output_option, settings::kOptionTab);

  // The close button, 終了 and the close box each end the program.
  QSignalSpy closed(&form, &FormManual::Closed);
  Child<QPushButton>(form, "B99_END")->click();
  form.show();
  Pick(form, "M01_File_99");
  form.show();
  form.close();
  EXPECT_EQ(closed.count(), 3);
  EXPECT_EQ(runs_, 0);
}

// The run itself is played under a window manager (tests/ui/desktop/keys_and_clicks.steps).
TEST_F(FormManualTest, ARunThatFailsOrCannotStartSaysSoInAMessage) {
  const std::string db = test::OdbcSandbox::Get().CreateSqliteDb(
      "center.db", "CREATE TABLE T (A INTEGER, B TEXT); INSERT INTO T VALUES (1, 'X'), (2, 'x');");
  test::OdbcSandbox::Get().AddDsn("CENTERDB",
                                  {{"Driver", "SQLite3"}, {"Database", db}, {"StepAPI", "1"}});
  FormAuto progress;
  QtRunHost host(progress);
  RunLog log(folder_ + "/SQLLOG.txt");
  JobTask task;
  Workers workers;
  workers.OutputResult = OutputResult;
  FormManual form(
      [&](const std::string& job) {
        RunJobFile(job, task, log, workers, host);
        return JobOutcome{0, log.first_failure(), log.path()};
      },
      files_);
  host.SetCommandCenter(&form);
  // The first failure and where the log is.
  form.SetTask(
      {"DSN=CENTERDB", "select a from t", folder_ + "/missing/out.csv", settings::kOptionCsv});
  QString failed;
  test::AnswerNextMessage(failed);
  Child<QPushButton>(form, "B01_Kelvax")->click();
  EXPECT_TRUE(failed.contains(QString::fromUtf8("0番目でファイルの出力に失敗しました\n53:")) &&
              failed.endsWith(QString::fromUtf8("実行ログ: ") + QString::fromStdString(log.path()) +
                              "|1|0"))
      << failed.toStdString();

  // A job file that cannot be written: the message names it, and nothing runs.
  FormManual unwritable(count_runs_, {folder_ + "/missing/kelvax.ini", files_.run_config, ""});
  QString seen;
  test::AnswerNextMessage(seen);
  Child<QPushButton>(unwritable, "B01_Kelvax")->click();
  EXPECT_TRUE(seen.contains(QString::fromStdString(folder_ + "/missing/kelvax.ini")))
      << seen.toStdString();
  EXPECT_EQ(runs_, 0);
}

}  // namespace
}  // namespace kelvax::ui
