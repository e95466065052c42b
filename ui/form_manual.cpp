#include "ui/form_manual.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <cmath>

#include "platform/fs/folders.h"
#include "settings/run_config.h"
#include "ui/app_message.h"
#include "ui/app_title.h"
#include "ui/data_source_dialog.h"
#include "ui/design_units.h"
#include "ui/file_dialogs.h"
#include "ui/frame_box.h"
#include "ui/option_group.h"
#include "ui/sql_config.h"

namespace kelvax::ui {

namespace {

template <typename W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QString Indexed(const char* array, int index) {
  return QString::fromLatin1(array) + QLatin1Char('_') + QString::number(index);
}

}  // namespace

FormManual::Files FormManual::DefaultFiles() {
  return {settings::CommandJobPath(), settings::RunConfigPath(), DesktopFolder()};
}

FormManual::FormManual(JobRunner run_job, Files files, QWidget* parent)
    : QMainWindow(parent), run_job_(std::move(run_job)), files_(std::move(files)) {
  setObjectName(QStringLiteral("FormManual"));
  setWindowTitle(QString::fromUtf8("コマンドセンター"));
  dpi_ = LogicalDpi(this);
  const QFont mincho = DesignFont(kMinchoFace, 9, dpi_);
  const QFont gothic = DesignFont(kGothicFace, 9, dpi_);
  setFont(mincho);
  auto rect = [this](double l, double t, double w, double h) {
    return TwipsRect(l, t, w, h, dpi_);
  };

  auto* client = new QWidget(this);
  setCentralWidget(client);

  connect_frame_ = Named(new FrameBox(QString::fromUtf8("接続先"), client), "F01_OdbcCon");
  connect_frame_->setGeometry(rect(120, 0, 6855, 615));
  connect_ = Named(new QLineEdit(connect_frame_), "T02_SetConnect");
  connect_->setFont(gothic);
  connect_->setGeometry(rect(120, 240, 6615, 270));

  sql_ = Named(new QPlainTextEdit(client), "T01_SetSQL");
  sql_->setGeometry(rect(120, 720, 6855, 2415));
  sql_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  sql_->setTabChangesFocus(true);

  output_frame_ = Named(new FrameBox(QString::fromUtf8("出力モード"), client), "F02_OutPut");
  output_frame_->setGeometry(rect(120, 3240, 3015, 975));
  const char* captions[5] = {"ＴＡＢ", "ＣＳＶ", "Ｃｌｉｐ", "ＨＴＭＬ", ""};
  const double places[5][4] = {{120, 240, 975, 255},
                               {120, 600, 975, 255},
                               {1560, 240, 1215, 255},
                               {1560, 600, 1095, 255},
                               {2640, 600, 255, 255}};
  for (int i = 0; i < 5; ++i) {
    option_[i] = Named(new QRadioButton(QString::fromUtf8(captions[i]), output_frame_),
                       Indexed("O02_SetItem", i));
    option_[i]->setFont(gothic);
    option_[i]->setGeometry(rect(places[i][0], places[i][1], places[i][2], places[i][3]));
  }
  option_[settings::kOptionExcel]->hide();  // chosen only by a loaded "EXCEL"

  show_data_ = Named(new QCheckBox(QString::fromUtf8("結果を表示しない"), client), "C01_ShowData");
  show_data_->setGeometry(rect(3240, 3360, 3735, 255));
  counter_ =
      Named(new QCheckBox(QString::fromUtf8("レコード総数を取得しない"), client), "C02_Counter");
  counter_->setGeometry(rect(3240, 3720, 3735, 255));

  file_frame_ = Named(new FrameBox(QString::fromUtf8("出力先"), client), "F03_OutFile");
  file_frame_->setGeometry(rect(120, 4320, 6855, 615));
  file_ = Named(new QLineEdit(file_frame_), "T02_FileOut");
  file_->setFont(gothic);
  file_->setGeometry(rect(120, 240, 6615, 270));

  run_ = Named(new QPushButton(QString::fromUtf8("実行"), client), "B01_Kelvax");
  run_->setGeometry(rect(120, 5040, 1215, 375));
  end_ = Named(new QPushButton(QString::fromUtf8("閉じる"), client), "B99_END");
  end_->setGeometry(rect(5760, 5040, 1215, 375));
  // Neither is the window's default button (Enter in a field presses nothing), but Enter, as
  // Space, presses the one that has the focus.
  for (QPushButton* b : {run_, end_}) b->setAutoDefault(true);
  connect(run_, &QPushButton::clicked, this, &FormManual::B01_Kelvax_Click);
  connect(end_, &QPushButton::clicked, this, &QWidget::close);

  QWidget* order[] = {connect_,   sql_,       option_[0], option_[1], option_[2], option_[3],
                      option_[4], show_data_, counter_,   file_,      run_,       end_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  TabToTheCheckedOption({option_[0], option_[1], option_[2], option_[3], option_[4]});
  connect_->installEventFilter(this);
  file_->installEventFilter(this);

  BuildMenus();
  menuBar()->setFont(mincho);
  // F10 opens the menu bar (Alt does too).
  connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
          [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
  resize(TwipsToPixels(7095, dpi_), TwipsToPixels(5475, dpi_) + menuBar()->sizeHint().height());

  SubFormat(files_.run_config);
}

void FormManual::BuildMenus() {
  struct Entry {
    int index;
    const char* caption;
  };  // no caption: a separator
  auto add = [this](const char* menu_name, const char* entry_array, const char* title,
                    std::initializer_list<Entry> entries, void (FormManual::*handler)(int)) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
    menu->setObjectName(QString::fromLatin1(menu_name));
    for (const Entry& e : entries) {
      QAction* action =
          e.caption ? menu->addAction(QString::fromUtf8(e.caption)) : menu->addSeparator();
      action->setObjectName(Indexed(entry_array, e.index));
      if (e.caption) {
        connect(action, &QAction::triggered, this,
                [this, handler, i = e.index] { (this->*handler)(i); });
      }
    }
  };
  add("M01_menu", "M01_File", "メニュー", {{0, "開く"}, {1, "保存"}, {2, nullptr}, {99, "終了"}},
      &FormManual::M01_File_Click);
  add("M02_Menu", "M02_File", "編集",
      {{0, "元に戻す"},
       {1, nullptr},
       {2, "切り取り"},
       {3, "コピー"},
       {4, "貼り付け"},
       {5, "全て選択"},
       {6, "消去"}},
      &FormManual::M02_File_Click);
  add("M03_Menu", "M03_File", "オプション", {{0, "拡張機能"}, {1, nullptr}, {2, "環境設定"}},
      &FormManual::M03_File_Click);
  add("M04_Menu", "M04_File", "ヘルプ", {{0, "バージョン"}}, &FormManual::M04_File_Click);
}

settings::CommandTask FormManual::Task() const {
  settings::CommandTask task;
  task.connect = connect_->text().toStdString();
  task.sql = sql_->toPlainText().toStdString();
  task.output_file = file_->text().toStdString();
  task.output_option = settings::kOptionNone;
  for (int i = 0; i < 5; ++i) {
    if (option_[i]->isChecked()) task.output_option = i;
  }
  task.no_show_data = show_data_->isChecked();
  task.no_counter = counter_->isChecked();
  return task;
}

void FormManual::SetTask(const settings::CommandTask& task) {
  connect_->setText(QString::fromStdString(task.connect));
  sql_->setPlainText(QString::fromStdString(task.sql));
  file_->setText(QString::fromStdString(task.output_file));
  if (task.output_option >= 0 && task.output_option < 5)
    option_[task.output_option]->setChecked(true);
  show_data_->setChecked(task.no_show_data);
  counter_->setChecked(task.no_counter);
}

void FormManual::SubFormat(const std::string& path) {
  SetTask(settings::LoadCommandTask(path, files_.desktop));
}

bool FormManual::SubSetIniFile(const std::string& path) {
  const Status written = settings::SaveCommandTask(path, Task());
  if (!written.ok()) {
    ShowAppMessage(this, QString::fromStdString(settings::WriteFailureMessage(written)));
  }
  return written.ok();
}

void FormManual::ShowCentred() {
  show();
  Centre();
  FollowTheFrame(20);
  activateWindow();
  connect_->setFocus();
  connect_->selectAll();
}

void FormManual::Centre() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(pos() + screen->availableGeometry().center() - frameGeometry().center());
  }
}

