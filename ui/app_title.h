// The program's names on screen, and the fonts its windows were designed with.
#pragma once

#include <QString>

namespace kelvax::ui {

// "Kelvax Ver3": the title of every window and message box.
QString AppTitle();
// "Kelvax Ver.3": the caption of the progress window's title labels.
QString TitleCaption();

// Design-time font faces; InstallFontSubstitutions maps them to fonts a Linux desktop has.
extern const char* const kMinchoFace;   // ＭＳ 明朝
extern const char* const kPGothicFace;  // ＭＳ Ｐゴシック
extern const char* const kGothicFace;   // ＭＳ ゴシック

// Maps the design-time faces to IPA Mincho / IPA P Gothic / IPA Gothic (fonts-ipafont). Call
// once after the application object exists.
void InstallFontSubstitutions();

// Loads Qt's own Japanese texts (the file dialogs, the standard buttons) from Qt's translations
// folder (qt6-translations-l10n), whatever the user's locale: the program speaks Japanese.
// Returns false when they are not installed; Qt then speaks English. Call once after the
// application object exists.
bool InstallQtTranslation();

// Geometry was designed in twips; the windows use pixels at 96 dots per inch.
constexpr int TwipsToPixels(double twips) {
  return static_cast<int>(twips / 15.0 + (twips >= 0 ? 0.5 : -0.5));
}

}  // namespace kelvax::ui
