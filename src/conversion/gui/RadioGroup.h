#pragma once
// A titled group of radio buttons addressed by item index, where -1 means that no
// item is selected (a preset can ask for an index no item has).

#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

namespace velmora {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);

    int ItemIndex() const;
    // -1 (or any index outside the items) clears the selection.
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const { return buttons_.value(index); }
    int Count() const { return static_cast<int>(buttons_.size()); }

signals:
    // A new item became selected, by the user or by SetItemIndex.
    void Click();

private:
    QButtonGroup group_;
    QList<QRadioButton*> buttons_;
};

}  // namespace velmora