void FormManual::FollowTheFrame(int tries_left) {
  if (frameGeometry().size() != size()) {
    if (frameGeometry().size() != laid_out_for_) Form_Resize();
    Centre();
  } else if (tries_left > 0) {
    QTimer::singleShot(50, this, [this, tries_left] { FollowTheFrame(tries_left - 1); });
  }
}

void FormManual::B01_Kelvax_Click() {
  // A job that could not be written must not run: the file would hold the previous task.
  if (!SubSetIniFile(files_.job)) return;
  // The run disables the window, which takes the focus away; it comes back where it was.
  const QPointer<QWidget> focused = QApplication::focusWidget();
  const JobOutcome outcome = run_job_(files_.job);
  if (focused) focused->setFocus();
  if (!outcome.failure.empty()) ShowAppMessage(this, RunFailureMessage(outcome));
}

QString FormManual::RunFailureMessage(const JobOutcome& outcome) {
  QStringList lines = QString::fromStdString(outcome.failure).split(QStringLiteral("\r\n"));
  while (lines.size() > 2) lines.removeLast();
  return QString::fromUtf8("実行中にエラーが発生しました。最初のエラー:\n") + lines.join(u'\n') +
         QString::fromUtf8("\n\n実行ログ: ") + QString::fromStdString(outcome.log_path);
}

