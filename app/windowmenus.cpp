#include "windowmenus.h"

#include "controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

namespace quillpix {
WindowMenus::WindowMenus(QMenuBar* bar, QWidget* window, Controls& c, std::function<void()> about)
    : QObject(bar), m_bar(bar), m_window(window), m_c(c) {
    // In the window, also where a desktop offers a menu bar of its own: the controls below it
    // stand where the window's layout puts them.
    bar->setNativeMenuBar(false);

    QMenu* file = menu("mnuFile", tr("ファイル(&F)"));
    addOwn(file, "actOpenFile");
    addOwn(file, "actOpenFolder");
    addOwn(file, "actPaste");
    addOwn(file, "actCapture");
    addOwn(file, "actScan");
    file->addSeparator();
    addOwn(file, "actReadFolder");
    addOwn(file, "actMakeBook");
    addOwn(file, "actMakePdf");
    file->addSeparator();
    addPress(file, "mnuSave", tr("保存"), c.cmdSaveText, QKeySequence(Qt::CTRL | Qt::Key_S));
    addOwn(file, "actSaveAs");
    addOwn(file, "actSaveUtf8");
    addPress(file, "mnuOpenResult", tr("認識結果をエディタで開く"), c.cmdOpenTextFile);
    addPress(file, "mnuOpenTmpTxt", tr("tmp.txt をエディタで開く"), c.cmdOpenTmpTxt);
    addPress(file, "mnuExplorer", tr("フォルダをファイルマネージャで開く"), c.cmdExplorer);
    addPress(file, "mnuPaint", tr("画像をペイントで開く"), c.cmdPaint);
    file->addSeparator();
    addPress(file, "mnuEnd", tr("終了"), c.cmdEnd, QKeySequence(Qt::CTRL | Qt::Key_Q), false);

    QMenu* edit = menu("mnuEdit", tr("編集(&E)"));
    addPress(edit, "mnuUndo", tr("元に戻す"), c.cmdUndo);
    addPress(edit, "mnuClear", tr("クリア"), c.cmdClear);
    addOwn(edit, "actJoinParagraphs");
    addOwn(edit, "actKeepLatinSpaces");
    edit->addSeparator();
    addOwn(edit, "actSelectWhole");
    addOwn(edit, "actReadWhole");
    addPress(edit, "mnuRecognize", tr("コマンドを作成して実行"), c.cmdRecognize,
             QKeySequence(Qt::CTRL | Qt::Key_Return));
    addPress(edit, "mnuDirect", tr("コマンドを実行"), c.cmdDirect);
    addOwn(edit, "actStopRun");
    edit->addSeparator();
    addOwn(edit, "actNextMark");
    addOwn(edit, "actPreviousMark");
    addOwn(edit, "actAcceptMark");
    edit->addSeparator();
    const char* listNames[] = {"mnuEditOption", "mnuEditPSMode", "mnuEditLang"};
    const QString listCaptions[] = {tr("他のオプションの一覧を編集"), tr("PSM の一覧を編集"),
                                    tr("言語の一覧を編集")};
    for (int i : {2, 1, 0})
        addPress(edit, listNames[i], listCaptions[i], c.cmdEditLst[size_t(i)]);

    QMenu* view = menu("mnuView", tr("表示(&V)"));
    // The zoom steps are the zoom list's rows; Ctrl+1 to Ctrl+5 choose them.
    for (int row = 0; row < c.lstZoom->count(); ++row) {
        const QString name = QStringLiteral("mnuZoom_%1").arg(row);
        addDoing(
            view, name.toLatin1().constData(), c.lstZoom->item(row)->text(),
            [list = c.lstZoom, row] { list->setCurrentRow(row); },
            QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + row)), false);
    }
    view->addSeparator();
    for (size_t i = 0; i < c.optFSize.size(); ++i) {
        const QString name = QStringLiteral("mnuFontSize_%1").arg(i);
        addPress(view, name.toLatin1().constData(),
                 tr("文字の大きさ %1").arg(c.optFSize[i]->text()), c.optFSize[i]);
    }
    view->addSeparator();
    addPress(view, "mnuRefreshFiles", tr("一覧更新"), c.cmdRefresh[size_t(RefreshButton::Files)],
             QKeySequence(Qt::Key_F5));

    QMenu* help = menu("mnuHelp", tr("ヘルプ(&H)"));
    addPress(help, "mnuHelpPage", tr("ヘルプ"), c.cmdHelp, QKeySequence(Qt::Key_F1));
    addDoing(help, "mnuAbout", tr("バージョン情報"), std::move(about));
}

QMenu* WindowMenus::menu(const char* name, const QString& title) {
    QMenu* m = m_bar->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    return m;
}

void WindowMenus::addOwn(QMenu* menu, const char* actionName) {
    if (auto* action = m_window->findChild<QAction*>(QString::fromLatin1(actionName)))
        menu->addAction(action);
}

QAction* WindowMenus::addPress(QMenu* menu, const char* name, const QString& caption,
                               QAbstractButton* button, const QKeySequence& key, bool shared) {
    QAction* action = addDoing(
        menu, name, caption,
        [button] {
            if (button->isEnabled())
                button->click();
        },
        key, shared);
    // A radio button's entry shows which one is chosen.
    action->setCheckable(button->isCheckable());
    connect(menu, &QMenu::aboutToShow, action, [action, button] {
        action->setEnabled(button->isEnabled());
        if (action->isCheckable())
            action->setChecked(button->isChecked());
    });
    return action;
}

QAction* WindowMenus::addDoing(QMenu* menu, const char* name, const QString& caption,
                               std::function<void()> doing, const QKeySequence& key, bool shared) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    // A key some feature already answers is only shown here: two owners of one key would
    // leave it answered by neither.
    action->setShortcutContext(shared ? Qt::WidgetShortcut : Qt::WindowShortcut);
    if (!shared)
        m_window->addAction(action);
    connect(action, &QAction::triggered, this, [doing = std::move(doing)] { doing(); });
    menu->addAction(action);
    return action;
}

} // namespace quillpix
