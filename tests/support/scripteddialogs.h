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

    // Called whenever a dialog is shown, after it is recorded (may be empty).
    std::function<void(const Shown &)> onShown;

    Answer message(const QString &title, const QString &text, Buttons buttons, Answer defaultButton) override;
    QString inputBox(const QString &title, const QString &prompt) override;
    QString openFile(const QString &title, const QString &initialFolder,
                     const QString &filter, const QString &fileName) override;

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;               // every message text and prompt, in order
    QStringList messageTexts() const;        // message boxes only
    int pendingAnswers() const { return int(m_answers.size()); }
    // Set when a dialog came that the script did not expect (wrong kind or none left).
    QStringList unexpected() const { return m_unexpected; }
    void clear() { m_shown.clear(); m_answers.clear(); m_unexpected.clear(); }

private:
    struct Reply {
        Kind kind;
        Answer answer;
        QString text;
    };
    bool take(Kind kind, Reply &reply, const QString &what);

    QList<Reply> m_answers;
    QList<Shown> m_shown;
    QStringList m_unexpected;
};
