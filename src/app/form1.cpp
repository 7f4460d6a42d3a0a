#include "app/form1.h"
#include "ui_form1.h"

#include "app/dialogs.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "copyrestore/copyhouse.h"
#include "copyrestore/restorehouse.h"
#include "help/helpmode.h"
#include "house/apartmenttransfer.h"
#include "house/houseopening.h"
#include "house/nonresidents.h"
#include "reader/erase.h"
#include "reader/readerlink.h"
#include "reader/readout.h"
#include "reader/serialport.h"
#include "reader/upload.h"
#include "reader/verify.h"
#include "cards/cardfinder.h"
#include "history/historywindow.h"
#include "history/logwindow.h"
#include "house/houseview.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "cards/revoked.h"
#include "cards/revokedwindow.h"
#include "cards/revokedview.h"
#include "reader/differenceswindow.h"
#include "house/oserror.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStatusBar>

#include <cerrno>

namespace {
const QString Title = QStringLiteral("Belvarium");
constexpr int VisibleHouseRows = 24;

void setBackground(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, colour); // leftover captions stay out of sight
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The password box shows an asterisk for every typed character, whatever
// the platform's style would draw.
class AsteriskStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The coloured shadows are blocks of colour behind the controls. A screen
// reader passes over them: no name (the leftover captions some hold, or
// Frame1's title that Qt would lend them), no label, and not on screen.
// form1.ui marks them with this property, set before anything can ask.
const char *const ShadowProperty = "shadow";

class ShadowAccessible : public QAccessibleWidget
{
public:
    explicit ShadowAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text) const override { return QString(); }
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation) const override { return {}; }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

QAccessibleInterface *shadowAccessible(const QString &, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    return w && w->property(ShadowProperty).toBool() ? new ShadowAccessible(w) : nullptr;
}

int lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}
} // namespace

