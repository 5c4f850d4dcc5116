#pragma once
// The tool palette: fourteen tool buttons, the front and back color swatches, and the
// messages that explain why the buttons cannot be used before a picture is open or
// while the zoom is below 100 %.

#include <QFrame>
#include <QWidget>
#include <cstdint>

#include "document/Document.h"

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QToolButton;

namespace velmora {

// A paint color swatch; a press with any mouse button asks for a new color.
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor color_;
};

class TFrmTools : public QWidget {  // tool window
    Q_OBJECT
public:
    explicit TFrmTools(Document& doc, QWidget* parent = nullptr);

    void EnableDrawTools();    // all fourteen buttons, PaletteState 2
    void DisableDrawTools();   // all but BtnGrabber, PaletteState 1
    int PaletteState() const;  // 0 no picture, 1 zoom below 100 %, 2 enabled
    void PressHandButton();    // BtnGrabber down (no other effect)
    std::uint32_t FrontColor() const;  // red in the low byte
    std::uint32_t BackColor() const;
    QAbstractButton* ToolButton(int toolId) const;

    void SetFrontColor(std::uint32_t color);
    void SetBackColor(std::uint32_t color);

    QGroupBox* GroupBox1 = nullptr;
    QToolButton* BtnGrabber = nullptr;
    ColorSwatch* FrontSwatch = nullptr;  // "FrontColor"
    ColorSwatch* BackSwatch = nullptr;   // "BackColor"

signals:
    // A button was clicked: first the tool being left finishes (Doc().CurrentTool is
    // still its id), then the new id is set and toolSelected follows.
    void toolLeaving();
    void toolSelected(int toolId);  // Doc().CurrentTool already set; the main window then
                                    // runs ShowToolOptionPage
    // Keys pressed and released in the window go on to the main window, so that the
    // tool keys work after a click on the palette as they do over the picture. The
    // main window accepts a press it handled.
    void keyPressed(QKeyEvent* event);
    void keyReleased(int qtKey);  // passed on to the main window's FormKeyUp
    void closed();
    // A swatch took a new color: the main window runs RefreshToolOverlay.
    void colorsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void GroupBox1Click();
    void SelectTool(int toolId);
    void ChooseColor(ColorSwatch* swatch);

    Document& doc_;
    QButtonGroup* buttons_ = nullptr;
    int paletteState_ = 0;
};

}  // namespace velmora
