// FormManual, "コマンドセンター": one task typed by hand (connect string, statement, output mode
// and file, two switches), run through the job runner as a one-task job file, saved to and
// loaded from job files. The fields move to and from settings::CommandTask; the files are the
// settings layer's business.
//
// Control names (for tests and accessibility tools) are the design names; a member of a control
// array is "<array>_<index>", as elsewhere in the program: O02_SetItem_0 .. O02_SetItem_4 (4 is
// the hidden EXCEL option), and the menu entries M01_File_0, M01_File_1, M01_File_2,
// M01_File_99, M02_File_0 .. M02_File_6, M03_File_0 .. M03_File_2, M04_File_0 in the menus
// M01_menu, M02_Menu, M03_Menu, M04_Menu.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>

#include "settings/command_task.h"
#include "ui/center_layout.h"
#include "ui/module/desktop_module.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kelvax::ui {

class FormManual : public QMainWindow {
  Q_OBJECT

 public:
  // Runs a job file to its end through the program's engine and host (which disable this
  // window meanwhile); a failure it reports is shown in a message box.
  using JobRunner = std::function<JobOutcome(const std::string& job_path)>;

  struct Files {
    std::string job;         // written and run by "実行"
    std::string run_config;  // the defaults read at load
    std::string desktop;     // the folder of the default output file
  };
  static Files DefaultFiles();  // kelvax.ini and RunConfig.ini beside the executable

  explicit FormManual(JobRunner run_job, Files files = DefaultFiles(), QWidget* parent = nullptr);

  // The fields as a task, and back.
  settings::CommandTask Task() const;
  void SetTask(const settings::CommandTask& task);

  // Centred on the screen, focus in the connect string with its text selected.
  void ShowCentred();

  // The message box after a run that failed: the record's first two lines (its headline and
  // the error) and where the run log is.
  static QString RunFailureMessage(const JobOutcome& outcome);

  void B01_Kelvax_Click();
  void M01_File_Click(int index);
  void M02_File_Click(int index);
  void M03_File_Click(int index);
  void M04_File_Click(int index);

 signals:
  // The window was closed: the program ends.
  void Closed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // A disabled window (a run or the settings dialog is under way) is not closed: its close box
  // does nothing.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Activated while the settings dialog has it disabled (a click on it): the dialog is activated
  // instead.
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  void Form_Resize();
  void Centre();
  // A window manager adds its frame a moment after the window is shown, which changes the outer
  // size without resizing the window: the layout and the centring are done again then.
  void FollowTheFrame(int tries_left);
  void SubFormat(const std::string& path);
  bool SubSetIniFile(const std::string& path);

  JobRunner run_job_;
  Files files_;
  double dpi_ = 96;
  CenterGeometry geometry_;
  QSize laid_out_for_;  // the outer size of the last layout, in pixels

  QGroupBox* connect_frame_;    // F01_OdbcCon
  QLineEdit* connect_;          // T02_SetConnect
  QPlainTextEdit* sql_;         // T01_SetSQL
  QGroupBox* output_frame_;     // F02_OutPut
  QRadioButton* option_[5];     // O02_SetItem
  QCheckBox* show_data_;        // C01_ShowData
  QCheckBox* counter_;          // C02_Counter
  QGroupBox* file_frame_;       // F03_OutFile
  QLineEdit* file_;             // T02_FileOut
  QPushButton* run_;            // B01_Kelvax
  QPushButton* end_;            // B99_END
  QPointer<QWidget> settings_;  // the settings dialog while it is open
};

}  // namespace kelvax::ui
