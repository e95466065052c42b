// FormAuto: the progress window of unattended runs. It shows the task counter, the rows written,
// a progress bar and the elapsed time; it is dragged by any of its parts, and a double click on
// its title ends the program.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

class QFrame;
class QLabel;

namespace kelvax::ui {

class FormAuto : public QWidget {
  Q_OBJECT

 public:
  explicit FormAuto(QWidget* parent = nullptr);

  // The task counter (L03_Counter): "計算中です...2/5" for task 2 of 5.
  void SetCounter(int task, int count);
  // Bar and labels for one written row: with no total only the row number and the elapsed time;
  // past 99 % the full bar and the labels left as they are; else a bar of rows/total and
  // "rows/total". Does not yield to the window system.
  void ShowProgress(std::int32_t rows, std::int32_t total, double start, double now);

  // Width of the bar in twips (4000 is full).
  double bar_width_twips() const { return bar_width_twips_; }

 signals:
  // The user ended the program: a double click on the title, or the window was closed (by the
  // window manager: it has no close box). `cause` is the cut record's words for it.
  void EndRequested(const QString& cause);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetBarWidth(double twips);

  QImage background_;
  QLabel* counter_ = nullptr;    // L03_Counter
  QLabel* timer_ = nullptr;      // L02_Timer
  QLabel* rows_ = nullptr;       // L01_MsgBox
  QLabel* title_ = nullptr;      // Label1(0)
  QLabel* shadow_ = nullptr;     // Label1(1), beneath and up-left of Label1(0)
  QFrame* bar_frame_ = nullptr;  // Text1
  QWidget* bar_ = nullptr;       // Picture1
  double bar_width_twips_ = 0;

  // Dragging: a press arms it, moving past the drag distance starts it.
  bool press_armed_ = false;
  bool moving_by_hand_ = false;
  QPoint press_global_;
  QPoint window_at_press_;
};

}  // namespace kelvax::ui