Form1::Form1(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_ui(std::make_unique<Ui::Form1>())
{
    // Before the widgets exist: a screen reader running asks for them while they are built, and Qt keeps what it got.
    [[maybe_unused]] static const bool shadowsPassedOver = (QAccessible::installFactory(shadowAccessible), true);
    m_ui->setupUi(this);
    m_ui->central->setGeometry(0, 0, px(11400), px(8550));
    m_houseStore = std::make_unique<house::HouseStore>(
        [this] { return dataFolder(); },
        [this] {
            return house::HouseStore::capFromSetting(m_services.settings->value(
                QStringLiteral("belvarium"), QStringLiteral("elozmenyek"), QStringLiteral("meret")));
        });
    m_reader = std::make_unique<ReaderLink>(*this);
    m_helpMode = std::make_unique<HelpMode>(*this);
    m_houseOpening = std::make_unique<HouseOpening>(*this);
    m_nonResidents = std::make_unique<NonResidents>(*this);
    m_transfer = std::make_unique<ApartmentTransfer>(*this);
    m_readOut = std::make_unique<ReadOut>(*this);
    m_upload = std::make_unique<Upload>(*this);
    m_erase = std::make_unique<Erase>(*this);
    m_copyHouse = std::make_unique<CopyHouse>(*this);
    m_restoreHouse = std::make_unique<RestoreHouse>(*this);
    m_verify = std::make_unique<Verify>(*this);
    m_cardFinder = std::make_unique<CardFinder>(*this);
    m_history = std::make_unique<HistoryWindow>(HistoryWindow::Needs{
        *m_houseStore, *this, *m_services.settings, *m_helpMode,
        [this](const QString &text, Dialogs::Buttons buttons, Dialogs::Answer enter) { return ask(text, buttons, enter); },
        [this] { return filesInUse(); },
        [this] { return m_state.shownHouse.isLoaded() ? m_state.shownHouse.path() : m_ui->Text2->text(); },
        [this](const QString &path) { houseview::refillOpenLists(*this, {path}); },
        [this](const QString &command, const QString &path, const QByteArray &content) {
            return houseview::allowRevoked(*this, command, path, content);
        },
        [this]() -> const cards::RevokedCards & { return revokedCards(); }});
    m_revokedWindow = std::make_unique<RevokedWindow>(RevokedWindow::Needs{
        *m_houseStore, *this, *m_services.settings, *m_helpMode,
        [this](const QString &text, Dialogs::Buttons buttons, Dialogs::Answer enter) { return ask(text, buttons, enter); },
        [this] { return dataFolder(); }, [this]() -> const cards::RevokedCards & { return revokedCards(); },
        [this] { revokedCardsChanged(); }});
    styleControls();
    buildMenu();
    buildStatusLine();
    wireControls();
    // The house lists mark revoked cards in every row they get, however they are filled.
    for (QListWidget *list : {m_ui->List2, m_ui->List3, m_ui->List6})
        cards::followRows(list, [this]() -> const cards::RevokedCards & { return revokedCards(); });
}

Form1::~Form1()
{
    // Controllers refer to the widgets and the link; let them go first.
    m_revokedWindow.reset();
    m_history.reset();
    m_cardFinder.reset();
    m_verify.reset();
    m_restoreHouse.reset();
    m_copyHouse.reset();
    m_erase.reset();
    m_upload.reset();
    m_readOut.reset();
    m_transfer.reset();
    m_nonResidents.reset();
    m_houseOpening.reset();
    m_helpMode.reset();
    m_reader.reset();
}

void Form1::styleControls()
{
    Ui::Form1 &u = *m_ui;

    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(9.75);
    buttonFont.setBold(false);
    for (QPushButton *b : {u.Command7, u.Command5, u.Command4, u.Command6, u.Command1, u.Command17})
        b->setFont(buttonFont);

    for (QListWidget *l : {u.List1, u.List2, u.List3, u.List5, u.List6, u.File1}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Text, Qt::blue);
        p.setColor(QPalette::Base, Qt::white);
        l->setPalette(p);
        l->setUniformItemSizes(true);
    }

    // The house lists show exactly 24 rows, so that selecting row 1370 and
    // then row 1393 leaves apartment 138's header at the top. Where the
    // platform draws the font taller than room allows, a smaller size keeps
    // all 24 rows inside the window.
    const int room = u.central->height() - u.List2->y() - 2;
    QFont listFont(QStringLiteral("Courier New"));
    listFont.setStyleHint(QFont::TypeWriter);
    int listHeight = 0;
    for (int points = 9; points >= 6; --points) {
        listFont.setPointSize(points);
        u.List2->setFont(listFont);
        auto *probe = new QListWidgetItem(QStringLiteral("FFFFFFFFFFFF"), u.List2);
        const int rowHeight = std::max(1, u.List2->sizeHintForRow(0));
        delete probe;
        listHeight = VisibleHouseRows * rowHeight + 2 * u.List2->frameWidth();
        if (listHeight <= room)
            break;
    }
    for (QListWidget *l : {u.List1, u.List3, u.List5, u.List6})
        l->setFont(listFont);
    for (QWidget *w : {static_cast<QWidget *>(u.List1), static_cast<QWidget *>(u.List2),
                       static_cast<QWidget *>(u.List3), static_cast<QWidget *>(u.List6),
                       static_cast<QWidget *>(u.Label21), static_cast<QWidget *>(u.Label10),
                       static_cast<QWidget *>(u.Label8), static_cast<QWidget *>(u.Label25)})
        w->resize(w->width(), listHeight);

    // form1.ui marks the shadows.
    for (QLabel *l : u.central->findChildren<QLabel *>()) {
        if (l->property(ShadowProperty).toBool())
            setBackground(l, QColor(0, 128, 128));
    }

    // The frame is opaque so that its shadow shows only along its edges.
    u.Frame1->setAutoFillBackground(true);

    QPalette yellow = u.Text8->palette();
    yellow.setColor(QPalette::Base, Qt::yellow);
    u.Text8->setPalette(yellow);
    auto *asterisks = new AsteriskStyle;
    asterisks->setParent(this); // outlives the box, which is deleted first
    u.Text8->setStyle(asterisks);

    QFont helpFont(QStringLiteral("MS Sans Serif"));
    helpFont.setStyleHint(QFont::SansSerif);
    helpFont.setPointSizeF(HelpMode::HelpPointSize);
    u.Text7->setFont(helpFont);
    QPalette face = u.Text7->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    u.Text7->setPalette(face);
    u.Text7->viewport()->setCursor(Qt::IBeamCursor);
    u.Text7->raise();

    u.ProgressBar1->setRange(0, 100);
    u.ProgressBar1->setValue(0);
}

