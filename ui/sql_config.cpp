#include "ui/sql_config.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <utility>

#include "settings/command_task.h"
#include "ui/app_message.h"
#include "ui/app_title.h"
#include "ui/data_source_dialog.h"
#include "ui/design_units.h"
#include "ui/file_dialogs.h"
#include "ui/frame_box.h"
#include "ui/option_group.h"

namespace kelvax::ui {

namespace {

QString Name(const char* array, int index) {
  return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(index);
}

QString PickOutputFile(QWidget* owner) {
  return ShowSaveDialog(owner, {AllFilesFilter()}, QDir::currentPath());
}

}  // namespace

SQLConfig::SQLConfig(QWidget* command_center, std::string path)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      path_(std::move(path)),
      command_center_(command_center) {
  // The command center's dialog for the window system, which keeps it above the command center,
  // minimises the two together and gives it the focus when it comes up and when its own dialogs
  // go; though not the command center's child: the dialog is not modal, and is placed where the
  // window system places a dialog.
  if (command_center) {
    winId();
    command_center->window()->winId();
    windowHandle()->setTransientParent(command_center->window()->windowHandle());
  }
  const double dpi = LogicalDpi(command_center);
  auto at = [dpi](double l, double t, double w, double h) { return TwipsRect(l, t, w, h, dpi); };
  setWindowTitle(QString::fromUtf8("初期設定"));
  setFont(DesignFont(kMinchoFace, 9, dpi));
  setFixedSize(TwipsToPixels(4815, dpi), TwipsToPixels(4095, dpi));

  // Created in tab order, so the focus chain is the designed one.
  QPushButton* open[2];
  for (int i = 0; i < 2; ++i) {
    file_name_[i] = new QLineEdit(this);
    file_name_[i]->setObjectName(Name("T01_FileName", i));
    file_name_[i]->setGeometry(at(120, 240 + 600 * i, 4215, 270));
    open[i] = new QPushButton(QStringLiteral("..."), this);
    open[i]->setObjectName(Name("B01_OpenDLOG", i));
    open[i]->setGeometry(at(4440, 240 + 600 * i, 255, 255));
    open[i]->setAutoDefault(true);  // Enter presses it while it has the focus
    connect(open[i], &QPushButton::clicked, this, [this, i] { B01_OpenDLOG_Click(i); });
  }

  auto* frame = new FrameBox(QString::fromUtf8("出力タイプ"), this);
  frame->setObjectName(QStringLiteral("Frame1"));
  frame->setGeometry(at(120, 1800, 2055, 1575));
  const char* const captions[] = {"TAB", "CSV", "クリップボード", "HTML", "エクセル"};
  for (int i = 0; i < 5; ++i) {
    option_[i] = new QRadioButton(QString::fromUtf8(captions[i]), frame);
    option_[i]->setObjectName(Name("Option1", i));
    option_[i]->setGeometry(at(120, 240 + 240 * i, 1815, 255));
    option_[i]->setFont(DesignFont(kPGothicFace, 9, dpi));
  }

  const char* const labels[] = {"デフォルトDSN", "出力先"};
  for (int i = 0; i < 2; ++i) {
    auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
    label->setObjectName(Name("Label1", i));
    label->setGeometry(at(120, 600 * i, 4095, 255));
  }

  counter_ = new QCheckBox(QString::fromUtf8("レコード総数を取得しない"), this);
  counter_->setObjectName(QStringLiteral("C02_Counter"));
  counter_->setGeometry(at(2280, 2280, 2535, 255));
  show_data_ = new QCheckBox(QString::fromUtf8("結果を表示しない"), this);
  show_data_->setObjectName(QStringLiteral("C01_ShowData"));
  show_data_->setGeometry(at(2280, 1920, 2295, 255));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("B02_OK"));
  ok->setGeometry(at(120, 3600, 1215, 375));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { B02_OK_Click(); });
  auto* end = new QPushButton(QString::fromUtf8("キャンセル"), this);
  end->setObjectName(QStringLiteral("B99_END"));
  end->setGeometry(at(3480, 3600, 1215, 375));
  end->setAutoDefault(true);  // Enter presses it while it has the focus; OK else
  connect(end, &QPushButton::clicked, this, &QDialog::reject);

  QWidget* chain[] = {
      file_name_[0], open[0],    file_name_[1], open[1],    option_[0], option_[1], option_[2],
      option_[3],    option_[4], counter_,      show_data_, ok,         end};
  for (std::size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
  TabToTheCheckedOption({option_[0], option_[1], option_[2], option_[3], option_[4]});

  // Every way of closing gives the command center back.
  connect(this, &QDialog::finished, this, [this] {
    if (command_center_) command_center_->setEnabled(true);
  });
  if (command_center_) command_center_->setEnabled(false);
  SubFormat(path_);
}

SQLConfig::~SQLConfig() {
  if (command_center_) command_center_->setEnabled(true);
}

settings::RunConfig SQLConfig::Values() const {
  settings::RunConfig config;
  config.connect = file_name_[0]->text().toStdString();
  config.output_file = file_name_[1]->text().toStdString();
  for (int i = 0; i < 5; ++i) {
    if (option_[i]->isChecked()) config.output_type = i;
  }
  config.no_show_data = show_data_->isChecked();
  config.no_counter = counter_->isChecked();
  return config;
}

void SQLConfig::SetValues(const settings::RunConfig& config) {
  file_name_[0]->setText(QString::fromStdString(config.connect));
  file_name_[1]->setText(QString::fromStdString(config.output_file));
  if (config.output_type >= 0 && config.output_type < 5)
    option_[config.output_type]->setChecked(true);
  show_data_->setChecked(config.no_show_data);
  counter_->setChecked(config.no_counter);
}

void SQLConfig::SubFormat(const std::string& path) {
  settings::RunConfig config = Values();
  settings::LoadRunConfig(path, config);
  SetValues(config);
}

Status SQLConfig::SubInitialFileSave() {
  Status status = settings::SaveRunConfig(path_, Values());
  if (!status.ok()) {
    ShowAppMessage(this, QString::fromStdString(settings::WriteFailureMessage(status)));
  }
  return status;
}

void SQLConfig::B01_OpenDLOG_Click(int index) {
  const QString chosen = index == 0 ? SelectConnection(this) : PickOutputFile(this);
  if (!chosen.isEmpty()) file_name_[index]->setText(chosen);
}

void SQLConfig::B02_OK_Click() {
  // A file that could not be written keeps the dialog open, so the values are not lost.
  if (SubInitialFileSave().ok()) accept();
}

}  // namespace kelvax::ui
