#include "duringwait.h"
#include "filelistbox.h"
#include "picturebox.h"
#include "saneconfig.h"
#include "scandialog.h"
#include "scanpreview.h"
#include "viewerwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace quillpix;
using namespace quillpix::testing;

namespace {

ScanDialog* openScanDialog(ViewerWindow& w) {
    auto* scan = w.c().File1->findChild<QAction*>(QStringLiteral("actScan"));
    if (!scan)
        return nullptr;
    scan->trigger();
    ScanDialog* dialog = nullptr;
    [[maybe_unused]] const bool shown = QTest::qWaitFor([&] {
        dialog = w.window->findChild<ScanDialog*>();
        return dialog && dialog->findChild<QComboBox*>(QStringLiteral("cmbScanner"))->count() > 0 &&
               dialog->findChild<QPushButton*>(QStringLiteral("cmdScan"))->isEnabled();
    });
    return dialog;
}

template <typename W> W* part(QWidget* dialog, const char* name) {
    return dialog->findChild<W*>(QString::fromLatin1(name));
}

void choose(QComboBox* box, const QVariant& data) {
    box->setCurrentIndex(box->findData(data));
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestScanWindow : public QObject {
    Q_OBJECT
    // Pieces of the page come 20 ms apart, so a stop lands in the middle of one.
    SaneConfig m_sane{
        {QStringLiteral("read-delay true"), QStringLiteral("read-delay-duration 20000")}};

private Q_SLOTS:
    void initTestCase() { qputenv("SANE_CONFIG_DIR", m_sane.path().toLocal8Bit()); }

    // スキャン… scans from the real test device into the folder on show: the list shows the
    // new pages, the last one chosen and on the display; the choices are there next time.
    void scanFromTheDialog_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("last");
        QTest::newRow("flatbed, grey")
            << int(scanner::Source::Flatbed) << int(scanner::Mode::Grey) << "scan-0002.png";
        QTest::newRow("the feeder's ten sheets, lineart")
            << int(scanner::Source::Feeder) << int(scanner::Mode::Lineart) << "scan-0011.png";
    }
    void scanFromTheDialog() {
        QFETCH(int, source);
        QFETCH(int, mode);
        QFETCH(QString, last);
        ViewerWindow w;
        w.ws.addPicture(QStringLiteral("scan-0001.png"), QImage(20, 10, QImage::Format_RGB32));
        w.open();
        const QString folder = w.c().File1->folder();
        QCOMPARE(folder, w.ws.pictures());
        ScanDialog* dialog = openScanDialog(w);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(part<QSpinBox>(dialog, "spnResolution")->value(), 300);
        QCOMPARE(part<QComboBox>(dialog, "cmbScanner")->count(), 2);
        choose(part<QComboBox>(dialog, "cmbScanner"), QStringLiteral("test:1"));
        part<QSpinBox>(dialog, "spnResolution")->setValue(75);
        choose(part<QComboBox>(dialog, "cmbScanMode"), mode);
        choose(part<QComboBox>(dialog, "cmbScanSource"), source);
        QTest::mouseClick(part<QPushButton>(dialog, "cmdScan"), Qt::LeftButton);

        QCOMPARE(w.platform.scanRuns.size(), 1);
        const RecordingPlatform::ScanRun& run = w.platform.scanRuns[0];
        QCOMPARE(run.folder, folder);
        QCOMPARE(run.request.device, QStringLiteral("test:1"));
        QCOMPARE(run.request.resolution, 75);
        QVERIFY(w.platform.messages.isEmpty());
        QTRY_VERIFY(!w.window->findChild<ScanDialog*>());
        const int pages = source == int(scanner::Source::Feeder) ? 10 : 1;
        QCOMPARE(run.result.written.size(), pages);
        QCOMPARE(entries(folder).size(), pages + 1);
        QCOMPARE(w.c().File1->count(), pages + 1);
        QCOMPARE(w.c().File1->fileName(), last);
        QCOMPARE(w.window->viewer().chosenFile().name, last);
        QCOMPARE(w.c().picBmp->picture().size(), QSize(236, 295));
        QVERIFY(QImage(folder + QLatin1Char('/') + last).depth() <= 8);

        dialog = openScanDialog(w);
        QVERIFY(dialog);
        QCOMPARE(part<QComboBox>(dialog, "cmbScanner")->currentData().toString(),
                 QStringLiteral("test:1"));
        QCOMPARE(part<QSpinBox>(dialog, "spnResolution")->value(), 75);
        QCOMPARE(part<QComboBox>(dialog, "cmbScanMode")->currentData().toInt(), mode);
        QCOMPARE(part<QComboBox>(dialog, "cmbScanSource")->currentData().toInt(), source);
        QTest::mouseClick(part<QPushButton>(dialog, "cmdCloseScan"), Qt::LeftButton);
        QTRY_VERIFY(!w.window->findChild<ScanDialog*>());
        QCOMPARE(w.platform.scanRuns.size(), 1);
    }

    // Esc mid-page stops the scan, the window answering meanwhile: no page, no part, nothing
    // to tell but the dialog's own line; a second Esc closes it.
    void escStopsMidPage() {
        ViewerWindow w;
        w.open();
        const QString folder = w.c().File1->folder();
        const QStringList before = entries(folder);
        ScanDialog* dialog = openScanDialog(w);
        QVERIFY(dialog);
        part<QSpinBox>(dialog, "spnResolution")->setValue(300);
        bool stopped = false;
        DuringWait press([&] {
            if (part<QProgressBar>(dialog, "barScan")->value() <= 0)
                return false;
            stopped = part<QPushButton>(dialog, "cmdStopScan")->isEnabled();
            QTest::keyClick(dialog, Qt::Key_Escape);
            return true;
        });
        QTest::mouseClick(part<QPushButton>(dialog, "cmdScan"), Qt::LeftButton);
        QVERIFY(stopped);
        QCOMPARE(w.platform.scanRuns.size(), 1);
        QCOMPARE(w.platform.scanRuns[0].result.error.problem, scanner::Problem::Stopped);
        QVERIFY(dialog->isVisible());
        QCOMPARE(part<QLabel>(dialog, "lblScanStatus")->text(),
                 QStringLiteral("スキャンを中止しました。"));
        QVERIFY(w.platform.messages.isEmpty());
        QCOMPARE(entries(folder), before);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w.window->findChild<ScanDialog*>());
    }