void Form1::buildMenu()
{
    // The commands beyond the six large buttons live in a menu above the
    // form, so that the form's controls keep their places and its client
    // area its size.
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));
    m_menuBar->setNativeMenuBar(false);
    m_toolsMenu = m_menuBar->addMenu(QStringLiteral("Eszközök"));
    m_toolsMenu->setObjectName(QStringLiteral("toolsMenu"));
    m_toolsMenu->setAccessibleName(QStringLiteral("Eszközök"));
    m_toolsMenu->setToolTipsVisible(true);
    auto add = [this](const QString &caption, const QString &tip, const QString &help) {
        QAction *action = m_toolsMenu->addAction(caption);
        action->setToolTip(tip);
        action->setWhatsThis(help); // the help-mode explanation
        return action;
    };
    m_verifyAction = add(
        QStringLiteral("Ellenőrzés"), QStringLiteral("A kártya leolvasó tartalmának összevetése a megnyitott házzal."),
        QStringLiteral("Kiolvassa a kártya leolvasó kódmemóriáját, és összeveti a 'Friss adatok' listában megnyitott "
                       "házzal, fájl módosítása nélkül. Előbb nyissa meg a házat a 'Szerkesztés' gombbal, és mentse, ha "
                       "változtatott rajta! Ha minden kód egyezik, ezt egy üzenet mondja meg. Ha nem, az eltérő kódok "
                       "sorai a listában színesen látszanak, az 'Eltérések' ablak pedig felsorolja őket: lakás, hely a "
                       "lakáson belül, kódhely, a kód a leolvasóban és a házfájlban, a 138-as lakásnál a nem ott lakó "
                       "neve is."));
    m_uploadDifferencesAction = add(
        QStringLiteral("Eltérések rátöltése"),
        QStringLiteral("Csak az ellenőrzéskor eltérő kódok rátöltése a kártya leolvasóra."),
        QStringLiteral("Egy 'Ellenőrzés' után csak az eltérő kódokat tölti rá a kártya leolvasóra, ami sokkal "
                       "gyorsabb a teljes 'Rátöltés'-nél. Utána újra kiolvassa a leolvasót, és megmondja, hogy most "
                       "pontosan a házat tartalmazza-e. Csak addig használható, amíg az ellenőrzés óta nem választott "
                       "másik portot, nem nyitott meg másik házat, a házfájl nem változott, és más adatcsere nem "
                       "volt a leolvasóval."));
    m_findCardAction = add(
        QStringLiteral("Kártya keresése"),
        QStringLiteral("Egy kártya keresése az adatmappa minden házában, név vagy kódrészlet alapján."),
        QStringLiteral("Elveszett vagy ellopott kártyához: egy ablakban megadhatja egy nem ott lakó nevét a "
                       "'postas.lst' listából, vagy a kártyakód legalább 4 számjegyét. A 'Keresés' az adatmappa "
                       "minden házfájljában, biztonsági mentésében és a nem ott lakók listájában megkeresi, "
                       "soronként a fájl, a lakás, a hely és a kód. Egy házra kettőt kattintva megnyílik a 'Friss "
                       "adatok' listában. A kijelölt találatokat a 'Kód törlése' gomb törli a házakból és a "
                       "mentésekből; utána vigye át a változást a kártya leolvasókba (Ellenőrzés, majd Eltérések "
                       "rátöltése)!"));
    m_emptyApartmentAction = add(
        QStringLiteral("Lakás ürítése"),
        QStringLiteral("A 'Friss adatok' listában kijelölt lakás összes kódjának törlése."),
        QStringLiteral("Ha egy lakó elköltözik: jelölje ki a lakás fejlécét vagy egyik sorát a 'Friss adatok' "
                       "listában, és a program egy kérdés után a lakás összes kódját törli a házfájlból. A 138-as "
                       "lakás kódjait a listában kettős kattintással lehet egyenként törölni. Utána vigye át a "
                       "változást a kártya leolvasóba (Ellenőrzés, majd Eltérések rátöltése)!"));
    m_historyAction = add(
        QStringLiteral("Előzmények"),
        QStringLiteral("Egy ház korábbi tartalmai és az ajtóban volt kódok, összevetésük és visszaállításuk."),
        QStringLiteral("Egy ablakban a ház és biztonsági mentése minden korábbi tartalma (amit egy parancs "
                       "felülírt), és ami kiolvasáskor vagy rátöltéskor az ajtóban volt, a legújabb felül. Egy sor "
                       "kijelölve megmutatja, miben tér el a fájl mostani tartalmától, két sor egymástól. A "
                       "'Visszaállítás ebből' gomb a sor tartalmát teszi vissza a fájlba; a mostani tartalom előbb "
                       "az előzmények közé kerül, így ez is visszavonható. Adatcsere közben is megnézhető."));
    connect(m_historyAction, &QAction::triggered, this, [this] {
        torles();
        m_history->open();
    });
    m_logAction = add(
        QStringLiteral("Napló"), QStringLiteral("A program eseményeinek listája: adatcserék, írások, elutasítások."),
        QStringLiteral("Egy ablakban sorolja fel, mit tett a program, a legújabbat felül: minden adatcserét a kártya "
                       "leolvasóval (kiolvasás, rátöltés, ellenőrzés, törlés) és a végét, minden írást egy házfájlba vagy "
                       "mentésbe a parancsával és a megváltozott kódhelyek számával, és minden elutasított írást az "
                       "okával. A sorok szűrhetők és vágólapra másolhatók. A napló az adatmappa 'elozmenyek' "
                       "mappájában van."));
    connect(m_logAction, &QAction::triggered, this, [this] {
        torles();
        LogWindow::showFor(*this, *m_houseStore, *m_services.settings, *m_helpMode);
    });
    m_revokedAction = add(
        QStringLiteral("Letiltott kártyák"),
        QStringLiteral("Az elveszett, ellopott kártyák listája, amelyek nem kerülhetnek ajtóba és házba."),
        QStringLiteral("Egy ablakban a letiltott kártyák: szám, mikor, miért, és a nem ott lakó, akié. Kézzel is "
                       "letilthat egy kártyát, és feloldhatja a megtaláltat. Letiltott kártyát a program nem tölt rá "
                       "ajtóba és nem ír házba kérdés nélkül; a Kód törlése is felajánlja a letiltást."));
    connect(m_revokedAction, &QAction::triggered, this, [this] {
        torles();
        m_revokedWindow->open();
    });
    connect(m_findCardAction, &QAction::triggered, m_cardFinder.get(), &CardFinder::findTriggered);
    connect(m_emptyApartmentAction, &QAction::triggered, m_cardFinder.get(), &CardFinder::emptyApartmentTriggered);
    connect(m_verifyAction, &QAction::triggered, m_verify.get(), &Verify::verifyTriggered);
    connect(m_uploadDifferencesAction, &QAction::triggered, m_verify.get(), &Verify::uploadDifferencesTriggered);
    m_helpMode->watchMenu(m_toolsMenu);

    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, px(11400), menuHeight);
    m_ui->central->move(0, menuHeight);
}

