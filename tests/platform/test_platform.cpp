#include "cp932.h"
#include "desktopplatform.h"
#include "failure.h"
#include "picturebox.h"
#include "recordingplatform.h"
#include "runstate.h"
#include "screencapture.h"
#include "widgets.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QtTest>

#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillpix;

class TestPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The rectangle dragged over the frozen screen, in the picture's pixels: any direction,
    // clipped at the edges, scaled when the picture has more pixels than the overlay (a scaled
    // desktop, a portal picture); a click or a slip chooses nothing.
    void regionInPicture_data() {
        QTest::addColumn<QPoint>("pressed");
        QTest::addColumn<QPoint>("released");
        QTest::addColumn<QSize>("widget");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("region");
        const QSize screen(1920, 1080);
        QTest::newRow("down and right")
            << QPoint(60, 925) << QPoint(1040, 1010) << screen << screen << QRect(60, 925, 980, 85);
        QTest::newRow("up and left")
            << QPoint(1040, 1010) << QPoint(60, 925) << screen << screen << QRect(60, 925, 980, 85);
        QTest::newRow("beyond the edges")
            << QPoint(-50, -20) << QPoint(2500, 30) << screen << screen << QRect(0, 0, 1920, 30);
        QTest::newRow("twice the pixels") << QPoint(10, 20) << QPoint(110, 70) << screen
                                          << QSize(3840, 2160) << QRect(20, 40, 200, 100);
        QTest::newRow("twice the pixels down only") << QPoint(10, 20) << QPoint(110, 70) << screen
                                                    << QSize(1920, 2160) << QRect(10, 40, 100, 100);
        QTest::newRow("the smallest region")
            << QPoint(5, 5) << QPoint(9, 9) << screen << screen << QRect(5, 5, 4, 4);
        QTest::newRow("one pixel too narrow")
            << QPoint(5, 5) << QPoint(8, 40) << screen << screen << QRect();
        QTest::newRow("a click") << QPoint(5, 5) << QPoint(5, 5) << screen << screen << QRect();
    }
    void regionInPicture() {
        QFETCH(QPoint, pressed);
        QFETCH(QPoint, released);
        QFETCH(QSize, widget);
        QFETCH(QSize, picture);
        QFETCH(QRect, region);
        QCOMPARE(capture::regionInPicture(pressed, released, widget, picture), region);
    }

    // X11 reads the screen with Qt; Wayland, also seen through XWayland, asks the portal;
    // anything else cannot read it.
    void grabMethod_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<int>("method");
        QTest::newRow("X11") << "xcb" << false << int(capture::GrabMethod::Qt);
        QTest::newRow("XWayland") << "xcb" << true << int(capture::GrabMethod::Portal);
        QTest::newRow("Wayland") << "wayland" << true << int(capture::GrabMethod::Portal);
        QTest::newRow("offscreen") << "offscreen" << true << int(capture::GrabMethod::None);
    }
    void grabMethod() {
        QFETCH(QString, platform);
        QFETCH(bool, wayland);
        QFETCH(int, method);
        QCOMPARE(int(capture::grabMethodFor(platform, wayland)), method);
    }

    // Without a desktop portal the screen reading says so, naming the portal, and reads
    // nothing; the portal's own screenshot is then untried, and the test says so by skipping.
    // On a machine with a portal the screenshot needs a person to allow it: skipped too.
    void portalMissingIsToldClearly() {
        if (QDBusConnection::sessionBus().isConnected() &&
            QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("org.freedesktop.portal.Desktop")))
            QSKIP("a desktop portal runs here; its screenshot needs a person to allow it");
        const capture::Frozen frozen = capture::freezeScreen(capture::GrabMethod::Portal);
        QVERIFY(frozen.picture.isNull());
        QVERIFY2(frozen.problem.contains(QStringLiteral("org.freedesktop.portal.Screenshot")),
                 qPrintable(frozen.problem));
        // The offscreen platform has no screen to read at all.
        DesktopPlatform platform;
        const ScreenRegion region = platform.captureScreenRegion();
        QVERIFY(region.picture.isNull());
        QCOMPARE(region.problem, capture::noGrabMessage(QStringLiteral("offscreen")));
        QSKIP("no desktop portal here: the message without one was checked, the portal's "
              "screenshot itself could not be tried");
    }
    // The portal's screenshot file is read and then removed, named by a URI: percent-encoded,
    // and its bytes need not be UTF-8. Nothing but a regular file of the user's, on this
    // machine, is read or removed.
    void portalPictureIsTakenAndRemoved_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a name with a space and Japanese") << "plain" << true;
        QTest::newRow("a folder name that is not UTF-8") << "sjis" << true;
        QTest::newRow("a link to the picture") << "link" << false;
        QTest::newRow("a file that is no picture") << "text" << false;
        QTest::newRow("another user's picture") << "nobody" << false;
        QTest::newRow("on another host") << "host" << false;
        QTest::newRow("not a file URI") << "http" << false;
    }
    void portalPictureIsTakenAndRemoved() {
        QFETCH(QString, kind);
        QFETCH(bool, taken);
        if (kind == QLatin1String("nobody") && ::geteuid() != 0)
            QSKIP("only the superuser can give a file to another user");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray folder = QFile::encodeName(dir.path());
        if (kind == QLatin1String("sjis")) {
            folder += "/\x89\xe6";
            QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        }
        const auto removeFolder = qScopeGuard([&] { ::rmdir(folder.constData()); });
        const QByteArray file = folder + "/スクリーンショット 1.png";
        QImage shot(7, 5, QImage::Format_RGB32);
        shot.fill(qRgb(10, 200, 30));
        QByteArray bytes = "not a picture";
        if (kind != QLatin1String("text")) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(shot.save(&buffer, "PNG"));
        }
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), bytes.size()), ssize_t(bytes.size()));
        ::close(fd);
        const auto removeFile = qScopeGuard([&] { ::unlink(file.constData()); });
        if (kind == QLatin1String("nobody"))
            QCOMPARE(::chown(file.constData(), 65534, 65534), 0);
        QByteArray named = file;
        if (kind == QLatin1String("link")) {
            named = folder + "/link.png";
            QCOMPARE(::symlink(file.constData(), named.constData()), 0);
        }
        const auto removeLink = qScopeGuard([&] { ::unlink(named.constData()); });
        const QByteArray path = named.toPercentEncoding("/");
        const QString uri =
            QString::fromLatin1(kind == QLatin1String("host")   ? "file://elsewhere" + path
                                : kind == QLatin1String("http") ? "http://localhost" + path
                                                                : "file://" + path);

        const QImage picture = capture::takePortalPicture(uri);
        struct stat st {};
        if (taken) {
            QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), shot);
            QCOMPARE(::lstat(file.constData(), &st), -1);
            return;
        }
        QVERIFY(picture.isNull());
        QCOMPARE(::lstat(file.constData(), &st), 0);
        QCOMPARE(::lstat(named.constData(), &st), 0);
    }

    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("missing");
        QTest::newRow("ascii") << "abc ~?" << QByteArray("abc ~?") << "";
        QTest::newRow("hiragana") << "あ" << QByteArray("\x82\xa0") << "";
        QTest::newRow("NEC circled one") << "①" << QByteArray("\x87\x40") << "";
        QTest::newRow("full-width tilde") << "～" << QByteArray("\x81\x60") << "";
        QTest::newRow("wave dash has no form") << "〜〜" << QByteArray("??") << "〜";
        QTest::newRow("half-width katakana") << "ｱ" << QByteArray("\xb1") << "";
        QTest::newRow("IBM extension kanji") << "髙" << QByteArray("\xfb\xfc") << "";
        QTest::newRow("emoji, one character") << "😀" << QByteArray("?") << "😀";
        QTest::newRow("Hangul") << "a한b" << QByteArray("a?b") << "한";
        QTest::newRow("invisible format characters")
            << QStringLiteral("a\u200Bb\u00ADc\uFEFFd") << QByteArray("a?b?c?d")
            << QStringLiteral("\u200B\u00AD\uFEFF");
        QTest::newRow("lone surrogate")
            << QString(QChar(0xDC00)) << QByteArray("?") << QString(QChar(0xDC00));
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, missing);
        QCOMPARE(cp932::encode(text), bytes);
        QCOMPARE(cp932::unrepresentable(text), missing);
        if (missing.isEmpty())
            QCOMPARE(cp932::decode(bytes), text);
    }

    void decodeUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("byte-order mark skipped") << QByteArray("\xEF\xBB\xBFx") << "x";
        QTest::newRow("only one mark skipped")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF") << QStringLiteral("\uFEFF");
        QTest::newRow("invalid byte") << QByteArray("a\x80") << QStringLiteral("a\uFFFD");
        QTest::newRow("truncated sequence") << QByteArray("\xE3\x81") << QStringLiteral("\uFFFD");
    }
    void decodeUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(cp932::decodeUtf8(bytes), text);
    }

    void isDoubleByte_data() {
        QTest::addColumn<QString>("c");
        QTest::addColumn<bool>("expected");
        QTest::newRow("hiragana") << "あ" << true;
        QTest::newRow("kanji") << "語" << true;
        QTest::newRow("ideographic space") << QStringLiteral("\u3000") << true;
        QTest::newRow("full-width comma") << "，" << true;
        QTest::newRow("right single quote") << "’" << true;
        QTest::newRow("circled one") << "①" << true;
        QTest::newRow("ascii letter") << "A" << false;
        QTest::newRow("space") << " " << false;
        QTest::newRow("half-width katakana") << "ｱ" << false;
        QTest::newRow("no form (wave dash)") << "〜" << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false;
    }
    void isDoubleByte() {
        QFETCH(QString, c);
        QFETCH(bool, expected);
        QCOMPARE(cp932::isDoubleByte(c[0]), expected);
    }

    void isDoubleByteAgreesWithTheEncoder() {
        for (uint u = 0x20; u < 0x10000; u += 7) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const QString s{QChar(char16_t(u))};
            const QByteArray b = cp932::encode(s);
            const bool twoBytes = b.size() == 2;
            QVERIFY2(cp932::isDoubleByte(QChar(char16_t(u))) == twoBytes,
                     qPrintable(QString::number(u, 16)));
        }
    }

    void xorFrameRestoresTheSurface_data() {
        QTest::addColumn<QRect>("corners"); // x1, y1, x2, y2 packed as left/top/right/bottom
        QTest::addColumn<bool>("grey");     // on a grey picture, kept as 8-bit grey
        QTest::newRow("box") << QRect(QPoint(5, 6), QPoint(40, 30)) << false;
        QTest::newRow("reversed corners") << QRect(QPoint(40, 30), QPoint(5, 6)) << false;
        QTest::newRow("single pixel") << QRect(QPoint(9, 9), QPoint(9, 9)) << false;
        QTest::newRow("one row") << QRect(QPoint(3, 7), QPoint(50, 7)) << false;
        QTest::newRow("two rows") << QRect(QPoint(3, 7), QPoint(50, 8)) << false;
        QTest::newRow("three rows") << QRect(QPoint(3, 7), QPoint(50, 9)) << false;
        QTest::newRow("one column") << QRect(QPoint(3, 2), QPoint(3, 20)) << false;
        QTest::newRow("partly outside") << QRect(QPoint(-10, -4), QPoint(200, 30)) << false;
        QTest::newRow("box, grey") << QRect(QPoint(5, 6), QPoint(40, 30)) << true;
        QTest::newRow("partly outside, grey") << QRect(QPoint(-10, -4), QPoint(200, 30)) << true;
    }
    void xorFrameRestoresTheSurface() {
        QFETCH(QRect, corners);
        QFETCH(bool, grey);
        PictureBox box(nullptr, PictureBox::Border::Sunken);
        box.setOuterSize(64, 44);
        QCOMPARE(box.innerWidth(), 60);
        QCOMPARE(box.innerHeight(), 40);
        QImage picture(60, 40, QImage::Format_RGB32);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                picture.setPixel(x, y,
                                 qRgb(x * 4, grey ? x * 4 : y * 6, grey ? x * 4 : (x ^ y) & 0xFF));
        box.setPicture(grey ? picture.convertToFormat(QImage::Format_Grayscale8) : picture);
        QCOMPARE(box.greySurface(), grey);
        const QImage before = box.surface().copy();
        box.setDrawMode(PictureBox::DrawMode::XorPen);
        const int x1 = corners.left(), y1 = corners.top(), x2 = corners.right(),
                  y2 = corners.bottom();
        box.lineBox(x1, y1, x2, y2, QColor(128, 128, 128));
        // Every outline pixel is changed exactly once; everything else is untouched.
        const int l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2),
                  b = std::max(y1, y2);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool onOutline =
                    x >= l && x <= r && y >= t && y <= b && (x == l || x == r || y == t || y == b);
                const QRgb expected =
                    onOutline ? (before.pixel(x, y) ^ 0x808080) : before.pixel(x, y);
                QCOMPARE(box.surface().pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF);
            }
        box.lineBox(x1, y1, x2, y2, QColor(128, 128, 128));
        QCOMPARE(box.surface(), before);
    }

    // A surface started grey shows exactly what a colour one shows after the same drawings, and
    // stays 8-bit grey while everything drawn is grey.
    void greySurfaceShowsWhatColourShows_data() {
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<bool>("staysGrey");
        QTest::newRow("nothing drawn") << QStringList{} << true;
        QTest::newRow("grey fill, grey frame") << QStringList{"fill grey", "frame grey"} << true;
        QTest::newRow("grey picture stretched") << QStringList{"stretch grey"} << true;
        QTest::newRow("grey picture copied") << QStringList{"copy grey"} << true;
        QTest::newRow("grown, grey back colour") << QStringList{"grow"} << true;
        QTest::newRow("coloured fill") << QStringList{"fill grey", "fill red"} << false;
        QTest::newRow("coloured frame") << QStringList{"frame red", "frame grey"} << false;
        QTest::newRow("colour picture stretched") << QStringList{"stretch colour"} << false;
        // A colour picture whose pixels happen to be grey still turns the surface colour.
        QTest::newRow("colour-stored grey copied") << QStringList{"copy greyish"} << false;
        QTest::newRow("grown, coloured back colour") << QStringList{"back red", "grow"} << false;
    }
    void greySurfaceShowsWhatColourShows() {
        QFETCH(QStringList, drawings);
        QFETCH(bool, staysGrey);
        QImage colour(30, 20, QImage::Format_RGB32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                colour.setPixel(x, y, qRgb(x * 8, y * 12, 90));
        const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
        const QImage greyish = grey.convertToFormat(QImage::Format_RGB32);
        PictureBox boxes[2] = {{nullptr, PictureBox::Border::Sunken},
                               {nullptr, PictureBox::Border::Sunken}};
        for (int k = 0; k < 2; ++k) {
            PictureBox& box = boxes[k];
            box.setBackColor(QColor(200, 200, 200));
            box.startSurface(24, 18, QColor(250, 250, 250), k == 0);
            for (const QString& drawing : drawings) {
                box.setDrawMode(drawing.startsWith(QLatin1String("frame"))
                                    ? PictureBox::DrawMode::XorPen
                                    : PictureBox::DrawMode::CopyPen);
                const QColor pen =
                    drawing.endsWith(QLatin1String("red")) ? QColor(Qt::red) : QColor(77, 77, 77);
                if (drawing.startsWith(QLatin1String("fill")))
                    box.fillBox(2, 3, 15, 9, pen);
                else if (drawing.startsWith(QLatin1String("frame")))
                    box.lineBox(1, 1, 12, 10, pen);
                else if (drawing == QLatin1String("stretch grey"))
                    box.stretchCopy(grey, QRect(3, 2, 25, 16), QRect(1, 1, 11, 13));
                else if (drawing == QLatin1String("stretch colour"))
                    box.stretchCopy(colour, QRect(3, 2, 25, 16), QRect(1, 1, 11, 13));
                else if (drawing == QLatin1String("copy grey"))
                    box.copyRegion(grey, {4, 3}, {2, 2}, {40, 40});
                else if (drawing == QLatin1String("copy greyish"))
                    box.copyRegion(greyish, {4, 3}, {2, 2}, {40, 40});
                else if (drawing == QLatin1String("back red"))
                    box.setBackColor(Qt::red);
                else if (drawing == QLatin1String("grow"))
                    box.setOuterSize(34, 30);
            }
        }
        QCOMPARE(boxes[1].greySurface(), false);
        QCOMPARE(boxes[0].greySurface(), staysGrey);
        QCOMPARE(boxes[0].surface().convertToFormat(QImage::Format_RGB32), boxes[1].surface());
    }

    void stretchCopyTakesIntegerSourcePositions() {
        PictureBox box(nullptr, PictureBox::Border::None);
        box.setOuterSize(10, 10);
        QImage src(7, 7, QImage::Format_RGB32);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x)
                src.setPixel(x, y, qRgb(x, y, 0));
        box.fillBox(0, 0, 10, 10, Qt::blue);
        // 7 source columns into 3: dx * 7 / 3 -> 0, 2, 4; from offset 1 the last row leaves
        // the picture and contributes nothing.
        box.stretchCopy(src, QRect(1, 1, 7, 7), QRect(0, 0, 3, 3));
        QCOMPARE(box.surface().pixel(0, 0), qRgb(1, 1, 0));
        QCOMPARE(box.surface().pixel(1, 1), qRgb(3, 3, 0));
        QCOMPARE(box.surface().pixel(2, 0), qRgb(5, 1, 0));
        QCOMPARE(box.surface().pixel(3, 0), QColor(Qt::blue).rgb());
    }

    void textBoxKeepsLineEnds_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("lone CR") << QStringLiteral("line\r");
        QTest::newRow("lone LF") << QStringLiteral("a\nb");
        QTest::newRow("mixed") << QStringLiteral("\r\n\r\rx\n\r\n\n\r");
        QTest::newRow("empty") << QString();
        QTest::newRow("japanese") << QStringLiteral("日本語\r\nテキスト\r");
        QTest::newRow("read back while still loading")
            << QStringLiteral("行\r\n\n\r").repeated(TextBox::kPieceSize);
    }
    void textBoxKeepsLineEnds() {
        QFETCH(QString, text);
        TextBox box(nullptr);
        box.setText(text);
        QCOMPARE(box.text(), text);
        // An edit elsewhere leaves every line end as it was.
        QTextCursor cursor = box.textCursor();
        cursor.movePosition(QTextCursor::Start);
        box.setTextCursor(cursor);
        QTest::keyClicks(&box, QStringLiteral("Z"));
        QCOMPARE(box.text(), QStringLiteral("Z") + text);
        box.moveCaretToEnd();
        QCOMPARE(box.caretPosition(), int(text.size()) + 1);
    }

    void textBoxLoadsLongTextInPieces_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("many lines") << QStringLiteral("日本語の行 12345\r\n").repeated(20000);
        QTest::newRow("line ends of every kind") << QStringLiteral("a\r\nb\rc\nd").repeated(40000);
        QTest::newRow("one paragraph, a surrogate pair on a piece border")
            << QString(TextBox::kPieceSize - 1, u'a') + QStringLiteral("😀") +
                   QString(TextBox::kPieceSize, u'b') + QStringLiteral("\n\r");
    }
    void textBoxLoadsLongTextInPieces() {
        QFETCH(QString, text);
        TextBox box(nullptr);
        box.setText(text);
        QVERIFY(box.isLoading());
        QVERIFY(box.isReadOnly());
        QTRY_VERIFY(!box.isLoading());
        QVERIFY(!box.isReadOnly());
        QCOMPARE(box.text(), text);
        // The pieces are not edits: undo has nothing to take away.
        QVERIFY(!box.document()->isUndoAvailable());
        // A text set while another still loads replaces it; no later piece of the first arrives.
        box.setText(text);
        box.setText(QStringLiteral("short"));
        QVERIFY(!box.isLoading());
        QCoreApplication::processEvents();
        QCOMPARE(box.text(), QStringLiteral("short"));
    }

    void textBoxEnterWritesCrLf() {
        TextBox box(nullptr);
        box.setText(QStringLiteral("ab"));
        box.moveCaretToEnd();
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClicks(&box, QStringLiteral("c"));
        QCOMPARE(box.text(), QStringLiteral("ab\r\nc"));
    }

    void lineTextBoxKeepsLineEnds() {
        LineTextBox box(nullptr);
        QStringList seen;
        connect(&box, &LineTextBox::storedTextChanged, &box, [&](const QString& t) { seen << t; });
        const QString command = QStringLiteral("tesseract a b -l jpn --psm 3 \r\npause");
        box.setText(command);
        QCOMPARE(box.text(), command);
        QCOMPARE(seen, QStringList{command});
        QVERIFY(!box.QLineEdit::text().contains(QLatin1Char('\n')));
    }

    // Copy and cut give the text the box holds, never the marks that show its line ends.
    void copyGivesTheStoredText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("how");
        for (const char* box : {"text", "line"})
            for (const char* how : {"copy", "cut", "menu copy", "menu cut"})
                if (QByteArray(box) == "line" || !QByteArray(how).startsWith("menu"))
                    QTest::addRow("%s box, %s", box, how)
                        << QString::fromLatin1(box) << QString::fromLatin1(how);
        QTest::addRow("text box, drag") << "text"
                                        << "drag";
    }
    void copyGivesTheStoredText() {
        QFETCH(QString, box);
        QFETCH(QString, how);
        const QString text = QStringLiteral("x\ry\r\nz\nw\r");
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        const bool cut = how.endsWith(QStringLiteral("cut"));
        QString left;
        if (box == "text") {
            // What a drag carries, too.
            struct DraggableTextBox : TextBox {
                using TextBox::createMimeDataFromSelection;
                using TextBox::TextBox;
            } edit(nullptr);
            edit.setText(QStringLiteral("<") + text + QStringLiteral(">"));
            // Everything between the angle brackets.
            QTextCursor cursor = edit.textCursor();
            cursor.movePosition(QTextCursor::End);
            cursor.movePosition(QTextCursor::PreviousCharacter);
            cursor.setPosition(1, QTextCursor::KeepAnchor);
            edit.setTextCursor(cursor);
            if (how == "drag") {
                std::unique_ptr<QMimeData> data(edit.createMimeDataFromSelection());
                QCOMPARE(data->text(), text);
                return;
            }
            cut ? edit.cut() : edit.copy();
            left = edit.text();
        } else {
            LineTextBox edit(nullptr);
            edit.setText(QStringLiteral("<") + text + QStringLiteral(">"));
            edit.setSelection(1, int(text.size()));
            QCOMPARE(edit.selectedStoredText(), text);
            if (how.startsWith(QStringLiteral("menu"))) {
                std::unique_ptr<QMenu> menu(edit.createContextMenu());
                const QString name = cut ? QStringLiteral("edit-cut") : QStringLiteral("edit-copy");
                QAction* action = menu->findChild<QAction*>(name);
                QVERIFY(action);
                action->trigger();
            } else {
                QTest::keyClick(&edit, cut ? Qt::Key_X : Qt::Key_C, Qt::ControlModifier);
            }
            left = edit.text();
        }
        QCOMPARE(clipboard->text(), text);
        QCOMPARE(left,
                 cut ? QStringLiteral("<>") : QStringLiteral("<") + text + QStringLiteral(">"));
    }

    // The opener finds a program for a file by its type, as xdg-open does; a web page also
    // opens in a browser found on PATH. Without xdg-open nothing opens.
    void desktopCanOpen_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("programs"); // on PATH
        QTest::addColumn<QString>("declared");     // MimeType= of the one desktop entry
        QTest::addColumn<bool>("opens");
        const QStringList opener{QStringLiteral("xdg-open")};
        QTest::newRow("list file, an editor for text")
            << "listLang.txt" << opener << "text/x-c;text/plain;" << true;
        QTest::newRow("list file, nothing for text")
            << "listLang.txt" << opener << "image/png;" << false;
        QTest::newRow("list file, no opener")
            << "listLang.txt" << QStringList() << "text/plain;" << false;
        QTest::newRow("help page, only an editor")
            << "introtool.htm" << opener << "text/plain;" << false;
        QTest::newRow("help page, a browser's entry")
            << "introtool.htm" << opener << "text/html;x-scheme-handler/http;" << true;
        QTest::newRow("help page, a browser on PATH")
            << "introtool.htm" << QStringList{"xdg-open", "x-www-browser"} << "" << true;
        QTest::newRow("folder, a file manager") << "" << opener << "inode/directory;" << true;
        QTest::newRow("folder, nothing") << "" << opener << "text/plain;" << false;
    }
    void desktopCanOpen() {
        QFETCH(QString, file);
        QFETCH(QStringList, programs);
        QFETCH(QString, declared);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("share/applications"));
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        QDir(dir.path()).mkpath(QStringLiteral("files"));
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(dir.filePath(QStringLiteral("share/applications/tool.desktop")),
              "[Desktop Entry]\nType=Application\nExec=tool %f\nMimeType=" + declared.toLatin1() +
                  "\n");
        for (const QString& program : programs) {
            const QString path = dir.filePath(QStringLiteral("bin/") + program);
            write(path, "#!/bin/sh\n");
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QString target = dir.filePath(QStringLiteral("files/") + file);
        if (!file.isEmpty())
            write(target, "<html></html>\n");
        const char* names[] = {"PATH", "BROWSER"};
        QList<std::optional<QByteArray>> saved;
        for (const char* name : names)
            saved << (qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                      : std::nullopt);
        qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("bin"))));
        qunsetenv("BROWSER");
        const bool result = quillpix::desktopCanOpen(
            file.isEmpty() ? dir.filePath(QStringLiteral("files")) : target,
            {dir.filePath(QStringLiteral("share/applications"))});
        for (int i = 0; i < 2; ++i)
            saved[i] ? qputenv(names[i], *saved[i]) : qunsetenv(names[i]);
        QCOMPARE(result, opens);
    }

    // The question about unsaved text answers by its Japanese buttons; Escape (and closing it)
    // is a cancel.
    void askSaveAnswersByButton_data() {
        QTest::addColumn<QString>("press"); // a button's caption, or "Esc"
        QTest::addColumn<int>("answer");    // SaveAnswer
        QTest::newRow("保存") << "保存" << int(SaveAnswer::Save);
        QTest::newRow("保存しない") << "保存しない" << int(SaveAnswer::Discard);
        QTest::newRow("キャンセル") << "キャンセル" << int(SaveAnswer::Cancel);
        QTest::newRow("Escape") << "Esc" << int(SaveAnswer::Cancel);
    }
    void askSaveAnswersByButton() {
        QFETCH(QString, press);
        QFETCH(int, answer);
        DesktopPlatform platform;
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->windowTitle() + QLatin1Char('|') + box->text();
            if (press == "Esc") {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press)
                    return button->click();
            box->done(-1);
        });
        QCOMPARE(int(platform.askSave(QStringLiteral("保存しますか？"))), answer);
        QCOMPARE(shown, QStringLiteral("Quillpix|保存しますか？"));
    }

    // A question with chosen answers gives the index of the button pressed, in the order given;
    // Enter the first, Escape the last.
    void askChoiceAnswersByButton_data() {
        QTest::addColumn<QString>("press"); // a button's caption, "Esc" or "Enter"
        QTest::addColumn<int>("answer");
        QTest::newRow("the first") << "UTF-8" << 0;
        QTest::newRow("the middle") << "?" << 1;
        QTest::newRow("the last") << "キャンセル" << 2;
        QTest::newRow("Enter") << "Enter" << 0;
        QTest::newRow("Escape") << "Esc" << 2;
    }
    void askChoiceAnswersByButton() {
        QFETCH(QString, press);
        QFETCH(int, answer);
        DesktopPlatform platform;
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            if (press == "Esc" || press == "Enter") {
                QTest::keyClick(box, press == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press)
                    return button->click();
            box->done(-1);
        });
        const QStringList answers{QStringLiteral("UTF-8"), QStringLiteral("?"),
                                  QStringLiteral("キャンセル")};
        QCOMPARE(platform.askChoice(QStringLiteral("どうしますか？"), answers), answer);
        captions.sort();
        QStringList sorted = answers;
        sorted.sort();
        QCOMPARE(captions, sorted);
    }

    void scrollBarKeepsItsMinimumAtZero() {
        ScrollBar bar(Qt::Horizontal, nullptr);
        bar.setLogicalMaximum(-325);
        QCOMPARE(bar.logicalMaximum(), -325);
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), 0);
        bar.setLogicalMaximum(175);
        QCOMPARE(bar.maximum(), 175);
    }

    // The window's one run state: a run marks it from its start to its end, however it ends,
    // and whoever asks meanwhile is told its busy message.
    // The window shows the wait pointer while a run is under way, and the default pointer once
    // the last run has ended.
    void runStateMarksARun_data() {
        QTest::addColumn<QString>("run");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("started");
        QTest::newRow("no run") << "none" << false << 0;
        QTest::newRow("a run under way") << "open" << true << 1;
        QTest::newRow("a run ended") << "ended" << false << 1;
        QTest::newRow("a run ended by a failure") << "failed" << false << 1;
        QTest::newRow("a run ended inside another") << "nested" << true << 1;
        QTest::newRow("a run that said its wait is over") << "waited" << true << 1;
    }
    void runStateMarksARun() {
        QFETCH(QString, run);
        QFETCH(bool, refused);
        QFETCH(int, started);
        RunState state;
        testing::RecordingPlatform platform;
        int starts = 0;
        connect(&state, &RunState::started, this, [&] { ++starts; });
        QWidget window;
        std::optional<RunState::Run> open;
        if (run != "none" && run != "failed")
            open.emplace(state, &window);
        if (run == "nested")
            RunState::Run inner(state, &window);
        if (run == "ended")
            open.reset();
        if (run == "waited")
            open->waitingEnds();
        if (run == "failed") {
            try {
                const RunState::Run failing(state, &window);
                throw Failure(QStringLiteral("止まった"));
            } catch (const Failure&) {
            }
        }
        QCOMPARE(window.cursor().shape() == Qt::WaitCursor, refused && run != "waited");
        QCOMPARE(state.running(), refused);
        QCOMPARE(state.refuse(platform, QStringLiteral("実行中")), refused);
        QCOMPARE(platform.messages,
                 refused ? QStringList{QStringLiteral("実行中")} : QStringList{});
        QCOMPARE(starts, started);
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
