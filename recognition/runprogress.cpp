#include "runprogress.h"

#include "runstate.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace quillpix::recognition {
namespace {

// A run shorter than this needs no telling; then the share is read this often.
constexpr int kShownAfterMs = 1000;
constexpr int kRefreshMs = 100;

} // namespace

RunProgress::RunProgress(RunState& runState, QWidget* window)
    : QObject(window), m_runState(runState), m_window(window), m_label(new QLabel(window)),
      m_delay(new QTimer(this)), m_refresh(new QTimer(this)) {
    m_label->setObjectName(QStringLiteral("lblProgress"));
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->setAutoFillBackground(true);
    m_label->setFrameShape(QFrame::StyledPanel);
    m_label->setMargin(4);
    m_label->hide();
    m_delay->setSingleShot(true);
    m_delay->setInterval(kShownAfterMs);
    m_refresh->setInterval(kRefreshMs);
    connect(m_delay, &QTimer::timeout, this, &RunProgress::show);
    connect(m_refresh, &QTimer::timeout, this, &RunProgress::update);
    connect(&m_runState, &RunState::started, m_delay, qOverload<>(&QTimer::start));
    connect(&m_runState, &RunState::ended, this, &RunProgress::hide);
}

QString RunProgress::text(int percent) {
    const QString stop = QCoreApplication::translate("recognition", "Esc で中止");
    return percent < 0 ? QCoreApplication::translate("recognition", "読み取り中…（%1）").arg(stop)
                       : QCoreApplication::translate("recognition", "読み取り中… %1 %（%2）")
                             .arg(percent)
                             .arg(stop);
}

int RunProgress::ofRun(size_t part, size_t parts, int percent) {
    if (parts == 0)
        return 0;
    return int((std::min(part, parts - 1) * 100 + size_t(std::clamp(percent, 0, 100))) / parts);
}

void RunProgress::show() {
    if (!m_runState.running())
        return;
    update();
    m_label->show();
    m_label->raise();
    m_refresh->start();
}

void RunProgress::update() {
    m_label->setText(text(m_runState.progress()));
    m_label->adjustSize();
    // At the foot of the window, where it covers no text being read or written.
    m_label->move(4, m_window->height() - m_label->height() - 4);
}

void RunProgress::hide() {
    m_delay->stop();
    m_refresh->stop();
    m_label->hide();
}

} // namespace quillpix::recognition