namespace {
// Any press of a key or a mouse button in the window starts something new:
// a notice about the last command has done its work then.
class StatusClearer : public QObject
{
public:
    StatusClearer(Form1 &form) : QObject(&form), m_form(form) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress)
            && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == &m_form)
            m_form.statusLine()->clearMessage();
        return false;
    }

private:
    Form1 &m_form;
};
} // namespace

void Form1::buildStatusLine()
{
    // Below the form, as the menu bar is above it: the form keeps its client
    // area and every control its place; the window grows by the line.
    m_statusLine = new QStatusBar(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setSizeGripEnabled(false);
    m_statusLine->setAccessibleName(QStringLiteral("Állapotsor"));
    m_statusLine->setToolTip(QStringLiteral("Rövid tájékoztatás az utolsó parancsról."));
    m_statusLine->setWhatsThis(QStringLiteral(
        "Itt jelenik meg, ha egy parancs most nem indítható, például mert adatcsere folyik a kártya "
        "leolvasóval; ilyenkor várja meg az adatcsere végét! A sor a következő kattintásnál vagy az "
        "adatcsere végén eltűnik."));
    const int top = m_ui->central->geometry().bottom() + 1;
    const int height = m_statusLine->sizeHint().height();
    m_statusLine->setGeometry(0, top, px(11400), height);
    setFixedSize(px(11400), top + height);
    m_helpMode->watchWidget(m_statusLine);
    qApp->installEventFilter(new StatusClearer(*this));
}

void Form1::showStatus(const QString &text)
{
    m_statusLine->showMessage(text);
}

QString Form1::exchangeName(Exchange exchange)
{
    switch (exchange) {
    case Exchange::ReadOut: return QStringLiteral("Kiolvasás");
    case Exchange::Upload: return QStringLiteral("Rátöltés");
    case Exchange::DifferenceUpload:
    case Exchange::ReadBack: return QStringLiteral("Eltérések rátöltése");
    case Exchange::Verify: return QStringLiteral("Ellenőrzés");
    case Exchange::Erase: return QStringLiteral("Törlés");
    case Exchange::None: break;
    }
    return QString();
}

void Form1::logExchange(Exchange exchange, const QString &file, history::Log::Result result, const QString &details)
{
    const QString name = exchange == Exchange::ReadBack ? QStringLiteral("Eltérések rátöltése, visszaolvasás")
                                                        : exchangeName(exchange);
    m_houseStore->log().write(name, file, m_state.portSetting, result, details);
}

bool Form1::refuseDuringExchange(Exchange allowed)
{
    const Exchange running = runningExchange();
    if (running == Exchange::None || running == allowed)
        return false;
    showStatus(QStringLiteral("Adatcsere folyik (%1): a parancs most nem indítható.").arg(exchangeName(running)));
    return true;
}

Form1::Exchange Form1::runningExchange() const
{
    if (m_state.uploadRunning == 1)
        return m_upload && m_upload->differenceMode() ? Exchange::DifferenceUpload : Exchange::Upload;
    if (m_state.readOutRunning == 1)
        return Exchange::ReadOut;
    if (m_state.verifyRunning == 1)
        return m_verify && m_verify->readingBack() ? Exchange::ReadBack : Exchange::Verify;
    if (m_erase && m_erase->waiting())
        return Exchange::Erase;
    return Exchange::None;
}

QStringList Form1::exchangeFiles() const
{
    QStringList files;
    switch (runningExchange()) {
    case Exchange::Upload:
    case Exchange::DifferenceUpload:
        files << m_upload->housePath();
        break;
    case Exchange::Verify:
    case Exchange::ReadBack:
        files << m_verify->housePath();
        break;
    case Exchange::ReadOut:
        // The old content goes to the backup when the dump has come.
        files << m_readOut->target() << house::backupPathOf(m_readOut->target());
        break;
    case Exchange::Erase:
    case Exchange::None:
        break;
    }
    return files;
}

QStringList Form1::unsavedFiles() const
{
    return m_state.shownHouse.hasUnsavedRows() ? QStringList{m_state.shownHouse.path()} : QStringList();
}

void Form1::wireControls()
{
    Ui::Form1 &u = *m_ui;
    connect(u.Command6, &QPushButton::clicked, m_readOut.get(), &ReadOut::command6Clicked);
    connect(u.Command1, &QPushButton::clicked, m_upload.get(), &Upload::command1Clicked);
    connect(u.Command17, &QPushButton::clicked, m_erase.get(), &Erase::command17Clicked);
    connect(u.Command4, &QPushButton::clicked, m_houseOpening.get(), &HouseOpening::command4Clicked);
    connect(u.Command5, &QPushButton::clicked, m_copyHouse.get(), &CopyHouse::command5Clicked);
    connect(u.Command7, &QPushButton::clicked, m_restoreHouse.get(), &RestoreHouse::command7Clicked);
    connect(u.Command3, &QPushButton::clicked, m_nonResidents.get(), &NonResidents::command3Clicked);
    connect(u.Command2, &QPushButton::clicked, m_transfer.get(), &ApartmentTransfer::command2Clicked);
    connect(u.Command8, &QPushButton::clicked, m_transfer.get(), &ApartmentTransfer::command8Clicked);
    connect(u.Command19, &QPushButton::clicked, this, [this] {
        if (ask(QStringLiteral("Ki akar lépni?"), Dialogs::Buttons::OkCancel) == Dialogs::Answer::Ok)
            endProgram();
        else
            m_ui->Label11->setVisible(true);
    });
    connect(u.Combo1, qOverload<int>(&QComboBox::activated), this, &Form1::choosePort);

    connect(u.List5, &QListWidget::itemClicked, m_nonResidents.get(), [this] { m_nonResidents->list5Clicked(); });
    connect(u.List5, &QListWidget::itemDoubleClicked, m_nonResidents.get(),
            [this] { m_nonResidents->list5DoubleClicked(); });
    connect(u.List2, &QListWidget::itemDoubleClicked, m_nonResidents.get(),
            [this] { m_nonResidents->list2DoubleClicked(); });
    connect(u.List6, &QListWidget::itemDoubleClicked, m_transfer.get(),
            [this] { m_transfer->list6DoubleClicked(); });
    connect(u.List3->verticalScrollBar(), &QScrollBar::valueChanged, m_houseOpening.get(),
            &HouseOpening::list3Scrolled);
    connect(u.File1, &QListWidget::itemClicked, m_restoreHouse.get(),
            [this](QListWidgetItem *item) { m_restoreHouse->file1Selected(item->text()); });

    connect(m_reader.get(), &ReaderLink::linkFailed, this, [this](const QString &reason) {
        m_reader->detach();
        ask(reason);
    });

    for (QWidget *w : {u.Text4, u.Text2, u.Text8})
        w->installEventFilter(this);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_ui->Text4) {
            changeDataFolder();
            return true;
        }
        if (watched == m_ui->Text2) {
            m_houseOpening->text2DoubleClicked();
            return true;
        }
    }
    if (watched == m_ui->Text8 && event->type() == QEvent::KeyPress) {
        if (m_erase->text8KeyPressed(static_cast<QKeyEvent *>(event)->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The close box ends the program at once, without a question.
    event->accept();
    endProgram();
}

void Form1::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    m_reader->timer1().stop();
    m_reader->timer2().stop();
    m_reader->timer3().stop();
    m_reader->detach();
    hide();
    emit endRequested();
}

Dialogs::Answer Form1::ask(const QString &text, Dialogs::Buttons buttons)
{
    return ask(text, buttons, Dialogs::usualDefault(buttons));
}

Dialogs::Answer Form1::ask(const QString &text, Dialogs::Buttons buttons, Dialogs::Answer defaultButton)
{
    return m_services.dialogs->message(Title, text, buttons, defaultButton);
}

QString Form1::inputBox(const QString &prompt)
{
    return m_services.dialogs->inputBox(Title, prompt);
}

QString Form1::pickHouseFile()
{
    QString name = m_services.dialogs->openFile(Title, dataFolder(), houseFileFilter(), QString());
    // A new name typed without ".txt" would hide the house from every later
    // dialog, and its backup name ("nador42" -> "nadobak") would be shared
    // with other houses. An existing file chosen by its exact name stays so.
    if (!name.isEmpty() && !name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) && !QFileInfo::exists(name))
        name += name.endsWith(QLatin1Char('.')) ? QStringLiteral("txt") : QStringLiteral(".txt");
    return name;
}

