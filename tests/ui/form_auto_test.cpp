// The progress window: its layout in pixels (twips / 15), its pictures, and what one row shows.
#include "ui/form_auto.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/support/widgets.h"
#include "ui/form_pictures.h"

namespace kelvax::ui {
namespace {

QLabel* Label(FormAuto& form, const char* name) { return test::Find<QLabel>(form, name); }
QRect Geometry(FormAuto& form, const char* name) {
  QWidget* w = test::Find(form, name);
  return w ? w->geometry() : QRect();
}

TEST(FormAutoTest, LayoutIsTheTwipsDesignAtFifteenTwipsPerPixel) {
  FormAuto form;
  EXPECT_EQ(form.size(), QSize(287, 105));  // 4300 x 1580
  EXPECT_EQ(Geometry(form, "L03_Counter"), QRect(16, 16, 169, 17));
  EXPECT_EQ(Geometry(form, "L02_Timer"), QRect(192, 16, 81, 17));
  EXPECT_EQ(Geometry(form, "L01_MsgBox"), QRect(8, 72, 153, 25));
  EXPECT_EQ(Geometry(form, "Label1_0"), QRect(184, 80, 97, 17));
  EXPECT_EQ(Geometry(form, "Label1_1"), QRect(183, 79, 97, 17));  // 10 twips up and left
  EXPECT_EQ(Geometry(form, "Text1"), QRect(5, 45, 270, 19));
  EXPECT_EQ(Geometry(form, "Picture1"), QRect(7, 47, 267, 15));

  EXPECT_NE(Label(form, "Label1_0")->palette().color(QPalette::WindowText),
            Label(form, "Label1_1")->palette().color(QPalette::WindowText));
  // The shadow lies beneath the title.
  const QObjectList& children = form.children();
  EXPECT_LT(children.indexOf(Label(form, "Label1_1")), children.indexOf(Label(form, "Label1_0")));

  // 12 points at 96 dots per inch; bold where designed so.
  EXPECT_EQ(Label(form, "L02_Timer")->font().pixelSize(), 16);
  EXPECT_TRUE(Label(form, "L02_Timer")->font().bold());
  EXPECT_FALSE(Label(form, "L03_Counter")->font().bold());
  EXPECT_EQ(Label(form, "Label1_0")->font().pixelSize(), 12);
}

TEST(FormAutoTest, DesignFontsMapToTheIpaFonts) {
  FormAuto form;
  QFontInfo mincho(Label(form, "L01_MsgBox")->font());
  QFontInfo gothic(form.findChild<QFrame*>(QStringLiteral("Text1"))->font());
  if (!QFontDatabase::families().contains(QStringLiteral("IPAMincho"))) {
    GTEST_SKIP() << "fonts-ipafont is not installed";
  }
  EXPECT_EQ(mincho.family(), QStringLiteral("IPAMincho"));
  EXPECT_EQ(gothic.family(), QStringLiteral("IPAPGothic"));
}

TEST(FormAutoTest, ShowProgressFollowsTheRowsAndTheTotal) {
  FormAuto form;
  QLabel* rows = Label(form, "L01_MsgBox");
  QLabel* timer = Label(form, "L02_Timer");
  const double start = 3600;  // 01:00:00

  // No total: the row number and the time; the bar stays as it is (full at load).
  form.ShowProgress(5, 0, start, start + 65.2);
  EXPECT_EQ(rows->text(), QStringLiteral("5"));
  EXPECT_EQ(timer->text(), QStringLiteral("00:01:05"));
  EXPECT_EQ(form.bar_width_twips(), 4000);
  EXPECT_EQ(Geometry(form, "Picture1").width(), 267);

  form.ShowProgress(500, 1000, start, start + 3725);
  EXPECT_EQ(rows->text(), QStringLiteral("500/1000"));
  EXPECT_EQ(timer->text(), QStringLiteral("01:02:05"));
  EXPECT_EQ(form.bar_width_twips(), 2000);
  EXPECT_EQ(Geometry(form, "Picture1"), QRect(7, 47, 133, 15));

  // Exactly 99 % still counts; past it the bar is full and the labels keep their texts.
  form.ShowProgress(990, 1000, start, start + 10);
  EXPECT_EQ(rows->text(), QStringLiteral("990/1000"));
  form.ShowProgress(995, 1000, start, start + 20);
  EXPECT_EQ(rows->text(), QStringLiteral("990/1000"));
  EXPECT_EQ(timer->text(), QStringLiteral("00:00:10"));
  EXPECT_EQ(form.bar_width_twips(), 4000);

  form.ShowProgress(0, -1, start, start);  // a negative total is no total
  EXPECT_EQ(rows->text(), QStringLiteral("0"));
  EXPECT_EQ(form.bar_width_twips(), 4000);

  form.SetCounter(2, 5);
  EXPECT_EQ(Label(form, "L03_Counter")->text(), QString::fromUtf8("計算中です...2/5"));
}

TEST(FormAutoTest, PicturesShadeAsDesigned) {
  const QImage background = BackgroundPicture();
  EXPECT_EQ(background.size(), QSize(315, 161));
  EXPECT_EQ(background.pixelColor(0, 160), QColor(255, 255, 255));
  EXPECT_EQ(background.pixelColor(314, 0), QColor(51, 51, 153));
  EXPECT_EQ(background.pixelColor(157, 80), QColor(153, 153, 204));  // half way

  const QImage bar = ProgressBarPicture();
  EXPECT_EQ(bar.size(), QSize(332, 15));
  EXPECT_EQ(bar.pixelColor(0, 0), QColor(254, 255, 254));  // line 3: v = 0.765
  EXPECT_EQ(bar.pixelColor(331, 14), QColor(1, 255, 1));   // line 1000: v = 255
  EXPECT_EQ(bar.pixelColor(260, 7), QColor(55, 255, 55));  // line 787: v = 200.69
}

TEST(FormAutoTest, ADoubleClickOnEitherTitleLabelEndsTheProgram) {
  for (const char* name : {"Label1_0", "Label1_1"}) {
    FormAuto form;
    form.show();
    QSignalSpy ended(&form, &FormAuto::EndRequested);
    QTest::mouseDClick(Label(form, "L01_MsgBox"), Qt::LeftButton);
    EXPECT_EQ(ended.count(), 0);
    QTest::mouseDClick(Label(form, name), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(ended.count(), 1) << name;
  }
}

TEST(FormAutoTest, DraggingAnyLabelOrTheBarMovesTheWindow) {
  for (const char* name : {"L03_Counter", "L01_MsgBox", "Picture1", "Label1_0"}) {
    FormAuto form;
    form.move(100, 100);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget* part = form.findChild<QWidget*>(QString::fromLatin1(name));
    const QPoint from = form.pos();
    QTest::mousePress(part, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::mouseMove(part, QPoint(8, 5));
    QTest::mouseMove(part, QPoint(43, 23));
    QTest::mouseRelease(part, Qt::LeftButton, Qt::NoModifier, QPoint(43, 23));
    EXPECT_EQ(form.pos() - from, QPoint(40, 20)) << name;
  }
}

}  // namespace
}  // namespace kelvax::ui
