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

// Geometry was designed in twips; the windows use pixels at 96 dots per inch.
constexpr int TwipsToPixels(double twips) {
  return static_cast<int>(twips / 15.0 + (twips >= 0 ? 0.5 : -0.5));
}

}  // namespace kelvax::ui
