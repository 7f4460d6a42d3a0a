#include "help/helpmode.h"
#include "app/form1.h"
#include "ui_form1.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <cmath>

namespace {
const QHash<QString, QString> &helpTexts()
{
    static const QHash<QString, QString> texts{
    {QStringLiteral("Command1"), QStringLiteral("Ha egy lakás adatait szeretné átmásolni egy másik készülékbe, a 'Szerkesztés' gombbal  válassza ki a megfelelő fájlt, melyből az adatokat rá szeretné tölteni egy proxy leolvasóra,  majd nyomja meg a 'Rátöltés' gombot! ")},
    {QStringLiteral("Command5"), QStringLiteral("Másolni egy már létező ház adatait lehet, egy már létező másik házra. Ekkor, annak a háznak a tartalma törlődik, ahova másol és az új tartalom átmásolódik. Másolni úgy is lehet, hogy nincs még létrehozva a ház fájl, melybe az adatokat át akarja másolni. Ilyenkor a program felajánlja új ház fájl létrehozásának lehetőségét. A másolással több ház adatait teheti egyformává. Ha új házfájlt hoz létre ne használjon ékezetes betüket! Így hozzon létre új fájlt: jobb klikk, Új, Szöveges dokumentum, lakáscím beírás, Enter, lakáscím kijelölés, Megnyitás). Ha meglévő fájlt nyit meg, bal klikk a kellő fájlra és Megnyitás.")},
    {QStringLiteral("Command6"), QStringLiteral("Ha ki szeretné olvasni a kódmemória tartalmát egy készüléknek, meg kell adni a fájl nevét, ahova az adatok mentődni fognak. Célszerű a fájl nevét az utca névvel és a házszámmal megadni(pl: nádor42). Ne használjon ékezetes betüket! Ha új fájlt hoz létre, jobb klikk, Új, Szöveges dokumentum, lakáscím beírás, Enter, lakáscím kijelölés, Megnyitás). Ha meglévő fájlt nyit meg, bal klikk és Megnyitás. A meglévő fájl eddigi adatai el fognak veszni.")},
    {QStringLiteral("Command7"), QStringLiteral("Visszaállítani egy bak kiterjesztésű fájlt lehet. Ilyen fájl akkor képződhet, ha kiolvassa egy proxy kártya leolvasó memóriáját, de a leolvasóról már történt lehívás a PC-re, vagy ha egy már letöltött ház tartalmát kívánja átmásolni egy olyan házra, ahol már történt letöltés. Ekkor a program egy azonos nevű, bak kiterjesztésű fájlba menti a korábban lehívott adatokat. Ha úgy dönt, hogy a továbbiakban a bak fájlt szeretné használni és nem a frissen letöltöttet, a visszaállítás a bak fájlból helyreállítja a korábbi azonos nevű, txt kiterjesztésű fájlt.")},
    {QStringLiteral("Command17"), QStringLiteral("Ha egy proxy leolvasó kártyakód memóriáját szeretné kitörölni, ezzel a gombbal megteheti. A jelszó kérő ablakot úgy lehet eltüntetni, hogy belekattint a sárga ablakba, majd megnyomja az 'Esc' gombot.")},
    {QStringLiteral("Command4"), QStringLiteral("Ha egy lakás adatait szeretné átmásolni egy másik ház egyik lakásába tegye a következőket: A bal oldalon a 'Friss adatok' listába kiválasztott ház lesz ahova másol és az'Innen fog másolni' lista lakásaiból fog tudni egy kiválasztott lakás adatait átmásolni. Válasszon ki egy lakást és kattintson kettőt az egérrel a lakás bármelyik sorára! A megjelenő ablakban adja meg a lakás számát (a 'Friss adatokban') ahova másolni szeretne. A nem ott lakók(pl: postás) listájának szerkesztése: válassza ki a házat, melyből vagy melybe adatot szeretne mozgatni('Friss adatok')! Új nem ott lakó felvétele: írja be a nevét (pl: postás) és a kártya kódját(ha nem tudja hagyja üresen) és nyomja meg a 'Felvesz gombot'! Ekkor az adat egy 'postas.lst' fájlba mentődik. Ha a listából át akar vinni a 'Friss adatok'-ba egy sort, kattintson kettőt az egérrel az átvivendő sorra! Ha törölne egy sort a 138-as (nem ott lakók) lakásból, válassza ki az egérrel a megfelelő sort és kattintson rá kettőt, majd válassza az igen gombot! Ha átmásolná a kártya kódot a nem ott lakók szerkesztő részébe, válassza a nem gonbot és adjon nevet a kártya kódnak!")},
    };
    return texts;
}

bool isBackgroundMove(QWidget *surface, QEvent *event)
{
    // A move that reached the surface from a child (a list, a small button,
    // a shadow label) is not a move over the surface itself.
    const auto *move = static_cast<QMouseEvent *>(event);
    return surface->childAt(move->position().toPoint()) == nullptr;
}
} // namespace

