#include "scripteddialogs.h"

bool ScriptedDialogs::take(Kind kind, Reply &reply, const QString &what)
{
    if (m_answers.isEmpty() || m_answers.first().kind != kind) {
        m_unexpected << what;
        return false;
    }
    reply = m_answers.takeFirst();
    return true;
}

Dialogs::Answer ScriptedDialogs::message(const QString &title, const QString &text, Buttons buttons,
                                         Answer defaultButton)
{
    m_shown << Shown{Kind::Message, title, text, buttons, QString(), defaultButton};
    if (onShown)
        onShown(m_shown.last());
    Reply reply;
    if (take(Kind::Message, reply, text))
        return reply.answer;
    // With no scripted answer an OK box is simply acknowledged; questions are
    // recorded as unexpected and cancelled, so nothing is changed by accident.
    switch (buttons) {
    case Buttons::Ok:
        m_unexpected.removeLast();
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString ScriptedDialogs::inputBox(const QString &title, const QString &prompt)
{
    m_shown << Shown{Kind::Input, title, prompt, Buttons::OkCancel, QString()};
    if (onShown)
        onShown(m_shown.last());
    Reply reply;
    return take(Kind::Input, reply, prompt) ? reply.text : QString();
}

QString ScriptedDialogs::openFile(const QString &title, const QString &initialFolder,
                                  const QString &filter, const QString &fileName)
{
    m_shown << Shown{Kind::OpenFile, title, filter, Buttons::OkCancel, initialFolder};
    if (onShown)
        onShown(m_shown.last());
    Reply reply;
    return take(Kind::OpenFile, reply, QStringLiteral("open file dialog")) ? reply.text : fileName;
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind != Kind::OpenFile)
            out << s.text;
    return out;
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind == Kind::Message)
            out << s.text;
    return out;
}
