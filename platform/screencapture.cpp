#include "screencapture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix::capture {

GrabMethod grabMethodFor(const QString& platformName, bool waylandSession) {
    if (platformName == QLatin1String("wayland") ||
        (waylandSession && platformName == QLatin1String("xcb")))
        return GrabMethod::Portal;
    if (platformName == QLatin1String("xcb"))
        return GrabMethod::Qt;
    return GrabMethod::None;
}

QRect regionInPicture(QPoint pressed, QPoint released, QSize widgetSize, QSize pictureSize) {
    if (widgetSize.isEmpty() || pictureSize.isEmpty())
        return {};
    // Widget pixels to picture pixels: a scaled screen (or a portal picture at the monitor's
    // own resolution) is larger than the widget laid over it.
    const auto toPicture = [&](QPoint p) {
        return QPoint(int(qint64(p.x()) * pictureSize.width() / widgetSize.width()),
                      int(qint64(p.y()) * pictureSize.height() / widgetSize.height()));
    };
    const QPoint a = toPicture(pressed), b = toPicture(released);
    const QRect dragged(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                        QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
    const QRect region = dragged.intersected(QRect(QPoint(0, 0), pictureSize));
    if (region.width() < kMinimumSide || region.height() < kMinimumSide)
        return {};
    return region;
}

QString noGrabMessage(const QString& platformName) {
    return QCoreApplication::translate(
               "platform", "この画面では、画面の一部を読み取れません。\n"
                           "X11 のデスクトップか、スクリーンショットのポータル "
                           "(xdg-desktop-portal) がある Wayland のデスクトップで使ってください。\n"
                           "(Qt のプラットフォーム: %1)")
        .arg(platformName);
}

QImage takePortalPicture(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
        return {};
    // The name's bytes as the portal wrote them: a folder name need not be UTF-8.
    const QByteArray name =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!name.startsWith('/'))
        return {};
    // Opened once and looked at through the descriptor, so what is read is the file that was
    // checked, and removed only while the name still leads to it; a FIFO there does not hold
    // the window.
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    const QImage picture = QImage::fromData(file.readAll());
    file.close();
    struct stat now {};
    if (!picture.isNull() && ::lstat(name.constData(), &now) == 0 && now.st_dev == st.st_dev &&
        now.st_ino == st.st_ino)
        ::unlink(name.constData());
    return picture;
}

