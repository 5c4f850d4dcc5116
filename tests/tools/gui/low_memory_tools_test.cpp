// The tools that copy the layers or search the picture, chosen and used with too
// little memory left: each refuses with a message and leaves the document as it was.

#include "common/Sanitizer.h"
#include "support/LowMemory.h"
#include "support/ToolTestKit.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const QString kNoMemory = QStringLiteral("There is not enough memory to use this tool on a picture of this size.");
const QString kNoMemoryToDraw = QStringLiteral("There is not enough memory to draw the object at this size.");

// 3000 x 2000: each layer takes 18 MB, so a cap of 24 MB leaves room for the copy of
// one layer and not of both, and one of 2 MB not for the fill's 6 MB map.
constexpr int kPicW = 3000, kPicH = 2000;

struct LargeWindow : PictureWindow {
    Bitmap sketch, color;
    int states = 0;
    LargeWindow() : PictureWindow(Plain(kPicW, kPicH, 0x808080)) { Remember(); }
    void Remember() {
        // The history's own thread must not be writing a state under a cap.
        w.FrmHistory->FinishWrites();
        sketch = w.Doc().SketchBmp;
        color = w.Doc().ColorBmp;
        states = StateCount(w);
    }
    // Runs `act` with only `headroom` bytes of address space to spare.
    template <typename Act>
    void ShortOfMemory(std::size_t headroom, Act act) {
        ReleaseKeptBlocks();
        AddressSpaceCap cap(headroom);
        act();
    }
    bool Unchanged() { return w.Doc().SketchBmp == sketch && w.Doc().ColorBmp == color && StateCount(w) == states; }
};

}  // namespace

class LowMemoryToolsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MapLargeMallocsApart(); }

    void init() {
#ifdef VELMORA_UNDER_SANITIZER
        QSKIP("the sanitizers' allocators need more address space than a cap leaves");
#endif
    }

    // A shape tool copies both layers when it is chosen. A picture just opened is its own
    // color layer and photograph at once, sharing the pixels: a painting tool claims a
    // copy of its own when it is chosen, where running out of memory can still be told,
    // not at the first stroke.
    void AToolWithoutRoomForItsCopiesGoesBackToTheHand() {
        for (const auto& [tool, headroom] : {std::pair{ToolRectangle, 24u << 20}, {ToolPencil, 8u << 20}}) {
            LargeWindow t;
            const Bitmap photo = t.w.Doc().PhotoBmp;
            QVERIFY(photo == t.color);
            t.ShortOfMemory(headroom, [&] { t.w.FrmTools->ToolButton(tool)->click(); });
            QCOMPARE(t.env.messages, QStringList{kNoMemory});
            QCOMPARE(t.w.Doc().CurrentTool, ToolHand);
            QVERIFY(t.w.FrmTools->ToolButton(ToolHand)->isChecked());
            // No edit holds the commands, and a stroke on the picture draws nothing.
            QVERIFY(t.w.MenuItem_SaveAs->isEnabled());
            Stroke(t.w, {QPoint(100, 100), QPoint(160, 130)});
            QVERIFY(t.Unchanged());
            // With memory back, the tool paints the color layer and not the photograph.
            ChooseTool(t.w, tool);
            QCOMPARE(t.w.MenuItem_SaveAs->isEnabled(), tool == ToolPencil);
            Hover(t.w, {100, 100});
            Stroke(t.w, {QPoint(100, 100), QPoint(160, 130)});
            QVERIFY(t.w.Doc().ColorBmp != t.color);
            QVERIFY(t.w.Doc().PhotoBmp == photo);
        }
    }

    void AStrokeOrFillWithoutRoomPaintsAndRecordsNothing() {
        struct Case {
            int tool;
            std::size_t headroom;
            std::initializer_list<QPoint> points;
        };
        for (const Case& c : {Case{ToolDarken, 24u << 20, {QPoint(100, 100), QPoint(140, 120)}},
                              Case{ToolPaintBucket, 2u << 20, {QPoint(100, 100)}}}) {
            LargeWindow t;
            ChooseTool(t.w, c.tool);
            t.ShortOfMemory(c.headroom, [&] { Stroke(t.w, c.points); });
            QCOMPARE(t.env.messages, QStringList{kNoMemory});
            QVERIFY(t.Unchanged());
            Stroke(t.w, c.points);
            QCOMPARE(StateCount(t.w), t.states + 1);
            QVERIFY(t.w.Doc().ColorBmp != t.color);
        }
    }

    // An object dragged larger needs a larger image of itself. Without the memory for it
    // the drag is refused with a message, the layers keep the object as last drawn, and
    // the edit goes on.
    void AnObjectTooLargeForTheMemoryLeftKeepsItsSize() {
        for (int tool : {ToolRectangle, ToolEllipse, ToolBalloonA}) {
            LargeWindow t;
            ChooseTool(t.w, tool);
            Hover(t.w, {10, 10});
            Stroke(t.w, {QPoint(10, 10)});
            // Handle 8, the body's bottom-right corner.
            const QPoint corner = tool == ToolBalloonA ? QPoint(110, 60) : QPoint(30, 30);
            Hover(t.w, corner);
            const Bitmap placed = t.w.Doc().ColorBmp;
            t.ShortOfMemory(256u << 10, [&] { Stroke(t.w, {corner, QPoint(650, 480)}); });
            QCOMPARE(t.env.messages, QStringList{kNoMemoryToDraw});
            QVERIFY(t.w.Doc().ColorBmp == placed);
            // With memory back the same drag draws it that large, and Enter commits it.
            Stroke(t.w, {corner, QPoint(650, 480)});
            QCOMPARE(PixelValue(t.w.Doc().ColorBmp, 330, 245), 0xFFFFFFu);
            QTest::keyClick(&t.w, Qt::Key_Return);
            QCOMPARE(StateCount(t.w), t.states + 1);
        }
    }
};

QTEST_MAIN(LowMemoryToolsTest)
#include "low_memory_tools_test.moc"