QString Form1::dataFolder() const
{
    return m_ui->Text4->text();
}

void Form1::tellDoorChange(const history::DoorChange &change, const QString &housePath, const QString &revokedNote)
{
    const QString since = change.earlier ? QStringLiteral("Az előző %1 (%2) óta").arg(change.what, change.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                                         : QString();
    if (!change.earlier || !change.any()) {
        // The note first: the line below the form stays once its box is gone.
        if (!revokedNote.isEmpty())
            ask(revokedNote);
        showStatus(change.earlier ? since + QStringLiteral(" a kártya leolvasó nem változott.")
                                  : QStringLiteral("A(z) %1 házhoz nincs korábbi kiolvasás, ellenőrzés vagy rátöltés az előzményekben.")
                                        .arg(QFileInfo(housePath).fileName()));
        return;
    }
    if (ask((revokedNote.isEmpty() ? QString() : revokedNote + QStringLiteral("\n\n"))
                + since + QStringLiteral(": %1 új, %2 törölt, %3 módosult kód. Megnyitja az Előzmények ablakot?")
                        .arg(change.added)
                        .arg(change.emptied)
                        .arg(change.changed),
            Dialogs::Buttons::YesNo, Dialogs::Answer::No)
        == Dialogs::Answer::Yes)
        m_history->open(housePath);
}

const cards::RevokedCards &Form1::revokedCards()
{
    if (!m_revokedCards)
        m_revokedCards = std::make_unique<cards::RevokedCards>();
    m_revokedCards->refresh(dataFolder());
    return *m_revokedCards;
}

void Form1::revokedCardsChanged()
{
    // The program's own write may have kept the file's size and time.
    if (m_revokedCards)
        m_revokedCards->forget();
    m_revokedWindow->refresh();
    const cards::RevokedCards &revoked = revokedCards();
    for (QListWidget *list : {m_ui->List2, m_ui->List3, m_ui->List6})
        cards::markRows(list, revoked);
    if (DifferencesWindow *differences = m_verify->window())
        differences->markRevoked();
    m_history->markRevoked();
    m_cardFinder->markRevoked();
}

QString Form1::fromPortPhrase() const
{
    return history::fromPortPhrase(m_state.portSetting);
}

QString Form1::nonResidentListPath() const
{
    return dataFolder() + QStringLiteral("postas.lst");
}

void Form1::torles()
{
    m_helpMode->torles();
}

void Form1::setSideListsEnabled(bool enabled)
{
    m_ui->List5->setEnabled(enabled);
    m_ui->List6->setEnabled(enabled);
    // Every exchange takes the lists when it starts and gives them back when
    // it ends: what the line said before either is over.
    if (!enabled || !exchangeRunning())
        m_statusLine->clearMessage();
}

void Form1::hideCopyView()
{
    m_ui->List1->clear();
    m_ui->List1->hide();
    m_ui->Label24->setText(QString());
    m_ui->Label24->hide();
    m_ui->Label25->hide();
}

void Form1::setShown(std::initializer_list<QWidget *> widgets, bool shown)
{
    for (QWidget *w : widgets)
        w->setVisible(shown);
}

// ---- start-up -------------------------------------------------------------

bool Form1::startUp()
{
    Ui::Form1 &u = *m_ui;
    if (!m_services.instance->tryAcquire()) {
        ask(QStringLiteral("A gépen már fut ez a program."));
        m_ended = true;
        return false;
    }

    const QList<int> ports = m_services.ports->freePorts();
    m_state.portSelectLock = 1; // filling the list selects its first entry
    for (int n : ports) {
        u.Combo1->addItem(QString::number(n));
        u.Combo1->setItemData(u.Combo1->count() - 1, m_services.ports->deviceName(n), Qt::ToolTipRole);
    }

    m_state.portSetting = m_services.settings->value(QStringLiteral("alap"), QStringLiteral("comm"),
                                                     QStringLiteral("port"));
    if (u.Combo1->count() > 0) {
        m_state.portSelectLock = 1;
        int index = u.Combo1->findText(m_state.portSetting, Qt::MatchExactly);
        if (index < 0) {
            m_state.portSetting = u.Combo1->itemText(0);
            index = 0;
        }
        u.Combo1->setCurrentIndex(index);
        openPort(m_state.portSetting.toInt(), true);
    } else {
        ask(QStringLiteral("A gépen nincs szabad port!"));
    }
    m_state.portSelectLock = 0;

    const QString saved = m_services.settings->value(QStringLiteral("belvarium"), QStringLiteral("cim"),
                                                     QStringLiteral("hely"));
    u.Text4->setText(saved);
    if (saved.trimmed().isEmpty()) {
        if (!pickFirstDataFolder())
            return false;
    } else if (!QFileInfo(saved).isDir() || !QFileInfo(saved).isWritable()) {
        // A folder that was removed or became read-only would fail every later
        // save without a word; the user chooses a new one now instead.
        ask(QStringLiteral("Az adatok mappája (%1) nem létezik vagy nem írható. Válasszon másik mappát!")
                .arg(saved));
        if (!pickFirstDataFolder())
            return false;
    }

    ensureNonResidentList(dataFolder());
    m_state.requestLeadByte = 1;
    return true;
}

bool Form1::pickFirstDataFolder()
{
    ask(QStringLiteral("Hozzon létre egy mappát, melyben az adatait tárolni fogja! A 'Fájlnév'-hez írjon be "
                       "egy '1'-et és nyomja meg a megnyitás gombot!"));
    for (;;) {
        const QString picked = runFolderPicker();
        m_ui->Text4->setText(picked);
        if (!picked.trimmed().isEmpty()) {
            if (adoptFolder(picked))
                return true;
            m_ui->Text4->clear();
            continue;
        }
        if (ask(QStringLiteral("Nem hozott létre mappát, ki akar lépni a programból?"),
                Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes) {
            m_ended = true;
            return false;
        }
    }
}

bool Form1::adoptFolder(const QString &picked)
{
    // The dialog returns a file's path; only its folder is kept.
    const QString folder = picked.left(lastSeparator(picked) + 1);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        ask(QStringLiteral("A(z) %1 mappa nem létezik. Válasszon másik mappát!").arg(folder));
        return false;
    }
    // Houses there would be the history's own contents, and a search or a
    // take-out would change the record of what was.
    const QStringList parts = QDir::fromNativeSeparators(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part.compare(history::folderName(), house::fileNameCase()) == 0) {
            ask(QStringLiteral("Az előzmények mappája (%1) és a benne lévő mappák nem lehetnek az adatok mappája. "
                               "Válasszon másik mappát!")
                    .arg(QDir::toNativeSeparators(folder)));
            return false;
        }
    }
    m_services.settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"),
                                  folder);
    m_ui->Text4->setText(folder);
    return true;
}

