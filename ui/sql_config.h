// SQLConfig, "初期設定": edits RunConfig.ini, the command center's defaults. Every opening loads
// the file afresh; OK writes it and closes, キャンセル and the close box close without writing.
// While the dialog is open the command center given to it is disabled; the dialog stays above
// it (transient for it) and takes the focus when shown.
//
// Control names: a member of a control array is named "<array>_<index>" (as Label1_0 of the
// progress window): T01_FileName_0, T01_FileName_1, B01_OpenDLOG_0, B01_OpenDLOG_1,
// Option1_0 .. Option1_4, Label1_0, Label1_1; single controls keep their own name (Frame1,
// C01_ShowData, C02_Counter, B02_OK, B99_END).
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "platform/status.h"
#include "settings/run_config.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kelvax::ui {

class SQLConfig : public QDialog {
 public:
  // Loads `path` (the settings file beside the executable unless a test says otherwise), and
  // OK writes back to the same path. `command_center` may be null.
  explicit SQLConfig(QWidget* command_center, std::string path = settings::RunConfigPath());
  ~SQLConfig() override;

  // The controls as a settings record, and back (an unknown output type leaves the buttons).
  settings::RunConfig Values() const;
  void SetValues(const settings::RunConfig& config);

  // Loads a settings file into the controls.
  void SubFormat(const std::string& path);
  // Writes the controls to the settings file. A failure has been shown to the user already.
  Status SubInitialFileSave();

 private:
  void B01_OpenDLOG_Click(int index);
  void B02_OK_Click();

  std::string path_;
  QPointer<QWidget> command_center_;
  QLineEdit* file_name_[2];
  QRadioButton* option_[5];
  QCheckBox* show_data_;
  QCheckBox* counter_;
};

}  // namespace kelvax::ui
