#include "ui/command_center_placeholder.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_title.h"

namespace kelvax::ui {

CommandCenterPlaceholder::CommandCenterPlaceholder(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormManual"));
  setWindowTitle(AppTitle());
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QString::fromUtf8(
      "コマンドセンターはまだありません。\n"
      "ジョブファイルを指定して起動してください: kelvax JOBFILE"), this);
  layout->addWidget(text);
  auto* close_button = new QPushButton(QString::fromUtf8("閉じる"), this);
  close_button->setObjectName(QStringLiteral("B99_END"));
  layout->addWidget(close_button, 0, Qt::AlignRight);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
}

}  // namespace kelvax::ui
