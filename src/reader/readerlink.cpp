#include "reader/readerlink.h"
#include "app/form1.h"

ReaderLink::ReaderLink(Form1 &form)
    : m_form(form)
{
    m_timer1.setInterval(form.timing().timer1Ms);
    m_timer2.setInterval(form.timing().timer2Ms);
    m_timer3.setInterval(form.timing().timer3Ms);
}

ReaderLink::~ReaderLink() = default;

void ReaderLink::attach(std::unique_ptr<SerialLink> link)
{
    detach();
    m_link = std::move(link);
    if (!m_link)
        return;
    connect(m_link.get(), &SerialLink::failed, this, [this](const QString &reason) {
        emit linkFailed(reason);
    });
}

void ReaderLink::detach()
{
    if (!m_link)
        return;
    m_link->disconnect(this);
    m_link->close();
    // The link may be inside one of its own signals; let it go afterwards.
    m_link.release()->deleteLater();
}

void ReaderLink::tavi()
{
    WindowState &s = m_form.state();
    s.requestFrame = protocol::tavi(s.requestBytes);
}

bool ReaderLink::adas()
{
    if (!isOpen())
        return false;
    m_link->discardInput();
    return m_link->write(m_form.state().requestFrame);
}