HelpMode::HelpMode(Form1 &form)
    : m_form(form)
{
    Ui::Form1 &u = form.ui();
    m_largeButtons = {u.Command1, u.Command5, u.Command6, u.Command7, u.Command17, u.Command4};
    QList<QWidget *> tracked = {&form, u.central, u.Frame1, u.Label17, u.Label23, u.Label27,
                                u.Text1, u.Text2, u.Text3, u.Text4, u.Command19};
    for (QPushButton *b : m_largeButtons)
        tracked << b;
    for (QWidget *w : tracked) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

QString HelpMode::helpText(const QString &buttonName)
{
    return helpTexts().value(buttonName);
}

QStringList HelpMode::helpTextNames()
{
    QStringList names = helpTexts().keys();
    names.sort();
    return names;
}

void HelpMode::showHelpText(const QString &text)
{
    QTextEdit *panel = m_form.ui().Text7;
    // Measured with the fonts this machine has: the same text wraps
    // differently from one font to another. The contents rectangle is the
    // viewport when no scroll bar takes its share, which is the aim.
    const QRect room = panel->contentsRect();
    QTextDocument probe;
    probe.setDocumentMargin(panel->document()->documentMargin());
    probe.setPlainText(text);
    probe.setTextWidth(room.width());
    QFont font = panel->font();
    qreal size = HelpPointSize;
    for (; size > SmallestHelpPointSize; size -= 0.25) {
        font.setPointSizeF(size);
        probe.setDefaultFont(font);
        if (std::ceil(probe.size().height()) <= room.height())
            break;
    }
    font.setPointSizeF(size);
    panel->setFont(font);
    panel->setPlainText(text);
}

HelpMode::Look HelpMode::lookOf(const QString &buttonName)
{
    static const QHash<QString, Look> looks{
        {QStringLiteral("Command7"), {375, 1515, 300, 1665}},
        {QStringLiteral("Command5"), {2280, 1275, 2205, 1425}},
        {QStringLiteral("Command4"), {4080, 1695, 4005, 1845}},
        {QStringLiteral("Command6"), {6300, 1335, 6225, 1485}},
        {QStringLiteral("Command1"), {8160, 1095, 8085, 1245}},
        {QStringLiteral("Command17"), {9780, 975, 9705, 1125}},
    };
    return looks.value(buttonName);
}

void HelpMode::torles()
{
    m_form.ui().Text7->hide();
    for (QPushButton *b : m_largeButtons) {
        if (b->font().pointSizeF() <= 10)
            continue;
        const Look look = lookOf(b->objectName());
        QFont f = b->font();
        f.setPointSizeF(9.75); // size 10 as 96 dpi shows it
        f.setBold(false);
        b->setFont(f);
        b->setGeometry(Form1::px(look.restLeft), Form1::px(RestTop), Form1::px(look.restWidth),
                       Form1::px(RestHeight));
    }
}

void HelpMode::growPanel()
{
    QWidget *panel = m_form.ui().Text7;
    // 11356 steps of the twips size; only the ones that change a pixel are drawn.
    QSize last;
    for (int n = 0; n <= PanelWidth; ++n) {
        const float height = float(n) / 4.68f;
        const QSize size(Form1::px(n), Form1::px(height));
        if (size != last) {
            panel->setGeometry(Form1::px(PanelLeft), Form1::px(PanelTop), size.width(), size.height());
            last = size;
        }
    }
}

void HelpMode::hoverLargeButton(QPushButton *button)
{
    Ui::Form1 &u = m_form.ui();
    if (u.Check1->isChecked())
        showPanel(helpText(button->objectName()));
    if (button->font().pointSizeF() != 12) {
        const Look look = lookOf(button->objectName());
        QFont f = button->font();
        f.setPointSizeF(12);
        f.setBold(true);
        button->setFont(f);
        button->setGeometry(Form1::px(look.hoverLeft), Form1::px(HoverTop), Form1::px(look.hoverWidth),
                            Form1::px(HoverHeight));
        button->raise();
    }
    button->setFocus();
}

void HelpMode::showPanel(const QString &text)
{
    Ui::Form1 &u = m_form.ui();
    u.Text7->show();
    u.Text7->raise();
    if (u.Text7->width() * 15 < PanelWidth)
        growPanel();
    showHelpText(text);
}

void HelpMode::watchMenu(QMenu *menu)
{
    connect(menu, &QMenu::hovered, this, [this](QAction *action) {
        if (m_form.ui().Check1->isChecked() && !action->whatsThis().isEmpty())
            showPanel(action->whatsThis());
    });
}

void HelpMode::watchWidget(QWidget *widget)
{
    widget->installEventFilter(this);
}

void HelpMode::hoverExit()
{
    QPalette p = m_form.ui().Label11->palette();
    p.setColor(QPalette::Window, QColor(255, 0, 0));
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_form.ui().Label11->setPalette(p);
}

bool HelpMode::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && !widget->whatsThis().isEmpty() && m_form.ui().Check1->isChecked())
            showPanel(widget->whatsThis());
        return false;
    }
    if (event->type() != QEvent::MouseMove)
        return false;
    Ui::Form1 &u = m_form.ui();
    if (auto *button = qobject_cast<QPushButton *>(watched)) {
        if (button == u.Command19) {
            hoverExit();
            return false;
        }
        if (m_largeButtons.contains(button)) {
            hoverLargeButton(button);
            // Kept from the frame behind it, which would reset the look at once.
            return !static_cast<QMouseEvent *>(event)->buttons();
        }
        return false;
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget == &m_form || widget == u.central || widget == u.Frame1) {
        if (isBackgroundMove(widget, event))
            torles();
        return false;
    }
    // A control with an explanation of its own (a line edit tracks the mouse)
    // keeps it on screen while the mouse moves over it.
    if (widget && widget->whatsThis().isEmpty())
        torles(); // Label17, Label23, Label27, Text1 to Text4
    return false;
}
