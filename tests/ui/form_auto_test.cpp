// The progress window: its fonts, and the mouse on its labels.
#include "ui/form_auto.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/support/widgets.h"

namespace kelvax::ui {
namespace {

QLabel* Label(FormAuto& form, const char* name) { return test::Find<QLabel>(form, name); }

TEST(FormAutoTest, DesignFontsMapToTheIpaFonts) {
  if (!QFontDatabase::families().contains(QStringLiteral("IPAMincho")))
    GTEST_SKIP() << "fonts-ipafont is not installed";
  FormAuto form;
  EXPECT_EQ(QFontInfo(Label(form, "L01_MsgBox")->font()).family(), QStringLiteral("IPAMincho"));
  EXPECT_EQ(QFontInfo(test::Find(form, "Text1")->font()).family(), QStringLiteral("IPAPGothic"));
}

// The title is drawn over its shadow, in another colour; a double click on either ends the
// program, one elsewhere does not.
TEST(FormAutoTest, ADoubleClickOnEitherTitleLabelEndsTheProgram) {
  for (const char* name : {"Label1_0", "Label1_1"}) {
    FormAuto form;
    const QObjectList& children = form.children();
    EXPECT_LT(children.indexOf(Label(form, "Label1_1")), children.indexOf(Label(form, "Label1_0")));
    EXPECT_NE(Label(form, "Label1_0")->palette().color(QPalette::WindowText),
              Label(form, "Label1_1")->palette().color(QPalette::WindowText));
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
    QWidget* part = test::Find(form, name);
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
