// The command center: its controls and menus, its layout rule, focus and edit commands, its
// message boxes, and a run through the real engine against a SQLite data source.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <unistd.h>

#include "engine/runner.h"
#include "output/output_result.h"
#include "platform/folders.h"
#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"
#include "tests/ui/support/modal.h"
#include "ui/center_layout.h"
#include "ui/form_auto.h"
#include "ui/form_manual.h"
#include "ui/qt_run_host.h"

namespace kelvax::ui {
namespace {

TEST(CenterLayoutTest, WidthThenHeightFollowTheOuterSizeAboveTheMinimum) {
  struct Case {
    double w, h;
    double want_w, want_h;  // the size the window is asked for, 0 for none
    CenterGeometry g;       // the expected result, design values where a pass was skipped
  };
  const CenterGeometry design;
  auto at = [](double w, double h) {
    CenterGeometry g;
    FormResize(w, h, g);
    return g;
  };
  const Case cases[] = {
      // The design size: all as designed but B99_END at 5640 and C01_ShowData at 3340.
      {7215, 6165, 0, 0, {0, 0, 6855, 6855, 6615, 6855, 6615, 5640, 2415, 3240, 3340, 3720, 4320, 5040}},
      // Too small both ways: only the minimum is asked for, the controls stay.
      {5000, 3000, 6000, 4000, {6000, 4000, 6855, 6855, 6615, 6855, 6615, 5760, 2415, 3240, 3360, 3720, 4320, 5040}},
      // ... and at the minimum the rules give these numbers.
      {6000, 4000, 0, 0, {0, 0, 5640, 5640, 5400, 5640, 5400, 4425, 250, 1075, 1175, 1555, 2155, 2875}},
      // One pass skipped, the other done.
      {5999, 5165, 6000, 0, {6000, 0, 6855, 6855, 6615, 6855, 6615, 5760, 1415, 2240, 2340, 2720, 3320, 4040}},
      {8215, 3999, 0, 4000, {0, 4000, 7855, 7855, 7615, 7855, 7615, 6640, 2415, 3240, 3360, 3720, 4320, 5040}},
  };
  for (const Case& c : cases) {
    CenterGeometry g = design;
    FormResize(c.w, c.h, g);
    const double got[] = {g.window_width, g.window_height, g.sql_width, g.connect_frame_width,
                          g.connect_width, g.file_frame_width, g.file_width, g.end_left,
                          g.sql_height, g.output_top, g.show_data_top, g.counter_top,
                          g.file_frame_top, g.buttons_top};
    const double want[] = {c.g.window_width, c.g.window_height, c.g.sql_width,
                           c.g.connect_frame_width, c.g.connect_width, c.g.file_frame_width,
                           c.g.file_width, c.g.end_left, c.g.sql_height, c.g.output_top,
                           c.g.show_data_top, c.g.counter_top, c.g.file_frame_top, c.g.buttons_top};
    for (size_t i = 0; i < std::size(got); ++i) {
      EXPECT_EQ(got[i], want[i]) << c.w << "x" << c.h << " value " << i;
    }
  }
  // Widening by 1000 moves only what follows the width, heightening only what follows the height.
  const CenterGeometry base = at(7215, 6165), wide = at(8215, 6165), high = at(7215, 7165);
  EXPECT_EQ(wide.end_left - base.end_left, 1000);
  EXPECT_EQ(wide.sql_height, base.sql_height);
  EXPECT_EQ(high.buttons_top - base.buttons_top, 1000);
  EXPECT_EQ(high.sql_width, base.sql_width);
}

class FormManualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempDir("center");
    files_ = {folder_ + "/kelvax.ini", folder_ + "/RunConfig.ini", folder_ + "/desk"};
  }

  template <typename W = QWidget>
  static W* Child(QWidget& form, const char* name) {
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static void Pick(QWidget& form, const char* entry) {
    form.findChild<QAction*>(QString::fromLatin1(entry))->trigger();
  }

  // The next message box: its title, text, buttons and icon as one line, answered with OK.
  static void ExpectMessage(QString& seen) {
    test::AnswerNextModal([&seen](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->buttons().size()) +
             "|" + QString::number(box->icon());
      box->button(QMessageBox::Ok)->click();
    });
  }

  std::string folder_;
  FormManual::Files files_;
  int runs_ = 0;
  FormManual::JobRunner count_runs_ = [this](const std::string&) { ++runs_; };
};

