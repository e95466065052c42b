// Choosing a data source. unixODBC has no prompt dialog of its own, so this dialog stands in
// for it: the data sources with their drivers, the installed drivers for a connect string
// without a data source, user name and password (masked), and a field for further attributes.
//
// Object names (for tests and accessibility tools): "DataSources" (tree: name, driver, kind),
// "Drivers" (combo box, first entry empty), "UserName", "Password", "Attributes", and the
// buttons "OK" and "Cancel".
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QTreeWidget;

namespace kelvax::ui {

class DataSourceDialog : public QDialog {
 public:
  explicit DataSourceDialog(QWidget* parent = nullptr);

  // The connect string the fields make: DSN=name or DRIVER={driver}, then UID, PWD and the
  // further attributes, joined by ';'. Without a data source or driver, the attributes alone.
  QString ConnectString() const;

 private:
  QTreeWidget* sources_;
  QComboBox* drivers_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* attributes_;
};

// Lets the user pick or complete a data source, then connects read-only without prompting to
// check it and returns the driver's completed connect string. Any failure, cancelling
// included, shows the program's message box with the error's text and returns "".
QString SelectConnection(QWidget* parent);

}  // namespace kelvax::ui
