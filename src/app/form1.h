#pragma once
#include "app/dialogs.h"
#include "app/services.h"
#include "history/log.h"
#include "house/shownhouse.h"
#include "reader/protocol.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui { class Form1; }
class QLabel;
class QListWidget;
class QPushButton;
class ReaderLink;
class HelpMode;
class HouseOpening;
class NonResidents;
class ApartmentTransfer;
class ReadOut;
class Upload;
class Erase;
class CopyHouse;
class RestoreHouse;
class Verify;
class CardFinder;
class HistoryWindow;
class QMenuBar;
class QMenu;
class QAction;
class QStatusBar;
namespace house { class HouseStore; }
namespace history { struct DoorChange; }
namespace cards { class RevokedCards; }

// Window-level state that several commands share; all empty or zero at start.
struct WindowState
{
    QString houseFilePath;
    QString backupFilePath;
    qint16 readOutRunning = 0;
    qint16 uploadRunning = 0;
    qint16 verifyRunning = 0;   // a verify (or the read-back after a difference upload) waits for its dump
    int requestLeadByte = 0;
    protocol::RequestBytes requestBytes{};
    QByteArray requestFrame;
    QString portSetting;
    qint16 portSelectLock = 0;
    qint16 apartmentCounter = 0;
    qint32 scanPos = 0;
    QString recordBuffer;
    // What List2 shows: the file it was filled from and that file's bytes then.
    house::ShownHouse shownHouse;
};

// The main window. It owns the widgets (form1.ui), the shared state and the
// services, and hands each control's event to the controller of its subsystem.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(const Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // The start-up sequence; false when the program must end (second copy,
    // no data folder chosen). Runs once, before the window is shown.
    bool startUp();

    Ui::Form1 &ui() { return *m_ui; }
    WindowState &state() { return m_state; }
    const Services &services() const { return m_services; }
    Dialogs &dialogs() { return *m_services.dialogs; }
    const Timing &timing() const { return m_services.timing; }
    ReaderLink &reader() { return *m_reader; }
    HelpMode &helpMode() { return *m_helpMode; }
    HouseOpening &houseOpening() { return *m_houseOpening; }
    NonResidents &nonResidents() { return *m_nonResidents; }
    ApartmentTransfer &apartmentTransfer() { return *m_transfer; }
    ReadOut &readOut() { return *m_readOut; }
    Upload &upload() { return *m_upload; }
    Erase &erase() { return *m_erase; }
    CopyHouse &copyHouse() { return *m_copyHouse; }
    RestoreHouse &restoreHouse() { return *m_restoreHouse; }
    Verify &verify() { return *m_verify; }
    CardFinder &cardFinder() { return *m_cardFinder; }
    HistoryWindow &historyWindow() { return *m_history; }
    // The revoked cards of the data folder, read again when the file changed.
    const cards::RevokedCards &revokedCards();
    // After the program changed letiltott.lst: the open lists mark what it holds now.
    void revokedCardsChanged();
    // The only way a command writes a house file or a backup.
    house::HouseStore &houseStore() { return *m_houseStore; }
    // "a 201-es portról": where the port in use is named in the history.
    QString fromPortPhrase() const;

    // The exchange with the reader that runs now, if any. Every command asks
    // this one place before it starts, so that no exchange can be forgotten.
    enum class Exchange { None, ReadOut, Upload, DifferenceUpload, Verify, ReadBack, Erase };
    Exchange runningExchange() const;
    bool exchangeRunning() const { return runningExchange() != Exchange::None; }
    // The command the user started it with, as its button or menu entry reads.
    static QString exchangeName(Exchange exchange);
    // The log's line for an exchange that ended, naming the port in use.
    void logExchange(Exchange exchange, const QString &file, history::Log::Result result,
                     const QString &details = QString());
    // True when an exchange runs; the status line then says which one and that
    // the command must wait, so that a refusal is not taken for a missed click.
    bool refuseDuringExchange(Exchange allowed = Exchange::None);
    // House files that must not be written now: the one a running exchange
    // reads or will fill (with a read-out's backup), and the open house while
    // List2 holds rows not saved yet; filesInUse gives both.
    QStringList exchangeFiles() const;
    QStringList unsavedFiles() const;
    QStringList filesInUse() const { return exchangeFiles() + unsavedFiles(); }

    // The "Eszközök" menu above the form and its commands.
    QMenuBar *menuBar() const { return m_menuBar; }
    QAction *verifyAction() const { return m_verifyAction; }
    QAction *uploadDifferencesAction() const { return m_uploadDifferencesAction; }
    QAction *findCardAction() const { return m_findCardAction; }
    QAction *emptyApartmentAction() const { return m_emptyApartmentAction; }
    QAction *historyAction() const { return m_historyAction; }
    QAction *logAction() const { return m_logAction; }
    // The status line below the form: quiet notices that need no answer. It
    // is cleared when the user presses a key or a mouse button in the window,
    // and when an exchange ends.
    QStatusBar *statusLine() const { return m_statusLine; }
    void showStatus(const QString &text);
    // After a read-out or a verify: how the door changed since the house's
    // newest earlier snapshot, as a question when it changed (Igen opens
    // "Előzmények" at the house), on the status line when it did not.
    void tellDoorChange(const history::DoorChange &change, const QString &housePath);

    // A message box with the program's title.
    Dialogs::Answer ask(const QString &text, Dialogs::Buttons buttons = Dialogs::Buttons::Ok);
    // The same with another button than OK or Yes under Enter.
    Dialogs::Answer ask(const QString &text, Dialogs::Buttons buttons, Dialogs::Answer defaultButton);
    QString inputBox(const QString &prompt);
    // The open-file dialog in the data folder with the house-file filter. A
    // new name without ".txt" gets it; an existing file is taken as named.
    QString pickHouseFile();
    static QString houseFileFilter() { return QStringLiteral("Szöveg (*.txt)|*.txt|"); }

    QString dataFolder() const;
    QString nonResidentListPath() const;
    // True when the program ends: "Kilép" with OK, or a start-up refusal.
    bool ended() const { return m_ended; }

    // Shared routines.
    void torles();
    void setSideListsEnabled(bool enabled);  // List5 and List6
    void hideCopyView();                     // List1 cleared and hidden, Label24 blanked and hidden, Label25 hidden
    void setShown(std::initializer_list<QWidget *> widgets, bool shown);

    // Serial port.
    void choosePort(int comboIndex);     // Combo1's selection
    bool openPort(int number, bool reportFailure);
    void changeDataFolder();             // Text4 double-click

    // Geometry in twips (15 twips per pixel at 96 dpi).
    static int px(double twips) { return int(twips / 15.0 + 0.5); }