TEST_F(FormManualTest, ControlsMenusAndTabOrderAreAsDesigned) {
  FormManual form(count_runs_, files_);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("コマンドセンター"));
  const std::pair<const char*, const char*> captions[] = {
      {"F01_OdbcCon", "接続先"}, {"F02_OutPut", "出力モード"}, {"F03_OutFile", "出力先"},
      {"O02_SetItem_0", "ＴＡＢ"}, {"O02_SetItem_1", "ＣＳＶ"}, {"O02_SetItem_2", "Ｃｌｉｐ"},
      {"O02_SetItem_3", "ＨＴＭＬ"}, {"O02_SetItem_4", ""}, {"C01_ShowData", "結果を表示しない"},
      {"C02_Counter", "レコード総数を取得しない"}, {"B01_Kelvax", "実行"}, {"B99_END", "閉じる"}};
  for (const auto& [name, caption] : captions) {
    QWidget* w = Child(form, name);
    const QString text = qobject_cast<QGroupBox*>(w) ? static_cast<QGroupBox*>(w)->title()
                                                     : static_cast<QAbstractButton*>(w)->text();
    EXPECT_EQ(text, QString::fromUtf8(caption)) << name;
  }
  EXPECT_TRUE(Child(form, "O02_SetItem_4")->isHidden());
  for (const char* name : {"B01_Kelvax", "B99_END"}) {
    auto* b = Child<QPushButton>(form, name);
    EXPECT_FALSE(b->isDefault() || b->autoDefault()) << name;
  }
  EXPECT_EQ(Child(form, "T02_SetConnect")->font().family(), QString::fromUtf8("ＭＳ ゴシック"));
  EXPECT_EQ(Child(form, "T01_SetSQL")->font().family(), QString::fromUtf8("ＭＳ 明朝"));

  // The focus chain, frames and menus left out.
  const QStringList order = {"T02_SetConnect", "T01_SetSQL", "O02_SetItem_0", "O02_SetItem_1",
                             "O02_SetItem_2", "O02_SetItem_3", "O02_SetItem_4", "C01_ShowData",
                             "C02_Counter", "T02_FileOut", "B01_Kelvax", "B99_END"};
  QStringList chain;
  QWidget* w = Child(form, "T02_SetConnect");
  do {
    if (order.contains(w->objectName())) chain << w->objectName();
    w = w->nextInFocusChain();
  } while (w->objectName() != "T02_SetConnect");
  EXPECT_EQ(chain, order);

  // Menus: entries with their indices, separators, no shortcuts. "-" marks a separator.
  const std::vector<std::pair<const char*, std::vector<std::pair<const char*, const char*>>>> menus = {
      {"M01_menu", {{"M01_File_0", "開く"}, {"M01_File_1", "保存"}, {"M01_File_2", "-"}, {"M01_File_99", "終了"}}},
      {"M02_Menu", {{"M02_File_0", "元に戻す"}, {"M02_File_1", "-"}, {"M02_File_2", "切り取り"},
                    {"M02_File_3", "コピー"}, {"M02_File_4", "貼り付け"}, {"M02_File_5", "全て選択"},
                    {"M02_File_6", "消去"}}},
      {"M03_Menu", {{"M03_File_0", "拡張機能"}, {"M03_File_1", "-"}, {"M03_File_2", "環境設定"}}},
      {"M04_Menu", {{"M04_File_0", "バージョン"}}}};
  const char* titles[] = {"メニュー", "編集", "オプション", "ヘルプ"};
  for (size_t m = 0; m < menus.size(); ++m) {
    auto* menu = form.findChild<QMenu*>(QString::fromLatin1(menus[m].first));
    ASSERT_NE(menu, nullptr) << menus[m].first;
    EXPECT_EQ(menu->title(), QString::fromUtf8(titles[m]));
    ASSERT_EQ(menu->actions().size(), qsizetype(menus[m].second.size()));
    for (size_t i = 0; i < menus[m].second.size(); ++i) {
      const QAction* a = menu->actions()[i];
      const auto& [name, caption] = menus[m].second[i];
      EXPECT_EQ(a->objectName(), QString::fromLatin1(name));
      EXPECT_EQ(a->isSeparator() ? QStringLiteral("-") : a->text(), QString::fromUtf8(caption));
      EXPECT_TRUE(a->shortcut().isEmpty()) << name;
    }
  }
}

