#include "ui/option_group.h"

#include <QRadioButton>

namespace kelvax::ui {

void TabToTheCheckedOption(const std::vector<QRadioButton*>& group) {
  const auto place_stop = [group] {
    QRadioButton* stop = nullptr;
    for (QRadioButton* b : group) {
      if (!b->isHidden() && (b->isChecked() || !stop)) stop = b;
      if (stop && stop->isChecked()) break;
    }
    // The others still take the focus from a click and from the arrow keys.
    for (QRadioButton* b : group) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
  };
  for (QRadioButton* b : group) QObject::connect(b, &QAbstractButton::toggled, b, place_stop);
  place_stop();
}

}  // namespace kelvax::ui
