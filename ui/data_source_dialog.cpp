#include "ui/data_source_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/odbc/data_sources.h"
#include "ui/app_message.h"
#include "ui/app_title.h"
#include "ui/design_units.h"

namespace kelvax::ui {

namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DataSourceDialog::DataSourceDialog(QWidget* parent) : QDialog(parent) {
  const double dpi = LogicalDpi(parent);
  setWindowTitle(QString::fromUtf8("データソースの選択"));
  setFont(DesignFont(kMinchoFace, 9, dpi));
  setModal(true);

  sources_ = new QTreeWidget(this);
  sources_->setObjectName(QStringLiteral("DataSources"));
  sources_->setHeaderLabels({QString::fromUtf8("データソース名"), QString::fromUtf8("ドライバ"),
                             QString::fromUtf8("種類")});
  sources_->setRootIsDecorated(false);
  sources_->setSelectionMode(QAbstractItemView::SingleSelection);
  std::vector<odbc::DataSource> sources;
  // A driver manager that cannot list leaves the list empty; a typed string still works.
  if (odbc::ListDataSources(sources).ok()) {
    for (const odbc::DataSource& s : sources) {
      new QTreeWidgetItem(sources_, {Utf8(s.name), Utf8(s.driver),
                                     QString::fromUtf8(s.system ? "システム" : "ユーザー")});
    }
  }
  // Each column as wide as its widest text, header included, and a margin: the header's own
  // measure leaves a Japanese caption ("ドライバ") clipped.
  const QFontMetrics metrics(sources_->font());
  for (int column = 0; column < 2; ++column) {
    const int caption = metrics.horizontalAdvance(sources_->headerItem()->text(column));
    const QAbstractItemView* view = sources_;
    sources_->setColumnWidth(column,
                             std::max(view->sizeHintForColumn(column), caption) + metrics.height());
  }

  drivers_ = new QComboBox(this);
  drivers_->setObjectName(QStringLiteral("Drivers"));
  drivers_->addItem(QString());
  std::vector<std::string> drivers;
  if (odbc::ListDrivers(drivers).ok()) {
    for (const std::string& d : drivers) drivers_->addItem(Utf8(d));
  }

  user_ = new QLineEdit(this);
  user_->setObjectName(QStringLiteral("UserName"));
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("Password"));
  password_->setEchoMode(QLineEdit::Password);
  attributes_ = new QLineEdit(this);
  attributes_->setObjectName(QStringLiteral("Attributes"));
  attributes_->setPlaceholderText(QStringLiteral("Database=/path/file.db;Port=5432"));

  // A data source and a driver exclude each other: picking one clears the other.
  connect(sources_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!sources_->selectedItems().isEmpty()) drivers_->setCurrentIndex(0);
  });
  connect(drivers_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index > 0) sources_->clearSelection();
  });

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  QPushButton* cancel =
      buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  auto label = [this](const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text), this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label("データソース(&S)", sources_), 0, 0, 1, 2);
  grid->addWidget(sources_, 1, 0, 1, 2);
  grid->addWidget(label("データソースを使わないドライバ(&D)", drivers_), 2, 0);
  grid->addWidget(drivers_, 2, 1);
  grid->addWidget(label("ユーザー名(&U)", user_), 3, 0);
  grid->addWidget(user_, 3, 1);
  grid->addWidget(label("パスワード(&P)", password_), 4, 0);
  grid->addWidget(password_, 4, 1);
  grid->addWidget(label("その他の属性(&A)", attributes_), 5, 0);
  grid->addWidget(attributes_, 5, 1);
  grid->addWidget(buttons, 6, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  resize(TwipsToPixels(7200, dpi), TwipsToPixels(5400, dpi));
}

QString DataSourceDialog::ConnectString() const {
  QStringList parts;
  const QList<QTreeWidgetItem*> selected = sources_->selectedItems();
  if (!selected.isEmpty()) {
    parts << Utf8(odbc::ConnectAttribute("DSN", selected.front()->text(0).toStdString()));
  } else if (drivers_->currentIndex() > 0) {
    // Driver names hold spaces and parentheses: always braced.
    parts << QStringLiteral("DRIVER={%1}").arg(drivers_->currentText());
  }
  if (!user_->text().isEmpty())
    parts << Utf8(odbc::ConnectAttribute("UID", user_->text().toStdString()));
  if (!password_->text().isEmpty())
    parts << Utf8(odbc::ConnectAttribute("PWD", password_->text().toStdString()));
  QString extra = attributes_->text().trimmed();
  while (extra.startsWith(u';')) extra.remove(0, 1);
  if (!extra.isEmpty()) parts << extra;
  return parts.join(u';');
}

QString SelectConnection(QWidget* parent) {
  DataSourceDialog dialog(parent);
  Status status = Status::Error(StatusCode::kUnexpected, "データソースの選択が取り消されました。");
  std::string completed;
  if (dialog.exec() == QDialog::Accepted) {
    status = odbc::TestConnect(dialog.ConnectString().toStdString(), completed);
  }
  if (!status.ok()) {
    ShowAppMessage(parent, Utf8(status.description()));
    return QString();
  }
  return Utf8(completed);
}

}  // namespace kelvax::ui
