#include "reader/erase.h"
#include "app/form1.h"
#include "reader/protocol.h"
#include "reader/readerlink.h"
#include "ui_form1.h"

Erase::Erase(Form1 &form)
    : m_form(form)
{
    ReaderLink &link = form.reader();
    connect(&link.timer3(), &QTimer::timeout, this, &Erase::onTimer3);
    connect(&link, &ReaderLink::idleBlocksReceived, this, &Erase::onIdleBlocks);
    connect(&link, &ReaderLink::exchangeAborted, this, &Erase::onLinkBroken);
}

bool Erase::waiting() const
{
    return m_form.reader().timer3().isActive();
}

void Erase::command17Clicked()
{
    Ui::Form1 &u = m_form.ui();
    m_form.torles();
    if (m_acceptedPassword != password()) {
        u.Text8->show();
        u.Command17->setEnabled(false);
        u.Text8->setFocus();
        return;
    }
    startErase();
}

bool Erase::text8KeyPressed(int key)
{
    Ui::Form1 &u = m_form.ui();
    if (key == Qt::Key_Escape) {
        u.Text8->hide();
        u.Command17->setEnabled(true);
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;

    u.Command17->setEnabled(true);
    const QString typed = u.Text8->text();
    u.Text8->clear();
    u.Text8->hide();
    if (typed == password()) {
        m_acceptedPassword = typed;
        startErase();
    } else {
        m_form.ask(QStringLiteral("Hibás jelszó!"));
    }
    return true;
}

void Erase::startErase()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    ReaderLink &reader = m_form.reader();

    u.Text1->clear();
    m_form.setSideListsEnabled(false);
    // A new erase may start while one still counts; any other exchange refuses it.
    if (m_form.refuseDuringExchange(Form1::Exchange::Erase))
        return;
    m_form.hideCopyView();

    if (!reader.isOpen()) {
        m_form.ask(ReaderLink::noPortMessage());
        if (!waiting())
            m_form.setSideListsEnabled(true);
        return;
    }
    if (m_form.ask(QStringLiteral("Ha folytatja, kitörlődnek a kártya leolvasóban engedélyezett kártyák!"),
                   Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok) {
        // An erase still counting keeps the lists until it ends.
        if (!waiting())
            m_form.setSideListsEnabled(true);
        return;
    }
    // The questions ran event loops: another exchange may have started.
    if (m_form.refuseDuringExchange(Form1::Exchange::Erase))
        return;

    s.requestBytes = protocol::eraseRequestBytes(quint8(s.requestLeadByte));
    reader.tavi();
    if (!reader.adas()) {
        m_form.logExchange(Form1::Exchange::Erase, QString(), history::Log::Result::PortLost);
        reader.timer3().stop();
        u.ProgressBar1->setValue(0);
        m_form.setSideListsEnabled(true);
        m_form.ask(ReaderLink::noPortMessage());
        return;
    }
    reader.setErasePending(true);
    u.ProgressBar1->setMaximum(ProgressMaximum);
    u.ProgressBar1->setValue(0);
    m_eraseTicks = 0;
    reader.timer3().start();
    reader.timer2().start();
}

void Erase::onTimer3()
{
    Ui::Form1 &u = m_form.ui();
    ++m_eraseTicks;
    // The bar lags the count by one tick: the give-up comes on tick 302.
    if (u.ProgressBar1->value() > GiveUpAbove) {
        // Stopped before the message: its event loop must not tick again.
        m_form.reader().timer3().stop();
        m_form.logExchange(Form1::Exchange::Erase, QString(), history::Log::Result::TimedOut);
        u.ProgressBar1->setValue(0);
        m_form.setSideListsEnabled(true);
        m_form.ask(QStringLiteral("A kódmemória törlés nem sikerült. Ismételje meg!"));
        return;
    }
    u.ProgressBar1->setValue(m_eraseTicks);
}

void Erase::onIdleBlocks(const QByteArray &blocks)
{
    ReaderLink &reader = m_form.reader();
    // Only the reply to an erase that was sent and not yet confirmed counts;
    // anything else on an idle line is dropped without a word.
    if (!reader.erasePending() || !protocol::isEraseConfirmed(blocks))
        return;
    reader.setErasePending(false);
    reader.timer3().stop();
    reader.timer2().stop();
    m_form.logExchange(Form1::Exchange::Erase, QString(), history::Log::Result::Done);
    Ui::Form1 &u = m_form.ui();
    u.ProgressBar1->setValue(0);
    m_form.setSideListsEnabled(true);
    m_form.ask(QStringLiteral("A kódmemória törlés kész."));
}

void Erase::onLinkBroken(QStringList *notes)
{
    if (!waiting())
        return;
    m_form.reader().timer3().stop();
    m_form.logExchange(Form1::Exchange::Erase, QString(), history::Log::Result::PortLost);
    m_form.ui().ProgressBar1->setValue(0);
    m_form.setSideListsEnabled(true);
    notes->append(QStringLiteral("A kódmemória törlés nem sikerült. Ismételje meg!"));
}
