// The text of the rectangle, ellipse, text and balloon tools and the Tool Option
// settings it is drawn with, driven through the real main window.

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

#include <cstdlib>
#include <functional>

#include "support/ScaledCopy.h"
#include "support/ShapeWindow.h"
#include "tools/gui/LayerPainter.h"
#include "tools/gui/ShapeText.h"

Q_DECLARE_METATYPE(velmora::TextArea)
Q_DECLARE_METATYPE(velmora::TFrmToolOption::TextStyle)

using namespace velmora;
using namespace velmora::test;

namespace {

using TextStyle = TFrmToolOption::TextStyle;

// `unit` repeated until the text holds at least `chars` characters.
QString Repeated(const QString& unit, int chars) {
    QString text;
    while (text.size() < chars) text += unit;
    return text;
}

// A style of `family` at `points` with `lines`, otherwise as the text pages start.
TextStyle Style(const char* family, int points, const QStringList& lines, bool italic = false,
                bool underline = false) {
    TextStyle style;
    style.FontName = QString::fromLatin1(family);
    style.PointSize = points;
    style.Italic = italic;
    style.Underline = underline;
    style.Lines = lines;
    return style;
}

// The lines as they were drawn before any line was cut to what can show: each line
// laid out whole, clipped to its slot.
void DrawWholeLines(QPainter& painter, const TextStyle& style, const TextArea& area, std::uint32_t color) {
    const QFont font = ShapeFont(style);
    const QFontMetrics metrics(font, painter.device());
    const std::vector<int> heights(static_cast<std::size_t>(style.Lines.size()), metrics.height());
    const std::vector<LineSlot> lineSlots = LayoutTextLines(heights, area.Top, area.LowestBottom);
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(ToQColor(color));
    const bool outerClip = painter.hasClipping();
    for (std::size_t i = 0; i < lineSlots.size(); ++i) {
        painter.save();
        painter.setClipRect(QRect(area.Left, lineSlots[i].Top, area.Right - area.Left,
                                  lineSlots[i].Bottom - lineSlots[i].Top),
                            outerClip ? Qt::IntersectClip : Qt::ReplaceClip);
        painter.drawText(QPoint(area.Left, lineSlots[i].Top + metrics.ascent()),
                         style.Lines[static_cast<qsizetype>(i)]);
        painter.restore();
    }
    painter.restore();
}

// A w x h image on a blue ground with `draw` done on it, clipped first to the inscribed
// ellipse when asked (as the elliptic balloon clips its text).
Bitmap Drawn(QSize size, bool ellipse, const std::function<void(QPainter&)>& draw) {
    Bitmap bmp(size.width(), size.height());
    bmp.Fill(200, 40, 10);
    QImage image = WrapBitmap(bmp);
    QPainter painter(&image);
    if (ellipse) {
        QPainterPath outline;
        outline.addEllipse(QRectF(0, 0, size.width(), size.height()));
        painter.setClipPath(outline);
    }
    draw(painter);
    return bmp;
}

// Two lines in a box of the text tool, as the tool draws them into the picture.
Bitmap SampleText() {
    const TextStyle style = Style("DejaVu Sans", 12, {QStringLiteral("Hello Wg 12"), QStringLiteral("Exe")});
    return Drawn(QSize(100, 50), false, [&](QPainter& p) { DrawTextLines(p, style, TextBoxTextArea(100, 50), kRed); });
}

// The pixels' bytes, row after row.
QByteArray PixelBytes(const Bitmap& b) {
    QByteArray bytes;
    for (int y = 0; y < b.Height(); ++y)
        bytes.append(reinterpret_cast<const char*>(b.Row(y)), qsizetype(b.Width()) * 3);
    return bytes;
}

// Set in a copy of this program started by a test: it writes SampleText's pixels to the
// file named there, and runs no test.
constexpr char kSampleFileVariable[] = "VELMORA_SAMPLE_TEXT_FILE";

}  // namespace

class ShapeTextTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { s_.reset(); }

    // Text typed and colors swapped before the pointer has shown where the box goes
    // draw nothing yet; a click that follows without a move places the box under it.
    void SettingsChosenBeforeTheBoxIsShownWaitForThePointer() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolText);
        w.FrmToolOption->MemTextText->setPlainText(QStringLiteral("Hello"));
        w.PaintBox1->setFocus();
        QTest::keyClick(w.PaintBox1, Qt::Key_X);  // red behind now
        QVERIFY(w.Doc().ColorBmp == photo);

        Stroke(w, {QPoint(150, 100)});  // the box covers columns 150..249, rows 100..149
        QCOMPARE(At(w, 249, 149), kRed);
        QCOMPARE(At(w, 150, 149), kRed);
        QCOMPARE(At(w, 20, 20), PixelValue(photo, 20, 20));
        QTest::keyClick(w.PaintBox1, Qt::Key_Return);
        QCOMPARE(StateText(w), QStringLiteral("Text / --"));
        QCOMPARE(At(w, 249, 149), kRed);
    }

    // The text goes into the picture's own pixels, so a screen scaled to twice its
    // resolution (QT_SCALE_FACTOR=2) must not change them. Such a screen used to turn off
    // the hinting of the glyphs, which left the text in the picture blurred.
    void TextInThePictureDoesNotDependOnTheScreenScale() {
        const QByteArray drawn = WrittenByScaledCopy(kSampleFileVariable, "2");
        QVERIFY(!drawn.isEmpty());
        QVERIFY(drawn == PixelBytes(SampleText()));
    }

    // A line pasted or typed by holding a key can hold a million characters, of which a
    // few dozen show: only a short beginning of it is laid out, unless a cut there could
    // change what shows.
    void AVeryLongLineIsLaidOutOnlyAsFarAsItCanShow() {
        const QFontMetricsF metrics(ShapeFont(TextStyle{}));
        const QString typed = Repeated(QStringLiteral("Typed text, "), 1000000);
        const qsizetype shown = ShownLength(typed, metrics, 300);
        QVERIFY2(shown < 1000, qPrintable(QString::number(shown)));
        QVERIFY(metrics.horizontalAdvance(typed.left(shown)) >= 300);
        // A cut never parts a mark from its letter.
        const QString marked = Repeated(QStringLiteral("e\u0301\u0316"), 100000);
        QVERIFY(marked[ShownLength(marked, metrics, 300)] == u'e');
        // Right-to-left text before the cut, and a line that fills the reach only in its
        // second half, are laid out whole.
        const QString hebrew = QStringLiteral("ab \u05E9\u05DC ") + typed;
        QCOMPARE(ShownLength(hebrew, metrics, 300), hebrew.size());
        const QString filled = Repeated(QStringLiteral("m"), 80);
        QCOMPARE(ShownLength(filled, metrics, metrics.horizontalAdvance(filled.left(60))), filled.size());
    }

    // What shows of a long line is exactly what the whole line drawn at once shows:
    // kerning, ligatures, combining marks, right-to-left runs, tabs, controls, large and
    // slanted glyphs, underlines, and the cut at the area's right edge, at the image's
    // edge and at an outer clip.
    void LongLinesShowAsWhenDrawnWhole_data() {
        QTest::addColumn<TextStyle>("style");
        QTest::addColumn<TextArea>("area");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("ellipse");
        const auto row = [](const char* name, const TextStyle& style, TextArea area = {10, 10, 290, 190},
                            QSize image = {300, 200}, bool ellipse = false) {
            QTest::newRow(name) << style << area << image << ellipse;
        };
        const char *sans = "DejaVu Sans", *serif = "DejaVu Serif";
        const int n = 20000;  // longer than the pieces the whole line is laid out in
        row("kerning", Style(sans, 12, {Repeated(QStringLiteral("AVAWAT To Ta Yo LT \"\"Wa. "), n)}));
        row("ligatures", Style(serif, 14, {Repeated(QStringLiteral("office affluent fjord fi ffi ffl "), n)}));
        row("combining marks",
            Style(sans, 16, {Repeated(QString::fromUtf8("e\u0301a\u0308o\u0323\u0302 n\u0303\u0331 "), n),
                             QStringLiteral("m") + Repeated(QStringLiteral("\u0301\u0316"), n),
                             Repeated(QStringLiteral("ab"), 38) + Repeated(QStringLiteral("\u0308"), n)}));
        row("right to left",
            Style(sans, 12,
                  {Repeated(QString::fromUtf8("abc \u05E9\u05DC\u05D5\u05DD 123 "), n),
                   Repeated(QString::fromUtf8("\u0639\u0631\u0628\u064A \u0661\u0662 xyz "), n),
                   Repeated(QStringLiteral("left to right "), 200) + Repeated(QString::fromUtf8("\u05E9\u05DC "), n),
                   Repeated(QStringLiteral("digits 12 "), 200) + Repeated(QString::fromUtf8("\u0661\u0662 "), n),
                   Repeated(QStringLiteral("embedded \u202Eright\u202C \u2067isolate\u2069 "), n)}));
        row("tabs and controls",
            Style(sans, 12, {Repeated(QStringLiteral("a\tbb\tccc\t"), n),
                             Repeated(QStringLiteral("x\u0001y\u007Fz\u200B\u00AD\u2028w\r\uFEFF "), n),
                             Repeated(QStringLiteral("string\u009Cterminator "), n)}));
        const QString astral = QString::fromUtf8("\U0001F600 \U0001D49C\U0001D4B7 \U0001F1EB\U0001F1F7 a ");
        row("beyond the basic plane", Style(sans, 12, {Repeated(astral, n)}));
        row("large slanted underlined", Style(serif, 90, {Repeated(QStringLiteral("fjfVAfj "), n)}, true, true));
        row("past the image's edge",
            Style(sans, 20, {Repeated(QStringLiteral("Wide AV box "), n), Repeated(QStringLiteral("jjj "), n)}, true),
            {40, 0, 5000, 200});
        row("elliptic clip",
            Style(sans, 18, {QString(), Repeated(QStringLiteral("Ellipse "), n), QStringLiteral("short")}, false, true),
            {20, 20, 280, 180}, {300, 200}, true);
        row("a little longer than shows", Style(sans, 12, {Repeated(QStringLiteral("AVmfi "), 150)}), {0, 0, 100, 30},
            {120, 40});
        // Hundreds of characters show, so the cut falls within the first thousand.
        row("a wide box", Style(sans, 8, {Repeated(QStringLiteral("AVmfi wide "), n)}), {0, 5, 2400, 35}, {2400, 40});
    }

    void LongLinesShowAsWhenDrawnWhole() {
        QFETCH(TextStyle, style);
        QFETCH(TextArea, area);
        QFETCH(QSize, image);
        QFETCH(bool, ellipse);
        const Bitmap whole = Drawn(image, ellipse, [&](QPainter& p) { DrawWholeLines(p, style, area, kRed); });
        const Bitmap drawn = Drawn(image, ellipse, [&](QPainter& p) { DrawTextLines(p, style, area, kRed); });
        QVERIFY(!(whole == Drawn(image, ellipse, [](QPainter&) {})));  // the text shows
        QVERIFY(drawn == whole);
    }

private:
    std::optional<ShapeWindow> s_;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (const char* file = std::getenv(kSampleFileVariable)) {
        const QByteArray sample = PixelBytes(SampleText());
        QFile out(QString::fromLocal8Bit(file));
        return out.open(QIODevice::WriteOnly) && out.write(sample) == sample.size() ? 0 : 1;
    }
    ShapeTextTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "shape_text_test.moc"