void FormManual::M01_File_Click(int index) {
  if (index == 0) {
    const QString path = ShowOpenDialog(this, {SqlFileFilter()}, QDir::currentPath());
    if (!path.isEmpty()) SubFormat(path.toStdString());
  } else if (index == 1) {
    const QString path = ShowSaveDialog(this, {SqlFileFilter()}, QDir::currentPath());
    if (!path.isEmpty()) SubSetIniFile(path.toStdString());
  } else if (index == 99) {
    close();
  }
}

void FormManual::M02_File_Click(int index) {
  switch (index) {
    case 0:
      sql_->undo();
      break;
    case 2:
      sql_->cut();
      break;
    case 3:
      sql_->copy();
      break;
    case 4:
      sql_->paste();
      break;
    case 5:
      sql_->setFocus();
      sql_->selectAll();
      break;
    case 6:
      sql_->clear();
      break;
    default:
      break;
  }
}

void FormManual::M03_File_Click(int index) {
  if (index == 0) ShowAppMessage(this, QString::fromUtf8("失礼。\nまだできていないです"));
  if (index == 2) {
    // Not modal; it disables this window while it is open, and stays above it.
    auto* dialog = new SQLConfig(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    settings_ = dialog;
    dialog->show();
  }
}

void FormManual::M04_File_Click(int index) {
  if (index == 0) ShowAppMessage(this, QStringLiteral("Kelvax" KELVAX_VERSION));
}

void FormManual::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Form_Resize();
}

void FormManual::Form_Resize() {
  laid_out_for_ = frameGeometry().size();
  const QSize frame = frameGeometry().size() - geometry().size();
  const double twips_per_pixel = 1440 / dpi_;
  FormResize(frameGeometry().width() * twips_per_pixel, frameGeometry().height() * twips_per_pixel,
             geometry_);
  const CenterGeometry& g = geometry_;
  auto px = [this](double twips) { return TwipsToPixels(twips, dpi_); };
  // The minimum, rounded up so that the next pass does not find the window a pixel short.
  auto at_least = [this](double twips) { return static_cast<int>(std::ceil(twips * dpi_ / 1440)); };
  // The minimum as a hint to the window manager, which then never makes the window smaller
  // (a slow drag may end without a further size change to correct it).
  setMinimumSize(at_least(kCenterMinWidth) - frame.width(),
                 at_least(kCenterMinHeight) - frame.height());
  if (g.window_width > 0 || g.window_height > 0) {
    resize(g.window_width > 0 ? at_least(g.window_width) - frame.width() : width(),
           g.window_height > 0 ? at_least(g.window_height) - frame.height() : height());
  }
  sql_->setGeometry(sql_->x(), sql_->y(), px(g.sql_width), px(g.sql_height));
  connect_frame_->resize(px(g.connect_frame_width), connect_frame_->height());
  connect_->resize(px(g.connect_width), connect_->height());
  file_frame_->setGeometry(file_frame_->x(), px(g.file_frame_top), px(g.file_frame_width),
                           file_frame_->height());
  file_->resize(px(g.file_width), file_->height());
  end_->move(px(g.end_left), px(g.buttons_top));
  output_frame_->move(output_frame_->x(), px(g.output_top));
  show_data_->move(show_data_->x(), px(g.show_data_top));
  counter_->move(counter_->x(), px(g.counter_top));
  run_->move(run_->x(), px(g.buttons_top));
}

void FormManual::closeEvent(QCloseEvent* event) {
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

void FormManual::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !isEnabled() && settings_ &&
      settings_->isVisible()) {
    QTimer::singleShot(0, settings_.data(), [dialog = settings_] {
      if (dialog) dialog->activateWindow();
    });
  }
}

bool FormManual::eventFilter(QObject* watched, QEvent* event) {
  if (watched == connect_ && event->type() == QEvent::FocusIn) {
    connect_->selectAll();
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == connect_) {
      const QString chosen = SelectConnection(this);
      if (!chosen.isEmpty()) connect_->setText(chosen);
      return true;
    }
    if (watched == file_) {
      const QString chosen = ShowSaveDialog(this, {AllFilesFilter()}, QDir::currentPath());
      if (!chosen.isEmpty()) file_->setText(chosen);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kelvax::ui
