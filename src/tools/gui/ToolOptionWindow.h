#pragma once
// The Tool Option window: one page per tool, of which only the current tool's page is
// visible. The tools read the controls directly; the window keeps each track bar and
// its spin edit in step and reports every change through optionChanged, so that the
// main window redraws the tool's overlay. The "Info" page shows the image position under
// the hand tool and the "Color Dropper" page the eyedropper's read-out.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace velmora {

class TFrmToolOption : public QWidget {  // tool window, caption "Tool Option"
    Q_OBJECT
public:
    explicit TFrmToolOption(QWidget* parent = nullptr);

    void ShowPage(int toolId);        // hide every page, show the tool's page (TsNormal "Info" for 0 and 41)
    QString CurrentPageName() const;  // e.g. "TsNormal"; empty when no page is shown
    void SetInfo(int x, int y);       // LabInfoX "X: " + x, LabInfoY "Y: " + y

    // A page by its object name ("TsPencil"), for the tools that fill it; nullptr when
    // there is none.
    QWidget* Page(const QString& name) const;

    // The eyedropper's read-out: "X: 12", "Y: 5", "R: 200", "G: ..", "B: .." and the
    // swatch in `color` (red in the low byte).
    void SetDropperReadout(int x, int y, std::uint32_t color);

    // The text settings of a shape page: tool ids 23 (rectangle), 24 (ellipse), 27 (text)
    // and 28 to 30 (the balloons, one shared page). PointSize is the number in the size
    // box when it holds a size the box accepts, otherwise (empty, 0) the size last used
    // for that page, which starts at 12. Lines are the memo's lines; an empty memo gives
    // none and a final line break does not start another. BorderWidth is 0 for the text
    // page. Any other id gives the defaults.
    struct TextStyle {
        QString FontName;
        int PointSize = 12;
        bool Bold = false, Italic = false, Underline = false;
        QStringList Lines;
        int BorderWidth = 1;
    };
    TextStyle ShapeTextStyle(int toolId);

    // The size of a freehand tool (1 pencil, 2 brush, 3 eraser, 5 lighten, 6 darken):
    // its track bar's position; 0 for any other tool.
    int ToolSize(int toolId) const;

    // The [ and ] keys: one step smaller or larger through the tool's size controls, so
    // their usual handlers run. The step is a tenth of the current size, at least 1, and
    // the result stays within the control's range. False for a tool without a size.
    bool StepToolSize(int toolId, bool larger);

    // A character typed over the picture or elsewhere outside a text box while the text
    // box or a balloon (ids 27 to 30) is placed: the tool's memo takes the keyboard with
    // the caret after its text, and `text` goes in there as if typed; a closed window is
    // shown again first. False, and the text goes nowhere, for a tool without a memo.
    bool TypeIntoMemo(int toolId, const QString& text);

    // How long typing in a number box may pause before the typed number is taken; Enter,
    // leaving the box, the arrows and the wheel take it at once.
    static constexpr int kTypingPauseMs = 400;

    QTabWidget* PageControl1 = nullptr;

    QSlider *TrcPencilSize = nullptr, *TrcBrushSize = nullptr, *TrcBrushContent = nullptr,
            *TrcBrushOpacity = nullptr, *TrcEraserSize = nullptr, *TrcTolerance = nullptr,
            *TrcLightenSize = nullptr, *TrcLightenContrast = nullptr, *TrcDarkenSize = nullptr,
            *TrcDarkenContrast = nullptr;
    QSpinBox *SpnPencilSize = nullptr, *SpnBrushSize = nullptr, *SpnBrushContent = nullptr,
             *SpnBrushOpacity = nullptr, *SpnEraserSize = nullptr, *SpnTolerance = nullptr,
             *SpnLightenSize = nullptr, *SpnLightenContrast = nullptr, *SpnDarkenSize = nullptr,
             *SpnDarkenContrast = nullptr;

    QSpinBox *SpnBalloonBorderW = nullptr, *SpnRectBorderW = nullptr, *SpnEllipseBorderW = nullptr;
    QSpinBox *SpnBalloonFontSize = nullptr, *SpnRectFontSize = nullptr, *SpnEllipseFontSize = nullptr,
             *SpnTextFontSize = nullptr;
    QComboBox *CmbBalloonFontName = nullptr, *CmbRectFontName = nullptr, *CmbEllipseFontName = nullptr,
              *CmbTextFontName = nullptr;
    QToolButton *BtnBalloonBold = nullptr, *BtnBalloonItalic = nullptr, *BtnBalloonUnderline = nullptr;
    QToolButton *BtnRectBold = nullptr, *BtnRectItalic = nullptr, *BtnRectUnderline = nullptr;
    QToolButton *BtnEllipseBold = nullptr, *BtnEllipseItalic = nullptr, *BtnEllipseUnderline = nullptr;
    QToolButton *BtnTextBold = nullptr, *BtnTextItalic = nullptr, *BtnTextUnderline = nullptr;
    QToolButton *BtnBalloonCommit = nullptr, *BtnBalloonCancel = nullptr, *BtnRectCommit = nullptr,
                *BtnRectCancel = nullptr, *BtnEllipseCommit = nullptr, *BtnEllipseCancel = nullptr,
                *BtnTextCommit = nullptr, *BtnTextCancel = nullptr;
    QPlainTextEdit *MemBalloonText = nullptr, *MemRectText = nullptr, *MemEllipseText = nullptr,
                   *MemTextText = nullptr;

