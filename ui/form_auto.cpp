#include "ui/form_auto.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <string>

#include "engine/runner.h"
#include "ui/app_title.h"
#include "ui/form_pictures.h"

namespace kelvax::ui {

namespace {

constexpr double kBarLeft = 100, kBarFullWidth = 4000;

QRect TwipsRect(double left, double top, double width, double height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

// Point sizes at 96 dots per inch, fixed in pixels so that text fits the twips layout on any
// screen.
QFont DesignFont(const char* face, double points, bool bold) {
  QFont font(QString::fromUtf8(face));
  font.setPixelSize(static_cast<int>(points * 96 / 72 + 0.5));
  font.setBold(bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry,
                  QFont font, QColor colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setFont(font);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  return label;
}

// Picture1: the bar picture, clipped by the widget's width.
class BarPicture : public QWidget {
 public:
  explicit BarPicture(QWidget* parent) : QWidget(parent), picture_(ProgressBarPicture()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
  }

 private:
  QImage picture_;
};

}  // namespace

FormAuto::FormAuto(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), background_(BackgroundPicture()) {
  setObjectName(QStringLiteral("FormAuto"));
  setWindowTitle(AppTitle());
  setFont(DesignFont(kMinchoFace, 9, false));
  setFixedSize(TwipsToPixels(4300), TwipsToPixels(1580));

  // Created beneath to above: the shadow under the title, the frame under the bar.
  bar_frame_ = new QFrame(this);
  bar_frame_->setObjectName(QStringLiteral("Text1"));
  bar_frame_->setFont(DesignFont(kPGothicFace, 8.25, false));
  bar_frame_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar_frame_->setAutoFillBackground(true);
  QPalette white = bar_frame_->palette();
  white.setColor(QPalette::Window, Qt::white);
  bar_frame_->setPalette(white);
  bar_frame_->setGeometry(TwipsRect(80, 680, 4050, 280));

  bar_ = new BarPicture(this);
  bar_->setObjectName(QStringLiteral("Picture1"));
  SetBarWidth(kBarFullWidth);

  // Dark text where the background is pale, white where it is deep blue.
  const QColor light(255, 255, 255), dark(0, 0, 64);
  counter_ = MakeLabel(this, "L03_Counter", QString::fromUtf8("計算中です..."),
                       TwipsRect(240, 240, 2535, 255), DesignFont(kMinchoFace, 12, false), dark);
  timer_ = MakeLabel(this, "L02_Timer", QString(), TwipsRect(2880, 240, 1215, 255),
                     DesignFont(kMinchoFace, 12, true), light);
  rows_ = MakeLabel(this, "L01_MsgBox", QString(), TwipsRect(120, 1080, 2295, 375),
                    DesignFont(kMinchoFace, 12, true), dark);
  shadow_ = MakeLabel(this, "Label1_1", TitleCaption(), TwipsRect(2760 - 10, 1200 - 10, 1455, 255),
                      DesignFont(kMinchoFace, 9, true), dark);
  title_ = MakeLabel(this, "Label1_0", TitleCaption(), TwipsRect(2760, 1200, 1455, 255),
                     DesignFont(kMinchoFace, 9, true), light);
  shadow_->installEventFilter(this);
  title_->installEventFilter(this);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void FormAuto::SetCounter(int task, int count) {
  counter_->setText(QString::fromUtf8("計算中です...%1/%2").arg(task).arg(count));
}

void FormAuto::ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) {
  if (total < 1) {
    rows_->setText(QString::number(rows));
    timer_->setText(QString::fromStdString(FormatElapsed(start, now)));
    return;
  }
  const double part = double(rows) / double(total);
  if (part * 100 > 99) {
    SetBarWidth(kBarFullWidth);
    return;
  }
  SetBarWidth(part * kBarFullWidth);
  rows_->setText(QString::number(rows) + QLatin1Char('/') + QString::number(total));
  timer_->setText(QString::fromStdString(FormatElapsed(start, now)));
}

void FormAuto::SetBarWidth(double twips) {
  if (twips == bar_width_twips_) return;
  bar_width_twips_ = twips;
  bar_->setGeometry(TwipsRect(kBarLeft, 700, twips, 230));
}

void FormAuto::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.drawImage(0, 0, background_);
}

void FormAuto::mousePressEvent(QMouseEvent* event) {
  // The frame around the bar is a text box: it takes its own clicks.
  if (event->button() != Qt::LeftButton || childAt(event->position().toPoint()) == bar_frame_) {
    return;
  }
  press_armed_ = true;
  moving_by_hand_ = false;
  press_global_ = event->globalPosition().toPoint();
  window_at_press_ = pos();
}

void FormAuto::mouseMoveEvent(QMouseEvent* event) {
  if (!press_armed_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint global = event->globalPosition().toPoint();
  if (!moving_by_hand_) {
    if ((global - press_global_).manhattanLength() < QApplication::startDragDistance()) return;
    // As if the caption had been hit: the window manager moves the window.
    if (windowHandle() && windowHandle()->startSystemMove()) {
      press_armed_ = false;
      return;
    }
    moving_by_hand_ = true;  // no window manager that moves windows for us
  }
  move(window_at_press_ + (global - press_global_));
}

void FormAuto::mouseReleaseEvent(QMouseEvent*) {
  press_armed_ = false;
  moving_by_hand_ = false;
}

void FormAuto::closeEvent(QCloseEvent* event) {
  event->accept();
  emit EndRequested(QString::fromUtf8("進行状況ウィンドウを閉じて終了しました"));
}

bool FormAuto::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == title_ || watched == shadow_) && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    press_armed_ = false;
    emit EndRequested(QString::fromUtf8("進行状況ウィンドウから終了しました"));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelvax::ui