QString Form1::runFolderPicker()
{
    // At first start there is no folder yet: the user's home is where one is
    // made, not wherever the program happened to be started from.
    const QString current = m_ui->Text4->text();
    return m_services.dialogs->openFile(Title, current.trimmed().isEmpty() ? QDir::homePath() : current,
                                        houseFileFilter(), QString());
}

void Form1::ensureNonResidentList(const QString &folder)
{
    const QString path = folder + QStringLiteral("postas.lst");
    if (QFileInfo::exists(path))
        return;
    if (const house::IoResult made = house::HouseStore::Command(*m_houseStore, QStringLiteral("Nem ott lakók listája")).createEmpty(path); !made)
        ask(made.error);
}

void Form1::changeDataFolder()
{
    torles();
    if (ask(QStringLiteral("Meg kívánja változtatni az adat elérési útvonalat?"), Dialogs::Buttons::OkCancel)
        != Dialogs::Answer::Ok)
        return;
    const QString picked = runFolderPicker();
    if (!picked.trimmed().isEmpty() && adoptFolder(picked))
        ensureNonResidentList(dataFolder());
    m_ui->Text7->hide();
}

// ---- serial port ------------------------------------------------------------

bool Form1::openPort(int number, bool reportFailure)
{
    m_reader->detach();
    QString error;
    std::unique_ptr<SerialLink> link = m_services.ports->open(number, &error);
    if (!link) {
        if (reportFailure)
            ask(error);
        return false;
    }
    m_reader->attach(std::move(link));
    return true;
}

void Form1::choosePort(int comboIndex)
{
    if (m_state.portSelectLock == 1 || comboIndex < 0)
        return;
    m_reader->detach();
    m_state.portSetting = m_ui->Combo1->itemText(comboIndex);
    openPort(m_state.portSetting.toInt(), true);
    m_services.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                                  m_state.portSetting);
}
