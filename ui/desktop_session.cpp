#include "ui/desktop_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QWindow>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fs/folders.h"
#include "platform/odbc/utf8_ctype.h"
#include "ui/app_title.h"
#include "ui/display_probe.h"
#include "ui/form_auto.h"
#include "ui/form_manual.h"
#include "ui/qt_run_host.h"

namespace kelvax::ui {

namespace {

// Without XDG_RUNTIME_DIR (a cron job given a DISPLAY) Qt falls back to a folder of its own and
// warns on every start, which cron mails each time. A private folder of the same kind is made
// here, owned by this user with mode 0700, so Qt has nothing to say.
void EnsureRuntimeFolder() {
  const char* given = std::getenv("XDG_RUNTIME_DIR");
  if (given && *given) return;
  const std::string folder = kelvax::TempFolder() + "kelvax-runtime-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return;
  if ((st.st_mode & 07777) != 0700 && chmod(folder.c_str(), 0700) != 0) return;
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

}  // namespace

DesktopSession::DesktopSession(const std::string& qt_platform) {
  const char* before = std::getenv("QT_QPA_PLATFORM");
  const std::string saved = before ? before : "";
  setenv("QT_QPA_PLATFORM", qt_platform.c_str(), 1);
  // Our windows are small: shared-memory images would make every repaint during a run wait for
  // the X server, plain ones cost less.
  const bool shm_chosen = std::getenv("QT_XCB_NO_MITSHM") != nullptr;
  if (!shm_chosen) setenv("QT_XCB_NO_MITSHM", "1", 1);
  EnsureRuntimeFolder();
  // The job path never reaches Qt's own option parsing.
  app_ = std::make_unique<QApplication>(argc_, argv_);
  // Qt set the locale from the environment as it started; the drivers' text needs UTF-8 again.
  odbc::UseUtf8Ctype();
  ReleaseDisplayProbe();
  // Programs we start (the desktop's file opener) choose for themselves.
  if (before)
    setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  else
    unsetenv("QT_QPA_PLATFORM");
  if (!shm_chosen) unsetenv("QT_XCB_NO_MITSHM");
  QApplication::setApplicationName(QStringLiteral("kelvax"));
  InstallFontSubstitutions();
  InstallQtTranslation();
  form_ = std::make_unique<FormAuto>();
  host_ = std::make_unique<QtRunHost>(*form_);
}

DesktopSession::~DesktopSession() {
  host_.reset();
  form_.reset();
  app_.reset();
}

RunHost& DesktopSession::host() { return *host_; }

int DesktopSession::RunCommandCenter(const JobRun& run_job) {
  FormManual center([&](const std::string& job) { return run_job(job, *host_); });
  host_->SetCommandCenter(&center);
  // Closing either window ends the program, a run in progress included.
  const auto end = [this](const QString& cause) {
    host_->EndRequested(cause.toStdString());
    // Not quit(), which first asks every window to close: the command center, disabled during a
    // run, would refuse.
    QCoreApplication::exit(0);
  };
  QObject::connect(&center, &FormManual::Closed,
                   [end] { end(QString::fromUtf8("コマンドセンターを閉じて終了しました")); });
  QObject::connect(form_.get(), &FormAuto::EndRequested, end);
  // The progress window of the command center's runs is its dialog for the window system, which
  // keeps it above the command center (only a dialog's owner is told to the window system).
  form_->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  center.winId();
  form_->winId();
  form_->windowHandle()->setTransientParent(center.windowHandle());
  center.ShowCentred();
  const int status = QApplication::exec();
  host_->SetCommandCenter(nullptr);
  form_->windowHandle()->setTransientParent(nullptr);
  return status;
}

}  // namespace kelvax::ui
