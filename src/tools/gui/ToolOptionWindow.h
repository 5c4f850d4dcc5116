#pragma once
// The Tool Option window: one page per tool, of which only the current tool's page is
// visible. The "Info" page shows the image position under the hand tool.

#include <QString>
#include <QWidget>

class QLabel;
class QTabWidget;

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

    QTabWidget* PageControl1 = nullptr;
    QLabel* LabInfoX = nullptr;
    QLabel* LabInfoY = nullptr;
    QLabel* LabInfoR = nullptr;
    QLabel* LabInfoG = nullptr;
    QLabel* LabInfoB = nullptr;

signals:
    void keyReleased(int qtKey);
    void closed();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString current_;
};

}  // namespace velmora
