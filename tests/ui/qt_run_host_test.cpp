// The desktop host: the window follows the rows at each yield exactly as if every row had been
// shown, the window comes and goes with the run, and the end from the window cuts the run.
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
  QString Rows() { return form_.findChild<QLabel*>(QStringLiteral("L01_MsgBox"))->text(); }
  QString Timer() { return form_.findChild<QLabel*>(QStringLiteral("L02_Timer"))->text(); }

  FormAuto form_;
  QtRunHost host_{form_};
};

TEST_F(QtRunHostTest, AYieldShowsTheLastRowsAsIfEveryRowHadBeenShown) {
  for (int r = 1; r <= 990; ++r) host_.ShowProgress(r, 1000, 0, r / 100.0);
  host_.ProcessEvents();
  EXPECT_EQ(Rows(), QStringLiteral("990/1000"));
  EXPECT_EQ(Timer(), QStringLiteral("00:00:10"));
  EXPECT_EQ(form_.bar_width_twips(), 3960);

  // Rows past 99 % give the full bar and leave the labels at the last row before them.
  for (int r = 991; r <= 1000; ++r) host_.ShowProgress(r, 1000, 0, 60);
  host_.ProcessEvents();
  EXPECT_EQ(Rows(), QStringLiteral("990/1000"));
  EXPECT_EQ(Timer(), QStringLiteral("00:00:10"));
  EXPECT_EQ(form_.bar_width_twips(), 4000);

  // The next task: a bar of 25 % even when the labels' last row and the bar's are different.
  host_.ShowProgress(1, 0, 0, 1);
  host_.ShowProgress(250, 1000, 0, 2);
  host_.HideProgressWindow();
  EXPECT_EQ(Rows(), QStringLiteral("250/1000"));
  EXPECT_EQ(form_.bar_width_twips(), 1000);

  // Labels keep their texts while the window is hidden and counting without a total.
  host_.ShowProgress(7, 0, 0, 3);
  host_.ProcessEvents();
  EXPECT_EQ(Rows(), QStringLiteral("7"));
  EXPECT_EQ(form_.bar_width_twips(), 1000);
}

TEST_F(QtRunHostTest, TheWindowComesWithTheFirstIndicatorAndGoesAtTheEnd) {
  host_.SetTaskCounter(1, 2);
  EXPECT_FALSE(form_.isVisible());
  host_.ShowProgressWindow();
  EXPECT_TRUE(form_.isVisible());
  host_.ShowProgressWindow();
  EXPECT_TRUE(form_.isVisible());
  host_.HideProgressWindow();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.findChild<QLabel*>(QStringLiteral("L03_Counter"))->text(),
            QString::fromUtf8("計算中です...1/2"));
}

TEST_F(QtRunHostTest, EndingFromTheWindowCutsTheRunAndHidesTheWindow) {
  host_.ShowProgressWindow();
  EXPECT_FALSE(host_.CutRequested());
  emit form_.EndRequested(QStringLiteral("cause"));
  emit form_.EndRequested(QStringLiteral("later cause"));
  EXPECT_TRUE(host_.CutRequested());
  EXPECT_EQ(host_.CutCause(), "cause");  // the cut record's words: the first way wins
  EXPECT_FALSE(form_.isVisible());
  host_.ShowProgressWindow();  // the runner unwinds; nothing comes back
  EXPECT_FALSE(form_.isVisible());
}

TEST_F(QtRunHostTest, ClosingTheWindowCutsTheRunWithWordsOfItsOwn) {
  host_.ShowProgressWindow();
  form_.close();
  EXPECT_TRUE(host_.CutRequested());
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

TEST_F(QtRunHostTest, TheRunDisablesTheCommandCenter) {
  QWidget center;
  host_.SetCommandCenter(&center);
  host_.SetCommandCenterEnabled(false);
  EXPECT_FALSE(center.isEnabled());
  host_.SetCommandCenterEnabled(true);
  EXPECT_TRUE(center.isEnabled());
}

}  // namespace
}  // namespace kelvax::ui