    // A folder that can no longer be written to is told, naming it; the list stays as it was.
    void aFolderGoneIsTold() {
        ViewerWindow w;
        w.ws.addPicture(QStringLiteral("a.png"), QImage(20, 10, QImage::Format_RGB32));
        w.open();
        const QString folder = w.c().File1->folder();
        ScanDialog* dialog = openScanDialog(w);
        QVERIFY(dialog);
        part<QSpinBox>(dialog, "spnResolution")->setValue(50);
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QTest::mouseClick(part<QPushButton>(dialog, "cmdScan"), Qt::LeftButton);
        QCOMPARE(w.platform.messages.size(), 1);
        QVERIFY2(w.platform.messages[0].startsWith(
                     QStringLiteral("スキャンしたページを保存できません。")),
                 qPrintable(w.platform.messages[0]));
        QVERIFY(w.platform.messages[0].contains(folder));
        QVERIFY(dialog->isVisible());
        QCOMPARE(w.c().File1->count(), 1);
        QCOMPARE(w.c().File1->item(0)->text(), QStringLiteral("a.png"));
        dialog->close();
    }

    // The preview shows the whole glass and keeps nothing; the part dragged out of it is what
    // the scan takes: the glass's top-left quarter, 100 mm square, is 197 pixels at 50 dpi.
    void aPartOfTheGlass() {
        ViewerWindow w;
        w.open();
        const QString folder = w.c().File1->folder();
        const QStringList before = entries(folder);
        ScanDialog* dialog = openScanDialog(w);
        QVERIFY(dialog);
        choose(part<QComboBox>(dialog, "cmbScanSource"), int(scanner::Source::Flatbed));
        part<QSpinBox>(dialog, "spnResolution")->setValue(50);
        auto* preview = part<QPushButton>(dialog, "cmdPreview");
        QVERIFY(preview->isEnabled());
        QTest::mouseClick(preview, Qt::LeftButton);
        auto* glass = part<ScanPreview>(dialog, "picScanPreview");
        QVERIFY(glass->hasPicture());
        QVERIFY(w.platform.scanRuns.isEmpty());
        QCOMPARE(entries(folder), before);
        const int side = std::min(glass->width(), glass->height());
        const QPoint corner((glass->width() - side) / 2, (glass->height() - side) / 2);
        QTest::mousePress(glass, Qt::LeftButton, {}, corner);
        QTest::mouseMove(glass, corner + QPoint(side / 4, side / 4));
        QTest::mouseRelease(glass, Qt::LeftButton, {}, corner + QPoint(side / 2, side / 2));
        QVERIFY(!glass->region().isNull());
        QTest::mouseClick(part<QPushButton>(dialog, "cmdScan"), Qt::LeftButton);
        QCOMPARE(w.platform.scanRuns.size(), 1);
        const QStringList written = w.platform.scanRuns[0].result.written;
        QCOMPARE(written.size(), 1);
        const QSize size = QImage(written[0]).size();
        QVERIFY2(std::abs(size.width() - 197) <= 3 && std::abs(size.height() - 197) <= 3,
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));

        // The feeder's sheets are scanned whole: no preview to drag on.
        dialog = openScanDialog(w);
        QVERIFY(dialog);
        choose(part<QComboBox>(dialog, "cmbScanSource"), int(scanner::Source::Feeder));
        QVERIFY(!part<QPushButton>(dialog, "cmdPreview")->isEnabled());
        dialog->close();
    }

    // In the file menu and on the file list, with its key.
    void anEntryBesideTheOtherWaysIn() {
        ViewerWindow w;
        w.open();
        auto* scan = w.c().File1->findChild<QAction*>(QStringLiteral("actScan"));
        QVERIFY(scan);
        QCOMPARE(scan->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        auto* file = w.window->findChild<QMenu*>(QStringLiteral("mnuFile"));
        QVERIFY(file);
        QVERIFY(file->actions().contains(scan));
        QTest::keyClick(w.window.get(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(w.window->findChild<ScanDialog*>());
        w.window->findChild<ScanDialog*>()->close();
    }
};

QTEST_MAIN(TestScanWindow)
#include "test_scanwindow.moc"
