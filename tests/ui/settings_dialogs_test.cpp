// The settings dialog against RunConfig.ini on disk, and the data-source dialog against the
// ODBC sandbox's data sources. Modal windows are answered by a timer, as a user would.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <functional>

#include "platform/odbc/odbc.h"
#include "tests/support/mariadb_sandbox.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/sandbox.h"
#include "tests/ui/support/widgets.h"
#include "ui/data_source_dialog.h"
#include "ui/sql_config.h"

namespace kelvax::ui {
namespace {

using namespace kelvax::test;

// OK writes the fields, keeping the rest of the file; キャンセル and the close box write nothing.
// The window behind is disabled while the dialog is up.
TEST(SQLConfigTest, OkWritesTheFieldsAsEditedAndKeepsTheRestOfTheFile) {
  struct Case {
    std::string before;
    std::function<void(SQLConfig&)> edit;
    const char* press;  // "": the close box
    std::string after;
  };
  const std::string kNewFile =
      "[CONNECTION01]\r\nDSN01=\r\nSQL01=\r\nOUTPUT=OFF\r\nEXPORT=\r\nINDICATOR=ON\r\n"
      "SHOWDATA=OFF\r\nCOUNTER=OFF\r\n";
  const std::string old = "[CONNECTION01]\r\nDSN01=DSN=OLD\r\n";
  auto new_dsn = [](SQLConfig& d) {
    Find<QLineEdit>(d, "T01_FileName_0")->setText(QStringLiteral("DSN=NEW"));
  };
  std::vector<Case> cases = {
      {"", [](SQLConfig&) {}, "B02_OK", kNewFile},
      // Lower-case "on" reads as checked; unchecking writes ON; the connect string is trimmed,
      // the output path kept as typed, and 出力 written in CP932.
      {"[Keep]\r\nA=1\r\n[connection01]\r\nOUTPUT=CLIP\r\nSHOWDATA=on\r\nCOUNTER=ON\r\n",
       [](SQLConfig& d) {
         EXPECT_TRUE(Find<QRadioButton>(d, "Option1_2")->isChecked());
         EXPECT_TRUE(Find<QCheckBox>(d, "C01_ShowData")->isChecked());
         EXPECT_FALSE(Find<QCheckBox>(d, "C02_Counter")->isChecked());
         Find<QCheckBox>(d, "C01_ShowData")->click();
         Find<QLineEdit>(d, "T01_FileName_0")->setText(QStringLiteral("  DSN=X  "));
         Find<QLineEdit>(d, "T01_FileName_1")->setText(QString::fromUtf8(" /d/出力.txt "));
       },
       "B02_OK",
       "[Keep]\r\nA=1\r\n[connection01]\r\nOUTPUT=CLIP\r\nSHOWDATA=ON\r\nCOUNTER=ON\r\n"
       "DSN01=DSN=X\r\nSQL01=\r\nEXPORT= /d/\x8f\x6f\x97\xcd.txt \r\nINDICATOR=ON\r\n"},
      {old, new_dsn, "B99_END", old},
      {old, new_dsn, "", old},
  };
  // Each output type read selects its option; another picked is written as its word.
  const std::string kinds[] = {"TAB", "CSV", "CLIP", "HTML", "EXCEL"};
  for (int i = 0; i < 5; ++i) {
    const std::string next = kinds[(i + 1) % 5];
    cases.push_back(
        {"[CONNECTION01]\r\nOUTPUT=" + kinds[i] + "\r\n",
         [i](SQLConfig& d) {
           const std::string option = "Option1_" + std::to_string(i);
           EXPECT_TRUE(Find<QRadioButton>(d, option.c_str())->isChecked()) << option;
           Find<QRadioButton>(d, ("Option1_" + std::to_string((i + 1) % 5)).c_str())->click();
         },
         "B02_OK",
         "[CONNECTION01]\r\nOUTPUT=" + next +
             "\r\nDSN01=\r\nSQL01=\r\nEXPORT=\r\nINDICATOR=ON\r\nSHOWDATA=OFF\r\nCOUNTER=OFF\r\n"});
  }
  for (const Case& c : cases) {
    const std::string path = MakeTempDir() + "/RunConfig.ini";
    if (!c.before.empty()) WriteFileBytes(path, c.before);
    QWidget center;
    SQLConfig dialog(&center, path);
    dialog.show();
    EXPECT_FALSE(center.isEnabled());
    c.edit(dialog);
    *c.press ? Find<QPushButton>(dialog, c.press)->click() : void(dialog.close());
    EXPECT_EQ(ReadFileBytes(path), c.after) << c.press;
    EXPECT_TRUE(center.isEnabled());
  }
}

TEST(SQLConfigTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
  const std::string path = MakeTempDir() + "/no-such-folder/RunConfig.ini";
  SQLConfig dialog(nullptr, path);
  dialog.show();
  QString seen;
  AnswerNextMessage(seen);
  Find<QPushButton>(dialog, "B02_OK")->click();
  EXPECT_TRUE(seen.contains(QString::fromStdString(path))) << seen.toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(PathExists(path));
}

// The data sources of the ODBC sandbox, with the other engines' where their servers are
// installed.
TEST(DataSourceDialogTest, SelectConnectionGivesTheCompletedStringOrAMessageAndNothing) {
  OdbcSandbox& sandbox = OdbcSandbox::Get();
  const std::string db_path = sandbox.CreateSqliteDb("pick.db", "CREATE TABLE t(a);");
  sandbox.AddDsn("KelvaxPick", {{"Driver", "SQLite3"}, {"Database", db_path}});
  // A path beyond ASCII: the driver over-reports the completed string's length, and its wide
  // connect cannot open such a path.
  const std::string japanese_path = sandbox.CreateSqliteDb("選択データ.db", "CREATE TABLE t(a);");
  sandbox.AddDsn("KelvaxPickJa", {{"Driver", "SQLite3"}, {"Database", japanese_path}});
  std::string pg_dsn, my_dsn;
  if (test::PostgresSandbox* pg = test::PostgresSandbox::Get()) pg_dsn = pg->DsnName();
  if (test::MariaDbSandbox* my = test::MariaDbSandbox::Get()) {
    std::map<std::string, std::string> values;  // its connect string as a data source
    for (const QString& pair : QString::fromStdString(my->ConnectString()).split(u';')) {
      values[pair.section(u'=', 0, 0).toStdString()] =
          pair.section(u'=', 1).remove(u'{').remove(u'}').toStdString();
    }
    sandbox.AddDsn("KelvaxPickMy", values);
    my_dsn = "KelvaxPickMy";
  }
  {
    DataSourceDialog dialog;  // the password typed is not shown
    EXPECT_EQ(Find<QLineEdit>(dialog, "Password")->echoMode(), QLineEdit::Password);
  }

  // `act` ends by pressing a button; an empty `result_holds`: the result must be ""; an empty
  // `message_holds`: no message box.
  struct Case {
    const char* what;
    std::function<void(DataSourceDialog&)> act;
    QString result_holds, message_holds;
  };
  const QString db = QString::fromStdString(db_path),
                japanese_db = QString::fromStdString(japanese_path);
  auto pick = [](const std::string& dsn) {
    return [dsn](DataSourceDialog& d) {
      auto* tree = Find<QTreeWidget>(d, "DataSources");
      for (QTreeWidgetItem* item : tree->findItems(QString::fromStdString(dsn), Qt::MatchExactly))
        item->setSelected(true);
      Find<QPushButton>(d, "OK")->click();
    };
  };
  auto driver = [](const QString& attributes) {
    return [attributes](DataSourceDialog& d) {
      auto* drivers = Find<QComboBox>(d, "Drivers");
      drivers->setCurrentIndex(drivers->findText(QStringLiteral("SQLite3")));
      Find<QLineEdit>(d, "Attributes")->setText(attributes);
      Find<QPushButton>(d, "OK")->click();
    };
  };
  std::vector<Case> cases = {
      {"data source", pick("KelvaxPick"), QStringLiteral("DSN=KelvaxPick"), QString()},
      {"data source beyond ASCII", pick("KelvaxPickJa"), japanese_db, QString()},
      {"driver and attributes", driver(QStringLiteral("Database=") + db), db, QString()},
      {"driver and a path beyond ASCII", driver(QStringLiteral("Database=") + japanese_db),
       japanese_db, QString()},
      {"unknown source",
       [](DataSourceDialog& d) {
         Find<QLineEdit>(d, "Attributes")->setText(QStringLiteral("DSN=KelvaxNoSuchSource"));
         Find<QPushButton>(d, "OK")->click();
       },
       QString(), QStringLiteral("IM002")},
      {"cancel", [](DataSourceDialog& d) { Find<QPushButton>(d, "Cancel")->click(); }, QString(),
       QString::fromUtf8("取り消されました")},
  };
  if (!pg_dsn.empty())
    cases.push_back(
        {"PostgreSQL", pick(pg_dsn), QString::fromStdString("DSN=" + pg_dsn), QString()});
  if (!my_dsn.empty())
    cases.push_back({"MariaDB", pick(my_dsn), QString::fromStdString("DSN=" + my_dsn), QString()});
  for (const Case& c : cases) {
    QString seen;             // "title|text|buttons|icon"
    QPointer<QTimer> answer;  // a message box over the dialog, or after it
    AnswerNextModal([&](QWidget* dialog) {
      answer = AnswerNextMessage(seen, dialog);
      c.act(*static_cast<DataSourceDialog*>(dialog));
    });
    const QString result = SelectConnection(nullptr);
    delete answer;
    EXPECT_TRUE(c.result_holds.isEmpty() ? result.isEmpty() : result.contains(c.result_holds))
        << c.what << ": " << result.toStdString();
    // A run connects with it as it is written into the settings and the job.
    odbc::Environment env;
    odbc::Connection again;
    EXPECT_TRUE(result.isEmpty() || (!result.contains(QChar(0)) && env.Open().ok() &&
                                     again.Open(env, result.toStdString(), false).ok()))
        << c.what << ": " << result.toStdString();
    // Titled "Kelvax Ver3", an OK button alone and no icon.
    EXPECT_TRUE(c.message_holds.isEmpty()
                    ? seen.isEmpty()
                    : seen.startsWith(QStringLiteral("Kelvax Ver3|")) &&
                          seen.endsWith(QStringLiteral("|1|0")) && seen.contains(c.message_holds))
        << c.what << ": " << seen.toStdString();
  }
}

}  // namespace
}  // namespace kelvax::ui
