#include "ui/app_title.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

namespace kelvax::ui {

const char* const kMinchoFace = "ＭＳ 明朝";
const char* const kPGothicFace = "ＭＳ Ｐゴシック";
const char* const kGothicFace = "ＭＳ ゴシック";

QString AppTitle() { return QStringLiteral("Kelvax Ver") + QString::number(KELVAX_VERSION_MAJOR); }

QString TitleCaption() {
  return QStringLiteral("Kelvax Ver.") + QString::number(KELVAX_VERSION_MAJOR);
}

void InstallFontSubstitutions() {
  QFont::insertSubstitutions(QString::fromUtf8(kMinchoFace),
                             {QStringLiteral("IPAMincho"), QString::fromUtf8("IPA明朝"),
                              QStringLiteral("Noto Serif CJK JP")});
  QFont::insertSubstitutions(QString::fromUtf8(kPGothicFace),
                             {QStringLiteral("IPAPGothic"), QString::fromUtf8("IPA Pゴシック"),
                              QStringLiteral("Noto Sans CJK JP")});
  QFont::insertSubstitutions(QString::fromUtf8(kGothicFace),
                             {QStringLiteral("IPAGothic"), QString::fromUtf8("IPAゴシック"),
                              QStringLiteral("Noto Sans Mono CJK JP")});
}

bool InstallQtTranslation() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace kelvax::ui
