#include "sounds.h"

#include "platform.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <exception>

namespace quillpix {

void playWav(Platform& platform, const QString& parentFolder, const QString& name) {
    const QString path = parentFolder + QStringLiteral("/wav/") + name;
    if (!QFileInfo(path).isFile()) {
        platform.showMessage(
            QCoreApplication::translate("platform", "wavファイルがwavディレクトリにありません"));
        return;
    }
    try {
        platform.playSound(path);
    } catch (const std::exception& error) {
        platform.showMessage(QString::fromUtf8(error.what()));
    }
}

} // namespace quillpix