signals:
    void endRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void wireControls();
    void styleControls();
    bool pickFirstDataFolder();
    QString runFolderPicker();
    bool adoptFolder(const QString &picked);
    void ensureNonResidentList(const QString &folder);
    void endProgram();
    void buildMenu();
    void buildStatusLine();

    Services m_services;
    std::unique_ptr<Ui::Form1> m_ui;
    WindowState m_state;
    bool m_ended = false;
    std::unique_ptr<house::HouseStore> m_houseStore;
    std::unique_ptr<cards::RevokedCards> m_revokedCards;
    std::unique_ptr<ReaderLink> m_reader;
    std::unique_ptr<HelpMode> m_helpMode;
    std::unique_ptr<HouseOpening> m_houseOpening;
    std::unique_ptr<NonResidents> m_nonResidents;
    std::unique_ptr<ApartmentTransfer> m_transfer;
    std::unique_ptr<ReadOut> m_readOut;
    std::unique_ptr<Upload> m_upload;
    std::unique_ptr<Erase> m_erase;
    std::unique_ptr<CopyHouse> m_copyHouse;
    std::unique_ptr<RestoreHouse> m_restoreHouse;
    std::unique_ptr<Verify> m_verify;
    std::unique_ptr<CardFinder> m_cardFinder;
    std::unique_ptr<HistoryWindow> m_history;
    QMenuBar *m_menuBar = nullptr;
    QMenu *m_toolsMenu = nullptr;
    QAction *m_verifyAction = nullptr;
    QAction *m_uploadDifferencesAction = nullptr;
    QAction *m_findCardAction = nullptr;
    QAction *m_emptyApartmentAction = nullptr;
    QAction *m_historyAction = nullptr;
    QAction *m_logAction = nullptr;
    QStatusBar *m_statusLine = nullptr;
};
