#pragma once
// Help, About: the program's name and version with an OK button.

#include <QDialog>

class QLabel;
class QPushButton;

namespace velmora {

class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* parent = nullptr);

    QLabel* LblName = nullptr;
    QLabel* LblVersion = nullptr;
    QPushButton* BtnOk = nullptr;
};

}  // namespace velmora
