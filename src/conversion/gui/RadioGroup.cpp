#include "conversion/gui/RadioGroup.h"

#include <QGridLayout>

namespace velmora {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 4);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_.addButton(b, i);
        buttons_.append(b);
        grid->addWidget(b, i / columns, i % columns);
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) emit Click();
        });
    }
}

int RadioGroup::ItemIndex() const { return group_.checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last checked button, so the exclusivity
    // is lifted for the moment it takes.
    group_.setExclusive(false);
    for (QRadioButton* b : buttons_) b->setChecked(false);
    group_.setExclusive(true);
}

}  // namespace velmora
