#pragma once
#include "app/dialogs.h"
#include "history/history.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class HelpMode;
class QWidget;
class SettingsStore;
namespace cards { class RevokedCards; }
namespace house { class HouseStore; }
namespace Ui { class HistoryWindow; }
class VersionModel;

// "Előzmények": every earlier content of a house and of its backup, and
// every door snapshot of it, newest first; the differences of a row against
// the file now or of two rows; and the bring-back of a row into its file.
//
// The history of one house can hold many thousands of entries, so the
// index is read and the rows made on a worker thread, with a Store of its
// own (the Store is not shared between threads); the window stays usable
// meanwhile and shows the rows in one step when they are ready.
class HistoryWindow : public QObject
{
    Q_OBJECT
public:
    // What the window uses of the program, and nothing more.
    struct Needs
    {
        house::HouseStore &store;
        QWidget &parent;          // the main window, which the window opens over
        SettingsStore &settings;  // where the window is remembered
        HelpMode &help;
        std::function<Dialogs::Answer(const QString &, Dialogs::Buttons, Dialogs::Answer)> ask;
        std::function<QStringList()> filesInUse; // files no command may write now
        std::function<QString()> openHouse;      // the house on screen, empty when none
        std::function<void(const QString &)> written; // a file was brought back: the open lists follow it
        // Before content goes into path under command: false when it holds a revoked card the user would not write.
        std::function<bool(const QString &command, const QString &path, const QByteArray &content)> allowRevoked;
        std::function<const cards::RevokedCards &()> revoked; // the data folder's revoked cards, to mark the rows
    };

    explicit HistoryWindow(Needs needs);
    ~HistoryWindow() override;

    // Opens (or raises) the window at house, or at the open house when none is given.
    void open(const QString &house = QString());

    QWidget *window() const { return m_window; }
    Ui::HistoryWindow &ui() const { return *m_ui; }
    // The house (its key in the history) whose rows are shown or loading.
    QString house() const { return m_house; }
    bool loading() const { return m_loading != nullptr; }
    // The entries of the rows, newest first.
    QList<history::Entry> entries() const;
    // The difference rows as tab-separated text under their headers, as "Másolás" copies them.
    QString differencesAsText() const;
    // The difference rows mark the revoked cards as the list now has them.
    void markRevoked();

    // A row as the window names it: the file, what the content is, what happened.
    static QString whatWord(const history::Entry &entry);

signals:
    // The house list and the rows of the chosen house are on screen.
    void rowsShown();

private:
    struct Loading;
    void build();
    // Reads the house list (when listHouses) and the rows of `wanted`, the
    // index a slice at a time from the event loop.
    void load(bool listHouses, const QString &wanted);
    void readSlice();
    void show(const Loading &loaded);
    void houseChosen(int index);
    void compare();
    void bringBack();
    void copyDifferences();
    bool inUse(const QString &path) const;

    Needs m_needs;
    std::unique_ptr<Ui::HistoryWindow> m_ui;
    QPointer<QWidget> m_window;
    VersionModel *m_model = nullptr;
    QString m_house;
    QString m_notice; // said once under the rows when they come
    std::unique_ptr<Loading> m_loading;
    QTimer m_sliceTimer;
};
