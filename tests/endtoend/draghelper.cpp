// A small window from which the end-to-end test drags files onto the program, as a file
// manager would: "draghelper X Y FILE..." shows a 120 × 120 window at (X, Y); a mouse press on
// it starts an XDND drag of the files' URLs, and when the drag ends the helper prints what the
// target did ("copied", "ignored", …) and quits. "draghelper --show X Y PICTURE" shows the
// picture at (X, Y), unscaled, in a window titled "shownpicture", for a screen to read, and
// prints "shown" once it is on the screen.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

class DragSource : public QWidget {
public:
    explicit DragSource(const QList<QUrl>& urls) : m_urls(urls) {
        setWindowTitle(QStringLiteral("draghelper"));
        setWindowFlag(Qt::BypassWindowManagerHint);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction);
        std::printf("%s\n", action == Qt::IgnoreAction ? "ignored" : "copied");
        std::fflush(stdout);
        QApplication::quit();
    }

private:
    QList<QUrl> m_urls;
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 5 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--show")) {
        const QPixmap picture(QString::fromLocal8Bit(argv[4]));
        if (picture.isNull())
            return 2;
        QLabel shown;
        shown.setWindowTitle(QStringLiteral("shownpicture"));
        shown.setWindowFlag(Qt::BypassWindowManagerHint);
        shown.setPixmap(picture);
        shown.setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), picture.width(),
                          picture.height());
        shown.show();
        // Told once the picture is on the screen, so the test need not search for the window.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &shown, [&] {
            if (shown.windowHandle() && shown.windowHandle()->isExposed()) {
                poll.stop();
                std::printf("shown\n");
                std::fflush(stdout);
            }
        });
        poll.start(50);
        return app.exec();
    }
    if (argc < 4)
        return 2;
    QList<QUrl> urls;
    for (int i = 3; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    DragSource source(urls);
    source.setGeometry(std::atoi(argv[1]), std::atoi(argv[2]), 120, 120);
    source.show();
    return app.exec();
}
