// The window tests run on Qt's offscreen platform; the program tests start their own X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/app_title.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  kelvax::ui::InstallFontSubstitutions();
  kelvax::ui::InstallQtTranslation();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
