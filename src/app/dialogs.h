#pragma once
#include <QString>

class QWidget;

// The one door to every modal dialog: message boxes, the input box and the
// open-file dialog. Tests answer them from a script and check what was shown.
class Dialogs
{
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    // defaultButton is the one Enter presses: one of the buttons shown.
    virtual Answer message(const QString &title, const QString &text, Buttons buttons, Answer defaultButton) = 0;
    // Enter presses OK or Yes unless a question says otherwise.
    static Answer usualDefault(Buttons buttons)
    {
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    // Returns the typed text; an empty text when cancelled.
    virtual QString inputBox(const QString &title, const QString &prompt) = 0;
    // filter is in the "Name (*.ext)|*.ext|" form. A name that does not exist
    // yet is accepted; Cancel returns an empty text.
    virtual QString openFile(const QString &title, const QString &initialFolder,
                             const QString &filter, const QString &fileName) = 0;
};

// The real dialogs: QMessageBox, QInputDialog, QFileDialog.
class WidgetDialogs : public Dialogs
{
public:
    explicit WidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &title, const QString &text, Buttons buttons, Answer defaultButton) override;
    QString inputBox(const QString &title, const QString &prompt) override;
    QString openFile(const QString &title, const QString &initialFolder,
                     const QString &filter, const QString &fileName) override;

    // "Szöveg (*.txt)|*.txt|" -> "Szöveg (*.txt)"
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
};