TEST_F(FormManualTest, TheLayoutFollowsTheWindowInPixelsAndHoldsTheMinimum) {
  FormManual form(count_runs_, files_);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QSize frame = form.frameGeometry().size() - form.size();
  form.resize(QSize(600, 450) - frame);  // outer 9000 x 6750 twips
  QTest::qWait(20);
  EXPECT_EQ(Child(form, "T01_SetSQL")->size(), QSize(576, 200));
  EXPECT_EQ(Child(form, "B99_END")->pos(), QPoint(495, 375));
  EXPECT_EQ(Child(form, "T02_FileOut")->width(), 560);
  EXPECT_EQ(Child(form, "C02_Counter")->y(), 287);
  form.resize(300, 200);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.frameGeometry().size() == QSize(400, 267); }, 2000))
      << form.frameGeometry().width() << "x" << form.frameGeometry().height();
}

TEST_F(FormManualTest, FieldsComeFromTheSettingsFileOrItsDefaults) {
  {
    FormManual form(count_runs_, files_);
    EXPECT_TRUE(Child<QRadioButton>(form, "O02_SetItem_0")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(form, "T02_FileOut")->text().toStdString(), folder_ + "/desk/Kelvax.txt");
    EXPECT_TRUE(Child<QCheckBox>(form, "C01_ShowData")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(form, "C02_Counter")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(form, "T02_SetConnect")->text(), QString());
  }
  test::WriteFileBytes(files_.run_config,
                       "[CONNECTION01]\r\nDSN01=DSN=X\r\nSQL01=SELECT 1\r\nOUTPUT=EXCEL\r\n"
                       "SHOWDATA=ON\r\nCOUNTER=on\r\n");
  FormManual form(count_runs_, files_);
  EXPECT_TRUE(Child<QRadioButton>(form, "O02_SetItem_4")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(form, "C01_ShowData")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(form, "C02_Counter")->isChecked());
  EXPECT_EQ(Child<QPlainTextEdit>(form, "T01_SetSQL")->toPlainText(), QStringLiteral("SELECT 1"));
  EXPECT_EQ(form.Task().output_file, folder_ + "/desk/Kelvax.xls");

  // It opens centred, the connect string focused and selected.
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
  file->selectAll();

  Pick(form, "M02_File_5");  // 全て選択: the statement, focused
  EXPECT_EQ(QApplication::focusWidget(), sql);
  EXPECT_EQ(sql->textCursor().selectedText(), QStringLiteral("select a from t"));

  QTextCursor part = sql->textCursor();
  part.setPosition(0);
  part.setPosition(6, QTextCursor::KeepAnchor);
  sql->setTextCursor(part);
  file->setFocus();
  Pick(form, "M02_File_3");  // コピー
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("select"));
  Pick(form, "M02_File_2");  // 切り取り
  EXPECT_EQ(sql->toPlainText(), QStringLiteral(" a from t"));
  Pick(form, "M02_File_4");  // 貼り付け
  EXPECT_EQ(sql->toPlainText(), QStringLiteral("select a from t"));
  Pick(form, "M02_File_0");  // 元に戻す
  EXPECT_EQ(sql->toPlainText(), QStringLiteral(" a from t"));
  Pick(form, "M02_File_1");  // a separator does nothing
  EXPECT_EQ(sql->toPlainText(), QStringLiteral(" a from t"));
  sql->setTextCursor(part);
  Pick(form, "M02_File_6");  // 消去: the whole text, whatever is selected
  EXPECT_EQ(sql->toPlainText(), QString());
  EXPECT_EQ(QApplication::focusWidget(), file);
}

TEST_F(FormManualTest, MenuMessagesAndClosingTheWindow) {
  FormManual form(count_runs_, files_);
  const std::pair<const char*, const char*> messages[] = {
      {"M03_File_0", "Kelvax Ver3|失礼。\nまだできていないです|1|0"},
      {"M04_File_0", "Kelvax Ver3|Kelvax3.5.0|1|0"}};
  for (const auto& [entry, expected] : messages) {
    QString seen;
    ExpectMessage(seen);
    Pick(form, entry);
    EXPECT_EQ(seen, QString::fromUtf8(expected)) << entry;
  }

  // 環境設定: the settings dialog, this window disabled while it is open.
  Pick(form, "M03_File_2");
  QWidget* config = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == QString::fromUtf8("初期設定")) config = w;
  }
  ASSERT_NE(config, nullptr);
  EXPECT_FALSE(form.isEnabled());
  config->close();
  EXPECT_TRUE(form.isEnabled());

  // A data source picked by a double click: cancelled, the box keeps its text.
  auto* connect = Child<QLineEdit>(form, "T02_SetConnect");
  connect->setText(QStringLiteral("DSN=KEEP"));
  QString seen;
  test::AnswerNextModal([&](QWidget* chooser) {
    ExpectMessage(seen);  // the cancel is reported
    static_cast<QDialog*>(chooser)->reject();
  });
  QTest::mouseDClick(connect, Qt::LeftButton);
  EXPECT_EQ(connect->text(), QStringLiteral("DSN=KEEP"));
  EXPECT_TRUE(seen.startsWith(QStringLiteral("Kelvax Ver3|"))) << seen.toStdString();

  // The close button, 終了 and the close box each end the program.
  QSignalSpy closed(&form, &FormManual::Closed);
  const std::function<void()> ways[] = {[&] { Child<QPushButton>(form, "B99_END")->click(); },
                                        [&] { Pick(form, "M01_File_99"); },
                                        [&] { form.close(); }};
  for (const auto& close : ways) {
    form.show();
    close();
    EXPECT_FALSE(form.isVisible());
  }
  EXPECT_EQ(closed.count(), 3);
  EXPECT_EQ(runs_, 0);
}

