// Option buttons as desktop users know them: Tab enters a group on its checked button (on the
// first shown one while none is), and leaves it with the next Tab; the arrow keys move within.
#pragma once

#include <vector>

class QRadioButton;

namespace kelvax::ui {

// Keeps the Tab stop of the group (auto-exclusive siblings) on its checked button.
void TabToTheCheckedOption(const std::vector<QRadioButton*>& group);

}  // namespace kelvax::ui
