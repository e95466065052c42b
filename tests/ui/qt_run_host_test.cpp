// The desktop host and its progress window: the labels and the bar follow the rows at each yield
// exactly as if every row had been shown, the window comes and goes with the run, and the end
// from the window cuts the run.
#include "ui/qt_run_host.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "engine/runner.h"
#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"
#include "ui/form_auto.h"

namespace kelvax::ui {
namespace {

class QtRunHostTest : public ::testing::Test {
 protected:
  // "rows|time|the bar's width in pixels"
  std::string Shown() {
    auto text = [&](const char* name) {
      return form_.findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
    };
    return text("L01_MsgBox") + "|" + text("L02_Timer") + "|" +
           std::to_string(form_.findChild<QWidget*>(QStringLiteral("Picture1"))->width());
  }

  FormAuto form_;
  QtRunHost host_{form_};
};

TEST_F(QtRunHostTest, AYieldShowsTheLastRowsAsIfEveryRowHadBeenShown) {
  // Rows `from` to `to` noted (at `at` seconds, or row / 100), then a yield. Up to 99 % the
  // labels and the bar follow; past it the bar is full and the labels keep the last row before.
  // Without a total (or a negative one) the bar stays as it is: full at load.
  struct Step {
    int from, to, total;
    double at;
    const char* shown;
  } const steps[] = {
      {5, 5, 0, 65.2, "5|00:01:05|267"},
      {0, 0, -1, 0, "0|00:00:00|267"},
      {500, 500, 1000, 3725, "500/1000|01:02:05|133"},
      {1, 990, 1000, -1, "990/1000|00:00:10|264"},
      {991, 1000, 1000, 60, "990/1000|00:00:10|267"},
  };
  for (const Step& s : steps) {
    for (int r = s.from; r <= s.to; ++r)
      host_.ShowProgress(r, s.total, 0, s.at < 0 ? r / 100.0 : s.at);
    host_.ProcessEvents();
    EXPECT_EQ(Shown(), s.shown) << s.from << ".." << s.to << "/" << s.total;
  }

  // The next task: a bar of 25 % even when the labels' last row and the bar's are different,
  // brought up to date as the window goes; labels keep their texts while the window is hidden.
  host_.ShowProgress(1, 0, 0, 1);
  host_.ShowProgress(250, 1000, 0, 2);
  host_.HideProgressWindow();
  EXPECT_EQ(Shown(), "250/1000|00:00:02|67");
  host_.ShowProgress(7, 0, 0, 3);
  host_.ProcessEvents();
  EXPECT_EQ(Shown(), "7|00:00:03|67");
}

TEST_F(QtRunHostTest, TheWindowComesWithTheFirstIndicatorAndGoesAtTheEnd) {
  host_.SetTaskCounter(1, 2);
  EXPECT_FALSE(form_.isVisible());
  host_.ShowProgressWindow();
  host_.ShowProgressWindow();
  EXPECT_TRUE(form_.isVisible());
  host_.HideProgressWindow();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.findChild<QLabel*>(QStringLiteral("L03_Counter"))->text(),
            QString::fromUtf8("計算中です...1/2"));
}

// Closing the window, or a double click on its title, cuts the run: the first way wins, the
// window goes and does not come back while the runner unwinds.
TEST_F(QtRunHostTest, EndingFromTheWindowCutsTheRunWithWordsOfTheFirstWay) {
  host_.ShowProgressWindow();
  EXPECT_FALSE(host_.CutRequested());
  form_.close();
  emit form_.EndRequested(QStringLiteral("later cause"));
  EXPECT_TRUE(host_.CutRequested());
  EXPECT_FALSE(form_.isVisible());
  host_.ShowProgressWindow();
  EXPECT_FALSE(form_.isVisible());
  const std::string dir = test::MakeTempDir("cut");
  test::WriteFileBytes(dir + "/job.ini", "[CONNECTION01]\r\nDSN01=D\r\n");
  RunLog log(dir + "/SQLLOG.txt");
  JobTask task;
  EXPECT_TRUE(RunJobFile(dir + "/job.ini", task, log, Workers{}, host_).cut);
  EXPECT_EQ(test::ReadLogRecords(log.path()),
            std::vector<std::string>{
                "<TS> 1番目の処理で実行を打ち切りました\r\n進行状況ウィンドウを閉じて"
                "終了しました\r\nこの処理はまだ始めていません\r\n"});
}

}  // namespace
}  // namespace kelvax::ui