TEST_F(FormManualTest, TheOutputFileBoxTakesThePathChosenInTheSaveDialog) {
  FormManual form(count_runs_, files_);
  form.show();
  auto* file = Child<QLineEdit>(form, "T02_FileOut");
  const QString before = file->text();
  for (const QString& typed : {QString(), QString::fromStdString(folder_ + "/出力")}) {
    test::AnswerNextModal([&](QWidget* dialog) {
      if (typed.isEmpty()) return static_cast<QDialog*>(dialog)->reject();
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseDClick(file, Qt::LeftButton);
    EXPECT_EQ(file->text(), typed.isEmpty() ? before : typed);
  }
}

TEST_F(FormManualTest, RunWritesTheJobAndRunsItThroughTheEngineWithTheWindowDisabled) {
  const std::string db = test::OdbcSandbox::Get().CreateSqliteDb(
      "center.db", "CREATE TABLE T (A INTEGER, B TEXT); INSERT INTO T VALUES (1, 'X'), (2, 'x');");
  test::OdbcSandbox::Get().AddDsn("CENTERDB", {{"Driver", "SQLite3"}, {"Database", db}, {"StepAPI", "1"}});
  FormAuto progress;
  QtRunHost host(progress);
  RunLog log(folder_ + "/SQLLOG.txt");
  JobTask task;
  FormManual* center = nullptr;
  bool disabled = false, progress_shown = false;
  Workers workers;
  workers.OutputResult = [&](TaskContext& c, const std::string& job, const std::string& section) {
    disabled = !center->isEnabled();
    progress_shown = progress.isVisible();
    return OutputResult(c, job, section);
  };
  FormManual form([&](const std::string& job) { RunJobFile(job, task, log, workers, host); }, files_);
  center = &form;
  host.SetCommandCenter(&form);
  settings::CommandTask typed;
  typed.connect = "  DSN=CENTERDB  ";
  typed.sql = "select a\nfrom t where b = 'x'";  // one space for the line break; 'x' becomes 'X'
  // The job runner upper-cases the path before it expands the macros.
  const std::string out_name = "KELVAX-CENTER-" + std::to_string(getpid());
  std::filesystem::create_directory(TempFolder() + out_name);
  typed.output_file = "%TEMP%" + out_name + "/OUT.CSV";
  typed.output_option = settings::kOptionCsv;
  form.SetTask(typed);
  form.show();
  Child<QPushButton>(form, "B01_Kelvax")->click();

  const std::vector<std::string> records = test::ReadLogRecords(log.path());
  EXPECT_EQ(test::ReadFileBytes(TempFolder() + out_name + "/OUT.CSV"), "A\r\n1\r\n");
  std::filesystem::remove_all(TempFolder() + out_name);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], "<TS> \r\n1番目は<ET>経過しています\r\n");
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(progress_shown);
  EXPECT_TRUE(form.isEnabled());
  EXPECT_FALSE(progress.isVisible());
  EXPECT_EQ(form.Task().sql, typed.sql);  // the fields keep what was typed

  // A job file that cannot be written: the message names it, and nothing runs.
  FormManual::Files broken = files_;
  broken.job = folder_ + "/missing/kelvax.ini";
  FormManual unwritable(count_runs_, broken);
  QString seen;
  ExpectMessage(seen);
  Child<QPushButton>(unwritable, "B01_Kelvax")->click();
  EXPECT_TRUE(seen.contains(QString::fromStdString(broken.job))) << seen.toStdString();
  EXPECT_EQ(runs_, 0);
}

}  // namespace
}  // namespace kelvax::ui
