#pragma once
#include "app/dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Answers dialogs from a script and records everything shown.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, Input, OpenFile };
    struct Shown {
        Kind kind;
        QString title;
        QString text;      // message text, input prompt, or the open dialog's filter
        Buttons buttons;   // messages only
        QString folder;    // open dialog only
        Answer defaultButton = Answer::Ok; // messages only: the one Enter presses
    };

    // Queue answers in the order the dialogs will appear.
    void answer(Answer a) { m_answers << Reply{Kind::Message, a, QString()}; }
    void type(const QString &text) { m_answers << Reply{Kind::Input, Answer::Ok, text}; }
    void pick(const QString &path) { m_answers << Reply{Kind::OpenFile, Answer::Ok, path}; }
    // Called whenever a dialog is shown, after it is recorded.
    std::function<void(const Shown &)> onShown;

    Answer message(const QString &title, const QString &text, Buttons buttons, Answer defaultButton) override
    {
        // Unscripted, an OK box is simply acknowledged and a question
        // cancelled, so that nothing is changed by accident.
        const Answer unscripted = buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        return take({Kind::Message, title, text, buttons, QString(), defaultButton}, unscripted, buttons != Buttons::Ok).answer;
    }
    QString inputBox(const QString &title, const QString &prompt) override
    {
        return take({Kind::Input, title, prompt, Buttons::OkCancel, QString()}, Answer::Cancel).text;
    }
    QString openFile(const QString &title, const QString &initialFolder, const QString &filter,
                     const QString &fileName) override
    {
        return take({Kind::OpenFile, title, filter, Buttons::OkCancel, initialFolder}, Answer::Cancel, true, fileName).text;
    }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const { return textsOf({Kind::Message, Kind::Input}); } // messages and prompts
    QStringList messageTexts() const { return textsOf({Kind::Message}); }
    int pendingAnswers() const { return int(m_answers.size()); }
    // Dialogs that came when the script expected another kind or none.
    QStringList unexpected() const { return m_unexpected; }
    void clear() { m_shown.clear(); m_answers.clear(); m_unexpected.clear(); }

private:
    struct Reply {
        Kind kind;
        Answer answer;
        QString text;
    };
    Reply take(const Shown &shown, Answer unscripted, bool noteIfUnscripted = true, const QString &unscriptedText = QString())
    {
        m_shown << shown;
        if (onShown)
            onShown(m_shown.last());
        if (!m_answers.isEmpty() && m_answers.first().kind == shown.kind)
            return m_answers.takeFirst();
        if (noteIfUnscripted)
            m_unexpected << (shown.kind == Kind::OpenFile ? QStringLiteral("open file dialog") : shown.text);
        return {shown.kind, unscripted, unscriptedText};
    }
    QStringList textsOf(const QList<Kind> &kinds) const
    {
        QStringList out;
        for (const Shown &s : m_shown)
            if (kinds.contains(s.kind))
                out << s.text;
        return out;
    }

    QList<Reply> m_answers;
    QList<Shown> m_shown;
    QStringList m_unexpected;
};
