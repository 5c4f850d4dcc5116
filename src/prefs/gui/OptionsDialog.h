#pragma once
// The Preferences dialog: the conversion window's size and the number of history
// states, kept in "options.dat". The dialog lives for the whole run; its fields are the
// preferences in force, its controls show them again whenever the dialog is cancelled.

#include <QDialog>
#include <string>

#include "prefs/Options.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velmora {

class TFrmOptions : public QDialog {  // caption "Preferences"
    Q_OBJECT
public:
    // Shows the default values until a file is set and loaded.
    explicit TFrmOptions(QWidget* parent = nullptr);

    // The preferences file ("options.dat" in the program folder); none keeps the values
    // in memory only.
    void SetOptionsPath(const std::string& path);
    const std::string& OptionsPath() const { return path_; }
    void LoadOptions();   // file -> fields -> controls
    // Controls -> fields, "History States will not take effect until next run" when that
    // value changed, then the file is written; a failed write is reported naming the file.
    bool SaveOptions();
    Options& Values();    // the fields (the conversion dialog writes LastPreview*)
    // Width and height only apply to the "Custom" size.
    void UpdateSizeControls();

    QComboBox* CmbWinSize;
    QSpinBox* SpnWidth;
    QSpinBox* SpnHeight;
    QSpinBox* SpnHistory;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
    QLabel* Label3;  // "Width:"
    QLabel* Label4;  // "Height:"

private:
    void ShowFields();
    void BtnOkClick();

    Options values_;
    std::string path_;
};

}  // namespace velmora
