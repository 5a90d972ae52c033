#include "readlimits.h"

#include "failure.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QList>

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace quillpix::pictures {

void refuseTooLarge(const QString& where, QSize size, QSize largest, const QString& how) {
    throw Failure(QCoreApplication::translate(
                      "pictures", "画像が大きすぎて表示できません。\n%1\n"
                                  "この画像は%2幅 %3、高さ %4 ピクセルです。表示できるのは幅 %5、"
                                  "高さ %6 ピクセルまでです。")
                      .arg(where, how)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(largest.width())
                      .arg(largest.height()));
}

void checkMemory(const QString& where, QSize size, int bytesPerPixel, qint64 ceiling) {
    const qint64 needed = qint64(size.width()) * size.height() * std::max(4, bytesPerPixel);
    if (needed > ceiling)
        throw Failure(QCoreApplication::translate(
                          "pictures", "画像が大きすぎてメモリに読み込めません。\n%1\n"
                                      "幅 %2、高さ %3 ピクセルで約 %4 MB になります。いまこの"
                                      "コンピュータで読み込めるのは %5 MB までです。")
                          .arg(where)
                          .arg(size.width())
                          .arg(size.height())
                          .arg(needed >> 20)
                          .arg(ceiling >> 20));
}

std::optional<qint64> availableMemory(const QByteArray& meminfo) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> words = line.mid(13).simplified().split(' ');
        bool ok = false;
        const qint64 amount = words.value(0).toLongLong(&ok);
        if (!ok || amount < 0)
            return std::nullopt;
        const QByteArray unit = words.value(1).toLower();
        if (unit == "kb")
            return amount * 1024;
        if (unit.isEmpty() || unit == "b")
            return amount;
        return std::nullopt;
    }
    return std::nullopt;
}

qint64 memoryCeilingFor(std::optional<qint64> available) {
    if (!available)
        return qint64(768) << 20;
    const qint64 reserve = qint64(256) << 20;
    return std::max<qint64>(0, *available - reserve) / 2;
}

qint64 memoryCeiling() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    std::optional<qint64> available;
    if (meminfo.open(QIODevice::ReadOnly))
        available = availableMemory(meminfo.readAll());
    return memoryCeilingFor(available);
}

void setUpImageReaders() {
    const qint64 physical = qint64(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
    const qint64 mb = physical > 0 ? physical >> 20 : 0;
    // 0 lifts the limit; the size checks before each read are what refuse a picture.
    QImageReader::setAllocationLimit(int(std::clamp<qint64>(mb, 0, INT_MAX)));
}

} // namespace quillpix::pictures