    QLabel *LabDropperX = nullptr, *LabDropperY = nullptr, *LabDropperR = nullptr, *LabDropperG = nullptr,
           *LabDropperB = nullptr;
    QFrame* ShpColor = nullptr;

    QLabel* LabInfoX = nullptr;
    QLabel* LabInfoY = nullptr;
    QLabel* LabInfoR = nullptr;
    QLabel* LabInfoG = nullptr;
    QLabel* LabInfoB = nullptr;

signals:
    void optionChanged();  // the main window runs RefreshToolOverlay
    void commitClicked();  // one of the four commit buttons
    void cancelClicked();  // one of the four cancel buttons
    // A key pressed or released in the window, except while a text, number or font box
    // has the focus: those keys belong to the editing there. The main window accepts a
    // press it handled.
    void keyPressed(QKeyEvent* event);
    void keyReleased(int qtKey);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void TrcPencilSizeChange();
    void TrcBrushSizeChange();
    void TrcBrushContentChange();
    void TrcBrushOpacityChange();
    void TrcEraserSizeChange();
    void TrcLightenSizeChange();
    void TrcLightenContrastChange();
    void TrcDarkenSizeChange();
    void TrcDarkenContrastChange();
    void TrcToleranceChange();

    void SpnPencilSizeChange();
    void SpnBrushSizeChange();
    void SpnBrushContentChange();
    void SpnBrushOpacityChange();
    void SpnEraserSizeChange();
    void SpnToleranceChange();
    void SpnLightenSizeChange();
    void SpnLightenContrastChange();
    void SpnDarkenSizeChange();
    void SpnDarkenContrastChange();

    void MemBalloonTextChange();
    void CmbBalloonFontNameChange();
    void SpnBalloonFontSizeChange();
    void BtnBalloonBoldClick();
    void BtnBalloonItalicClick();
    void BtnBalloonUnderlineClick();
    void SpnBalloonBorderWChange();
    void BtnBalloonCommitClick();
    void BtnBalloonCancelClick();

private:
    // Whether a text, number or font box of this window has the focus.
    bool EditingText() const;
    // The nine track bars whose change redraws the overlay; each remembers the last
    // position it passed on.
    enum Remembered { kPencilSize, kBrushSize, kBrushContent, kBrushOpacity, kEraserSize,
                      kLightenSize, kLightenContrast, kDarkenSize, kDarkenContrast, kRememberedCount };
    // No track bar can reach this position, so the first change always passes.
    static constexpr int kNeverSeen = 65536;

    // The controls of one text page (balloon, rectangle, ellipse, text) and the font size
    // it last used.
    struct ShapePage {
        QSpinBox* borderWidth = nullptr;  // none on the text page
        QComboBox* fontName = nullptr;
        QSpinBox* fontSize = nullptr;
        QToolButton *bold = nullptr, *italic = nullptr, *underline = nullptr;
        QToolButton *commit = nullptr, *cancel = nullptr;
        QPlainTextEdit* memo = nullptr;
        int lastSize = 12;
    };
    enum ShapePageIndex { kBalloonPage, kRectPage, kEllipsePage, kTextPage, kShapePageCount };

    // Page building (ToolOptionPages.cpp).
    void BuildPageControl();
    void BuildFreehandPages();
    void BuildShapePages();
    void BuildDropperPage();
    void BuildInfoPage();
    ShapePage BuildShapePage(QWidget* page, const QString& role, bool withBorder);
    QSlider* AddTrackRow(QGridLayout* grid, int row, const char* caption, const QString& role, int min, int max,
                         int start, QSpinBox** spin);
    void FillFontLists();
    void ConnectControls();
    void ConnectShapePage(const ShapePage& page);

    // Shared handler bodies.
    void TrackChanged(Remembered which, QSlider* track, QSpinBox* spin);
    void SpinChanged(QSpinBox* spin, QSlider* track);
    ShapePage* ShapePageOf(int toolId);
    QSlider* SizeTrackOf(int toolId) const;
    QSpinBox* SizeSpinOf(int toolId) const;

    std::array<int, kRememberedCount> lastSeen_{};
    std::array<ShapePage, kShapePageCount> shapePages_{};
    QString current_;
};

}  // namespace velmora