namespace {

Frozen grabWithQt() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return {{}, noGrabMessage(QGuiApplication::platformName())};
    QRect all;
    for (const QScreen* screen : screens)
        all |= screen->geometry();
    // Every monitor at its place on one picture of the whole desktop, in logical pixels.
    QImage picture(all.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    for (QScreen* screen : screens) {
        const QPixmap shot = screen->grabWindow(0);
        if (shot.isNull())
            return {{}, QCoreApplication::translate("platform", "画面を読み取れませんでした。")};
        painter.drawPixmap(
            QRect(screen->geometry().topLeft() - all.topLeft(), screen->geometry().size()), shot);
    }
    painter.end();
    return {picture, {}};
}

// Receives the portal's answer to one request.
class PortalAnswer : public QObject {
    Q_OBJECT
public:
    uint response = 2;
    QVariantMap results;
    bool answered = false;
public Q_SLOTS:
    void take(uint code, const QVariantMap& values) {
        response = code;
        results = values;
        answered = true;
        emit done();
    }
Q_SIGNALS:
    void done();
};

Frozen grabWithPortal() {
    const QString unavailable = QCoreApplication::translate(
        "platform", "Wayland のデスクトップでは、スクリーンショットのポータル "
                    "(org.freedesktop.portal.Screenshot) を通して画面を読み取ります。\n"
                    "このデスクトップではポータルを使えません: %1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {{},
                unavailable.arg(QCoreApplication::translate(
                    "platform", "D-Bus のセッションバスがありません。"))};
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString token = QStringLiteral("quillpix%1").arg(QRandomGenerator::global()->generate());
    // The request's path is known before the call, so its answer cannot come before the
    // connection that waits for it.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    PortalAnswer answer;
    bus.connect(service, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), &answer, SLOT(take(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const QDBusReply<QDBusObjectPath> reply = bus.call(call);
    if (!reply.isValid()) {
        bus.disconnect(service, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                       QStringLiteral("Response"), &answer, SLOT(take(uint, QVariantMap)));
        return {{}, unavailable.arg(reply.error().message())};
    }
    if (reply.value().path() != requestPath) {
        // An older portal chose its own path.
        bus.disconnect(service, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                       QStringLiteral("Response"), &answer, SLOT(take(uint, QVariantMap)));
        bus.connect(service, reply.value().path(), QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), &answer, SLOT(take(uint, QVariantMap)));
    }
    // The desktop may ask the user first; the window keeps its events meanwhile.
    if (!answer.answered) {
        QEventLoop loop;
        QObject::connect(&answer, &PortalAnswer::done, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!answer.answered)
        return {{},
                unavailable.arg(
                    QCoreApplication::translate("platform", "ポータルが答えませんでした。"))};
    if (answer.response == 1)
        return {};
    const QImage picture =
        answer.response == 0
            ? takePortalPicture(answer.results.value(QStringLiteral("uri")).toString())
            : QImage();
    if (picture.isNull())
        return {{},
                unavailable.arg(QCoreApplication::translate(
                    "platform", "スクリーンショットを受け取れませんでした。"))};
    return {picture.convertToFormat(QImage::Format_RGB32), {}};
}

// The frozen screen over the whole desktop; the drag shows its rectangle bright on the dimmed
// picture.
class RegionOverlay : public QWidget {
public:
    explicit RegionOverlay(const QImage& frozen)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_frozen(frozen) {
        // On X11 the overlay covers every monitor exactly, above panels and without the window
        // manager's frame; a Wayland compositor places windows itself, so there it is shown
        // full-screen.
        m_fullScreen = QGuiApplication::platformName() == QLatin1String("wayland");
        if (!m_fullScreen)
            setWindowFlag(Qt::BypassWindowManagerHint);
        setWindowTitle(QCoreApplication::translate("platform", "Quillpix 画面から読む"));
        setObjectName(QStringLiteral("regionOverlay"));
        setCursor(Qt::CrossCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
        QRect all;
        for (const QScreen* screen : QGuiApplication::screens())
            all |= screen->geometry();
        setGeometry(all);
    }

    std::optional<QRect> run() {
        if (m_fullScreen)
            showFullScreen();
        else
            show();
        raise();
        activateWindow();
        grabKeyboard();
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
        releaseKeyboard();
        hide();
        return m_chosen;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), m_frozen);
        painter.fillRect(rect(), QColor(0, 0, 0, 90));
        if (m_dragging) {
            const QRect band = QRect(m_pressed, m_current).normalized();
            painter.drawImage(band, m_frozen, scaledToPicture(band));
            painter.setPen(QPen(QColor(255, 120, 0), 1));
            painter.drawRect(band.adjusted(0, 0, -1, -1));
        }
        drawHint(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        m_dragging = true;
        m_pressed = m_current = event->position().toPoint();
        update();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!m_dragging)
            return;
        m_current = event->position().toPoint();
        update();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!m_dragging || event->button() != Qt::LeftButton)
            return;
        const QRect region =
            regionInPicture(m_pressed, event->position().toPoint(), size(), m_frozen.size());
        if (!region.isEmpty())
            m_chosen = region;
        finish();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape)
            finish();
    }
    void closeEvent(QCloseEvent*) override { finish(); }

private:
    // What to do, on a dark plate at the top of the primary screen, out of the way of a drag
    // that starts there: the plate moves to the bottom while the band reaches into it.
    void drawHint(QPainter& painter) const {
        QFont font = painter.font();
        font.setPointSizeF(12);
        painter.setFont(font);
        const QString text = overlayHint();
        const QRect textRect = painter.fontMetrics().boundingRect(text);
        const QRect screen =
            QGuiApplication::primaryScreen()
                ? QGuiApplication::primaryScreen()->geometry().translated(-geometry().topLeft())
                : rect();
        QRect plate(0, 0, textRect.width() + 32, textRect.height() + 16);
        plate.moveCenter(QPoint(screen.center().x(), screen.top() + 24 + plate.height() / 2));
        if (m_dragging && QRect(m_pressed, m_current).normalized().intersects(plate))
            plate.moveBottom(screen.bottom() - 24);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 170));
        painter.drawRoundedRect(plate, 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(plate, Qt::AlignCenter, text);
    }

    QRect scaledToPicture(const QRect& band) const {
        const double sx = double(m_frozen.width()) / width();
        const double sy = double(m_frozen.height()) / height();
        return QRect(int(band.x() * sx), int(band.y() * sy), int(band.width() * sx),
                     int(band.height() * sy));
    }
    void finish() {
        m_dragging = false;
        if (m_loop)
            m_loop->quit();
    }

    QImage m_frozen;
    QPoint m_pressed;
    QPoint m_current;
    bool m_dragging = false;
    bool m_fullScreen = false;
    std::optional<QRect> m_chosen;
    QEventLoop* m_loop = nullptr;
};

} // namespace

Frozen freezeScreen(GrabMethod method) {
    switch (method) {
    case GrabMethod::Qt:
        return grabWithQt();
    case GrabMethod::Portal:
        return grabWithPortal();
    case GrabMethod::None:
        break;
    }
    return {{}, noGrabMessage(QGuiApplication::platformName())};
}

QString overlayHint() {
    return QCoreApplication::translate("platform", "ドラッグで範囲を選択 / Esc で取消");
}

std::optional<QRect> chooseRegion(const QImage& frozen) {
    RegionOverlay overlay(frozen);
    return overlay.run();
}

} // namespace quillpix::capture

#include "screencapture.moc"
