#include "reader/dumpwait.h"
#include "app/form1.h"
#include "ui_form1.h"

DumpWait::DumpWait(Form1 &form)
    : m_form(form)
{
    m_stall.setSingleShot(true);
    connect(&m_stall, &QTimer::timeout, this, &DumpWait::onStall);
    m_showLater.setSingleShot(true);
    connect(&m_showLater, &QTimer::timeout, this, &DumpWait::showPendingCount);
}

void DumpWait::start()
{
    Ui::Form1 &u = m_form.ui();
    m_waiting = true;
    m_lastCount = 0;
    m_sinceActivity.start();
    m_stall.start(m_form.timing().readOutFirstByteMs);
    m_sinceShown.invalidate();
    m_showLater.stop();
    u.ProgressBar1->setMaximum(ProgressMaximum);
    u.ProgressBar1->setValue(0);
    u.Text3->clear();
}

void DumpWait::stop()
{
    m_waiting = false;
    m_stall.stop();
    m_showLater.stop();
}

void DumpWait::progress(qint64 waiting)
{
    if (!m_waiting)
        return;
    if (waiting > m_lastCount) {
        // From the first byte on the limit is the pause; the timer itself is
        // re-armed only when it fires, not for every piece of the dump.
        if (m_lastCount == 0)
            m_stall.start(m_form.timing().readOutPauseMs);
        m_lastCount = waiting;
        m_sinceActivity.start();
    }
    showCount(waiting);
}

void DumpWait::showCount(qint64 waiting)
{
    m_pendingCount = waiting;
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= ShowIntervalMs) {
        showPendingCount();
        return;
    }
    if (!m_showLater.isActive())
        m_showLater.start(int(ShowIntervalMs - m_sinceShown.elapsed()));
}

void DumpWait::showPendingCount()
{
    m_showLater.stop();
    if (!m_waiting)
        return;
    Ui::Form1 &u = m_form.ui();
    u.Text3->setText(QString::number(m_pendingCount));
    // A count past the bar's end (a long dump) leaves the bar full.
    u.ProgressBar1->setValue(int(qMin<qint64>(m_pendingCount, u.ProgressBar1->maximum())));
    m_sinceShown.start();
}

void DumpWait::onStall()
{
    // An ended program abandons what runs, without a word.
    if (!m_waiting || m_form.ended())
        return;
    const int limit = m_lastCount == 0 ? m_form.timing().readOutFirstByteMs : m_form.timing().readOutPauseMs;
    const qint64 left = limit - m_sinceActivity.elapsed();
    if (left > 0) {
        m_stall.start(int(left));
        return;
    }
    stop();
    emit stalled();
}
