// The clipboard's HTML form of a TAB text, so that a paste into a spreadsheet lands in cells.
#pragma once

#include <string>
#include <string_view>

namespace kelvax::ui {

// One table row per line (CR LF ends a line), one cell per TAB-separated field. A field that
// starts with a double quote is quoted: it runs to the next lone double quote, "" stands for one,
// and TABs and line breaks inside it belong to the value. Cell texts are HTML-escaped and line
// breaks inside a value become <br>.
std::string TabTextToHtml(std::string_view text);

}  // namespace kelvax::ui
