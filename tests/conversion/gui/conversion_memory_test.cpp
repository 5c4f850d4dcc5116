// Running out of memory while resizing the picture in the conversion dialog and while
// installing a conversion's result: this file's operator new refuses one allocation of a
// given size on the user-interface thread only.

#include <QStatusBar>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "conversion/ConversionRun.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/RunConversion.h"

using namespace velmora;
using namespace velmora::test;

namespace {

std::atomic<std::size_t> gRefusedSize{0};  // 0: nothing is refused
std::atomic<int> gAllowedFirst{0};
std::atomic<int> gRefusals{0};
std::atomic<std::thread::id> gUiThread{};
std::atomic<std::size_t> gCountedSize{0};  // 0: nothing is counted
std::atomic<int> gCounted{0};

void* Allocate(std::size_t n) {
    const std::size_t counted = gCountedSize.load(std::memory_order_relaxed);
    if (counted != 0 && n == counted) ++gCounted;
    const std::size_t refused = gRefusedSize.load(std::memory_order_relaxed);
    if (refused != 0 && n == refused && std::this_thread::get_id() == gUiThread.load() &&
        gAllowedFirst.fetch_sub(1) <= 0) {
        // One refusal, as when memory runs out at one moment.
        gRefusedSize = 0;
        ++gRefusals;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

// Refuses the allocation of `bytes` on the user-interface thread that follows
// `allowed` of that size.
struct RefuseAllocation {
    RefuseAllocation(std::size_t bytes, int allowed) {
        gRefusals = 0;
        gAllowedFirst = allowed;
        gRefusedSize = bytes;
    }
    ~RefuseAllocation() { gRefusedSize = 0; }
};

// What a conversion dialog confirmed at another image size leaves: the photograph
// at that size, and the one before kept in WorkBmp1.
void ConfirmDialogAtSize(FakeHost& host, int w, int h) {
    Bitmap kept(host.doc.PhotoBmp);
    host.doc.WorkBmp1.Swap(kept);
    host.doc.PhotoBmp = TestPicture(w, h);
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

class ConversionMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gUiThread = std::this_thread::get_id(); }

    void runningOutWhileInstallingLeavesTheDocumentAsItWas_data() {
        // The new layers are made in this order; each can be the one that fails.
        QTest::addColumn<int>("allowed");
        QTest::newRow("sketch layer") << 0;
        QTest::newRow("color layer") << 1;
        QTest::newRow("composite") << 2;
    }

    void runningOutWhileInstallingLeavesTheDocumentAsItWas() {
        QFETCH(int, allowed);
        MessageCapture messages;
        FakeHost host;
        host.OpenPicture(TestPicture(600, 450));
        const Snapshot before(host);
        // An odd width, so that no other allocation is likely to have a layer's size.
        constexpr int kW = 403, kH = 301;
        const std::size_t layerBytes = Bitmap(kW, kH).ByteSize();
        ConfirmDialogAtSize(host, kW, kH);

        bool installed = true;
        bool escaped = false;
        {
            RefuseAllocation refuse(layerBytes, allowed);
            try {
                installed = RunFullConversion(host, nullptr, ColorDefaults());
            } catch (const std::bad_alloc&) {
                escaped = true;
            }
        }
        QCOMPARE(gRefusals.load(), 1);
        QVERIFY2(!escaped, "std::bad_alloc escaped into the caller's slot");
        QVERIFY(!installed);
        QCOMPARE(int(messages.messages.size()), 1);
        QCOMPARE(messages.messages[0].text,
                 QStringLiteral("There is not enough memory to convert a picture of this size."));
        QVERIFY(before.SameAs(host));
        QVERIFY(host.states.empty());

        // Nothing was left half done: the same conversion now installs all of it.
        ConfirmDialogAtSize(host, kW, kH);
        QVERIFY(RunFullConversion(host, nullptr, ColorDefaults()));
        for (const Bitmap* b : {&host.doc.PhotoBmp, &host.doc.SketchBmp, &host.doc.ColorBmp, &host.doc.CompositeBmp}) {
            QCOMPARE(b->Width(), kW);
            QCOMPARE(b->Height(), kH);
        }
        QCOMPARE(int(host.states.size()), 1);
        QCOMPARE(int(messages.messages.size()), 1);
    }

    // A size the picture could not be resampled to is said, and stays said after the
    // preview that follows; the photograph keeps the size it had.
    void runningOutWhileResizingIsReportedInTheStatusBar() {
        DialogRig rig;
        auto dlg = rig.Open(TestPicture(641, 481));
        const Bitmap before = rig.host.doc.PhotoBmp;
        constexpr int kW = 403;
        const std::size_t bytes = Bitmap(kW, kW * 481 / 641).ByteSize();
        {
            RefuseAllocation refuse(bytes, 0);
            dlg->Spn_Width->setValue(kW);
        }
        QCOMPARE(gRefusals.load(), 1);
        QVERIFY(rig.host.doc.PhotoBmp == before);
        QCOMPARE(dlg->StatusBar1->currentMessage(), QStringLiteral("Not enough memory to resize the picture"));
    }

    // The dialog converts the picture as it was displayed when it opened, of which it
    // keeps a copy to resample; when that copy does not fit in memory the dialog
    // cannot convert what is shown, so it says so and closes as cancelled instead of
    // converting the photograph under the layers.
    void runningOutWhileTakingTheDisplayedPictureClosesTheDialog() {
        MessageCapture messages;
        DialogRig rig;
        rig.host.OpenPicture(TestPicture(641, 481));
        // What a conversion leaves: a composite that is not the photograph.
        for (int y = 0; y < 481; ++y)
            for (int x = 0; x < 641; ++x) rig.host.doc.CompositeBmp.Pixel(x, y)[1] ^= 0xFF;
        const Bitmap photo = rig.host.doc.PhotoBmp;
        auto dlg = rig.Create();
        {
            // The photograph kept for Cancel and the picture at its own size share
            // pixels; the copy of the displayed picture is the one of this size.
            RefuseAllocation refuse(Bitmap(641, 481).ByteSize(), 0);
            DialogRig::Show(*dlg);
        }
        QCOMPARE(gRefusals.load(), 1);
        QTRY_VERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Accepted);
        QCOMPARE(int(messages.messages.size()), 1);
        QCOMPARE(messages.messages[0].text,
                 QStringLiteral("There is not enough memory to convert a picture of this size."));
        QVERIFY(rig.host.doc.PhotoBmp == photo);
    }

    // Opening takes one copy of the displayed picture and no other picture of its
    // size: the photograph kept for Cancel and the picture resampled at its own size
    // share pixels, which on a large picture spares the opening two whole copies.
    // (The engine's buffers for the preview are of other sizes.)
    void openingCopiesThePictureOnce() {
        DialogRig rig;
        rig.host.OpenPicture(TestPicture(641, 481));
        auto dlg = rig.Create();
        gCounted = 0;
        gCountedSize = Bitmap(641, 481).ByteSize();
        DialogRig::Show(*dlg);
        gCountedSize = 0;
        QCOMPARE(gCounted.load(), 1);
        QVERIFY(dlg->isVisible());
        QVERIFY(rig.host.doc.PhotoBmp == rig.host.doc.CompositeBmp);
    }

    // After a refused size the page shows the size the picture kept, so that asking for
    // the refused size again tries again. That a refused slider move does the same is
    // the page's own rule, which the core tests hold; the dialog only shows the page.
    void aRefusedSizeCanBeAskedForAgain() {
        DialogRig rig;
        auto dlg = rig.Open(TestPicture(641, 481));
        constexpr int kW = 403, kH = kW * 481 / 641;
        {
            RefuseAllocation refuse(Bitmap(kW, kH).ByteSize(), 0);
            dlg->Spn_Width->setValue(kW);
        }
        QCOMPARE(gRefusals.load(), 1);
        QCOMPARE(dlg->Spn_Width->value(), 641);
        QCOMPARE(dlg->Spn_Height->value(), 481);
        QCOMPARE(dlg->Trc_ImageSize->value(), 100);
        dlg->Spn_Width->setValue(kW);
        QCOMPARE(rig.host.doc.PhotoBmp.Width(), kW);
        QCOMPARE(rig.host.doc.PhotoBmp.Height(), kH);
    }
};

QTEST_MAIN(ConversionMemoryTest)
#include "conversion_memory_test.moc"
