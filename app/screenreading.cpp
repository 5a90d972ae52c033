#include "screenreading.h"

#include "platform.h"
#include "recognitionhandler.h"
#include "runstate.h"
#include "waysinhandler.h"

#include <QCoreApplication>

namespace quillpix {

QString clipboardText(const QString& boxText) {
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString copiedNotice() {
    return QCoreApplication::translate("app", "読み取った文字をクリップボードにコピーしました。");
}

QString nothingReadNotice() {
    return QCoreApplication::translate(
        "app", "文字を読み取れませんでした。クリップボードはそのままです。");
}

void readScreenRegion(Platform& platform, const RunState& runState, WaysInHandler& waysIn,
                      RecognitionHandler& recognition) {
    if (runState.refuse(platform, RecognitionHandler::busyMessage()) || !waysIn.mayTakeIn())
        return;
    const ScreenRegion region = platform.captureScreenRegion();
    if (!region.problem.isEmpty()) {
        platform.showMessage(region.problem);
        return;
    }
    if (region.picture.isNull())
        return;
    if (waysIn.takeInPicture(region.picture, QStringLiteral("screen")).isEmpty())
        return;
    const std::optional<QString> text = recognition.readPicture(region.picture);
    if (!text)
        return;
    const QString copied = clipboardText(*text);
    // A region without text leaves what the user had on the clipboard.
    if (copied.trimmed().isEmpty()) {
        platform.showNotice(nothingReadNotice());
        return;
    }
    platform.copyText(copied);
    platform.showNotice(copiedNotice());
}

} // namespace quillpix
