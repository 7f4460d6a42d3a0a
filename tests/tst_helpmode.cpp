// The main window's controls at start, help mode, the hover look of the
// large buttons and torles.
#include "harness.h"
#include "help/helpmode.h"
#include "cards/cardfinder.h"
#include "reader/differenceswindow.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>

#include <QApplication>
#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

namespace {
void moveOver(QWidget *w, QPoint pos = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

struct Geometry {
    const char *name;
    QRect rest;
    QRect hover;
};
// Twips / 15 at 96 dpi.
const Geometry Buttons[] = {
    {"Command7", QRect(25, 24, 101, 22), QRect(20, 19, 111, 32)},
    {"Command5", QRect(152, 24, 85, 22), QRect(147, 19, 95, 32)},
    {"Command4", QRect(272, 24, 113, 22), QRect(267, 19, 123, 32)},
    {"Command6", QRect(420, 24, 89, 22), QRect(415, 19, 99, 32)},
    {"Command1", QRect(544, 24, 73, 22), QRect(539, 19, 83, 32)},
    {"Command17", QRect(652, 24, 65, 22), QRect(647, 19, 75, 32)},
};

const QString UploadHelp = QStringLiteral(
    "Ha egy lakás adatait szeretné átmásolni egy másik készülékbe, a 'Szerkesztés' gombbal  válassza ki "
    "a megfelelő fájlt, melyből az adatokat rá szeretné tölteni egy proxy leolvasóra,  majd nyomja meg a "
    "'Rátöltés' gombot! ");
const QString EraseHelp = QStringLiteral(
    "Ha egy proxy leolvasó kártyakód memóriáját szeretné kitörölni, ezzel a gombbal megteheti. A jelszó "
    "kérő ablakot úgy lehet eltüntetni, hogy belekattint a sárga ablakba, majd megnyomja az 'Esc' gombot.");
} // namespace

class TstHelpMode : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    QPushButton *button(const char *name) { return h->form->findChild<QPushButton *>(QLatin1String(name)); }
    void checkResting()
    {
        for (const Geometry &g : Buttons) {
            QPushButton *b = button(g.name);
            QCOMPARE(b->geometry(), g.rest);
            QCOMPARE(b->font().pointSizeF(), 9.75);
            QVERIFY(!b->font().bold());
        }
    }
    void checkHovered(const Geometry &g)
    {
        QPushButton *b = button(g.name);
        QCOMPARE(b->geometry(), g.hover);
        QCOMPARE(b->font().pointSizeF(), 12.0);
        QVERIFY(b->font().bold());
    }
    // The help panel's scroll bar cannot be reached: the way to it hides the panel.
    bool helpFits()
    {
        QApplication::processEvents();
        h->ui().Text7->document()->documentLayout()->documentSize(); // finishes the layout
        return h->ui().Text7->verticalScrollBar()->maximum() == 0;
    }

private slots:
    void init()
    {
        h = std::make_unique<Harness>();
        h->saveDataFolder();
        h->ports.free = {1};
        QVERIFY(h->start());
        h->form->show();
        QVERIFY(QTest::qWaitForWindowExposed(h->form.get()));
        h->form->activateWindow();
    }
    void cleanup() { h.reset(); }

    void controlsAtStart()
    {
        Ui::Form1 &u = h->ui();
        QCOMPARE(h->form->windowTitle(), QStringLiteral("Belvarium"));
        // The client area keeps its size under the menu bar.
        QCOMPARE(u.central->geometry(), QRect(0, h->form->menuBar()->height(), 760, 570));
        QCOMPARE(h->form->size(), QSize(760, 570 + h->form->menuBar()->height()));
        QCOMPARE(u.Frame1->title(), QStringLiteral("Kártyakód memória"));
        QCOMPARE(u.Command19->text(), QStringLiteral("Kilép"));
        QCOMPARE(u.Command2->text(), QStringLiteral("Innen fog másolni:"));
        QCOMPARE(u.Label29->text(), QStringLiteral("Nem ott lakók:  (138-as lakás)"));
        QCOMPARE(u.Label9->text(), QStringLiteral("Label9"));
        QCOMPARE(u.Label12->text(), QStringLiteral("Label4"));
        QCOMPARE(u.Command6->toolTip(), QStringLiteral("Kártya leolvasó adatainak PC-re mentése."));
        QCOMPARE(u.Check1->toolTip(), QStringLiteral("Jelőlje be és a menjen az egérrel egy nyomógmbra!"));
        QCOMPARE(u.List5->toolTip(), QStringLiteral("Kettős kattintással válasszon valakit!"));
        QVERIFY(!u.Check1->isChecked());
        QCOMPARE(u.Text6->text(), QStringLiteral("FFFFFFFFFF"));
        QCOMPARE(u.Text6->maxLength(), 10);
        QCOMPARE(u.Text5->maxLength(), 17);
        QCOMPARE(u.Text8->echoMode(), QLineEdit::Password);
        u.Text8->setText(QStringLiteral("DmvX"));
        QCOMPARE(u.Text8->displayText(), QStringLiteral("****"));
        u.Text8->clear();
        QCOMPARE(u.Text8->palette().color(QPalette::Base), QColor(Qt::yellow));
        QCOMPARE(u.List2->palette().color(QPalette::Text), QColor(Qt::blue));
        QCOMPARE(u.ProgressBar1->value(), 0);

        for (QWidget *w : {static_cast<QWidget *>(u.List1), static_cast<QWidget *>(u.List2),
                           static_cast<QWidget *>(u.List3), static_cast<QWidget *>(u.List5),
                           static_cast<QWidget *>(u.List6), static_cast<QWidget *>(u.File1),
                           static_cast<QWidget *>(u.Text5), static_cast<QWidget *>(u.Text6),
                           static_cast<QWidget *>(u.Text7), static_cast<QWidget *>(u.Text8),
                           static_cast<QWidget *>(u.Command8), static_cast<QWidget *>(u.Command3),
                           static_cast<QWidget *>(u.Command2), static_cast<QWidget *>(u.Label21),
                           static_cast<QWidget *>(u.Label31), static_cast<QWidget *>(u.Label3)})
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        for (QWidget *w : {static_cast<QWidget *>(u.Command6), static_cast<QWidget *>(u.Label4),
                           static_cast<QWidget *>(u.Text4), static_cast<QWidget *>(u.Label11),
                           static_cast<QWidget *>(u.Combo1), static_cast<QWidget *>(u.ProgressBar1)})
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));

        // Every control a user reaches can be found by assistive technology.
        const auto widgets = h->form->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            const QString name = w->objectName();
            const bool control = name.startsWith(QLatin1String("Command")) || name.startsWith(QLatin1String("Text"))
                || name.startsWith(QLatin1String("List")) || name == QLatin1String("Combo1")
                || name == QLatin1String("Check1") || name == QLatin1String("File1");
            if (control)
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(name));
        }

        // The house lists show exactly 24 rows.
        u.List2->addItems(QStringList(100, QStringLiteral("FFFFFFFFFFFF")));
        u.List2->show();
        QCOMPARE(u.List2->viewport()->height() / u.List2->sizeHintForRow(0), 24);
        QVERIFY(u.List2->geometry().bottom() < h->form->height());
        checkResting();
    }

    void hoverWithoutHelpEnlargesAndFocuses()
    {
        moveOver(button("Command5"));
        checkHovered(Buttons[1]);
        QVERIFY(button("Command5")->hasFocus());
        QVERIFY(!h->ui().Text7->isVisible());
    }

    void helpPanelGrowsOnceAndShowsTheText()
    {
        h->ui().Check1->setChecked(true);
        moveOver(button("Command1"));
        Ui::Form1 &u = h->ui();
        QVERIFY(u.Text7->isVisible());
        QCOMPARE(u.Text7->geometry(), QRect(0, 404, 757, 162));
        QCOMPARE(u.Text7->toPlainText(), UploadHelp);
        checkHovered(Buttons[4]);

        // Other buttons: the panel is already full size, only its text changes;
        // the first button keeps its hover look until torles. A short text after
        // a long one is back at full size.
        moveOver(button("Command4"));
        QVERIFY(helpFits());
        moveOver(button("Command17"));
        QCOMPARE(u.Text7->geometry(), QRect(0, 404, 757, 162));
        QCOMPARE(u.Text7->toPlainText(), EraseHelp);
        QCOMPARE(u.Text7->font().pointSizeF(), 9.75);
        checkHovered(Buttons[4]);
        checkHovered(Buttons[5]);
        for (const char *name : {"Command7", "Command5", "Command4", "Command6"})
            QVERIFY(!HelpMode::helpText(QLatin1String(name)).isEmpty());
    }

    // The large buttons' texts and every explanation a later command carries.
    void everyHelpTextShowsWhole()
    {
        Ui::Form1 &u = h->ui();
        QStringList texts;
        for (const QString &name : HelpMode::helpTextNames())
            texts << HelpMode::helpText(name);
        DifferencesWindow window;
        h->form->cardFinder().findTriggered(); // its window's controls
        QList<QObject *> commands{window.copyButton()};
        for (QAction *a : h->form->findChildren<QAction *>())
            commands << a;
        for (QWidget *w : h->form->findChildren<QWidget *>())
            commands << w;
        for (QObject *command : commands) {
            const QString text = command->property("whatsThis").toString();
            if (!text.isEmpty())
                texts << text;
        }
        QCOMPARE(texts.size(), 6 + 4 + 3);
        u.Check1->setChecked(true);
        moveOver(button("Command17")); // grows the panel
        for (const QString &text : texts) {
            h->form->helpMode().showHelpText(text);
            QCOMPARE(u.Text7->toPlainText(), text);
            QVERIFY2(helpFits(), qPrintable(text.left(40)));
            QVERIFY(u.Text7->font().pointSizeF() >= 7 && u.Text7->font().pointSizeF() <= 9.75);
        }
    }

    // New commands: a caption, a tooltip, an accessible name equal to the
    // caption, and their explanation in the panel while help mode is on.
    void toolsMenuCommands()
    {
        Ui::Form1 &u = h->ui();
        auto *menu = h->form->findChild<QMenu *>(QStringLiteral("toolsMenu"));
        QCOMPARE(menu->title(), QStringLiteral("Eszközök"));
        QCOMPARE(menu->accessibleName(), menu->title());
        QAccessibleInterface *items = QAccessible::queryAccessibleInterface(menu);
        QStringList captions;
        for (int i = 0; i < menu->actions().size(); ++i) {
            QAction *a = menu->actions().at(i);
            captions << a->text();
            QCOMPARE(items->child(i)->text(QAccessible::Name), a->text());
            QVERIFY(!a->toolTip().isEmpty() && a->toolTip() != a->text());
            u.Check1->setChecked(false);
            emit menu->hovered(a);
            QVERIFY(u.Text7->isHidden());
            u.Check1->setChecked(true);
            emit menu->hovered(a);
            QVERIFY(u.Text7->isVisible());
            QCOMPARE(u.Text7->toPlainText(), a->whatsThis());
            h->form->torles();
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("Ellenőrzés"), QStringLiteral("Eltérések rátöltése"),
                                        QStringLiteral("Kártya keresése"), QStringLiteral("Lakás ürítése")}));
        // The buttons of the new windows.
        DifferencesWindow window;
        h->form->helpMode().watchWidget(window.copyButton());
        h->form->cardFinder().findTriggered();
        QWidget *cards = h->form->cardFinder().window();
        for (QPushButton *b : {window.copyButton(), cards->findChild<QPushButton *>("searchButton"),
                               cards->findChild<QPushButton *>("takeOutButton")}) {
            QCOMPARE(b->accessibleName(), b->text());
            QVERIFY(!b->toolTip().isEmpty());
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(b, &enter);
            QCOMPARE(u.Text7->toPlainText(), b->whatsThis());
        }
    }

    void backgroundAndResettingSurfacesCallTorles()
    {
        Ui::Form1 &u = h->ui();
        u.Check1->setChecked(true);
        const QList<QWidget *> surfaces = {u.central, u.Frame1, u.Label17, u.Label23, u.Label27,
                                           u.Text1, u.Text2, u.Text3, u.Text4};
        for (QWidget *surface : surfaces) {
            moveOver(button("Command6"));
            moveOver(button("Command7"));
            QVERIFY(u.Text7->isVisible());
            // A free spot of the window's background and of the frame.
            const QPoint spot = surface == u.central ? QPoint(758, 568)
                              : surface == u.Frame1  ? QPoint(735, 52)
                                                     : QPoint(2, 2);
            moveOver(surface, spot);
            QVERIFY2(!u.Text7->isVisible(), qPrintable(surface->objectName()));
            checkResting();
        }
    }

    void otherControlsDoNotReact()
    {
        Ui::Form1 &u = h->ui();
        u.Check1->setChecked(true);
        u.List2->show();
        u.Command2->show();
        u.Command3->show();
        moveOver(button("Command4"));
        for (QWidget *w : {static_cast<QWidget *>(u.List2->viewport()), static_cast<QWidget *>(u.Command2),
                           static_cast<QWidget *>(u.Command3), static_cast<QWidget *>(u.Combo1),
                           static_cast<QWidget *>(u.Check1), static_cast<QWidget *>(u.Label1),
                           static_cast<QWidget *>(u.Label14), static_cast<QWidget *>(u.Label20)}) {
            moveOver(w);
            QVERIFY2(u.Text7->isVisible(), qPrintable(w->objectName()));
            checkHovered(Buttons[2]);
        }
    }

    void exitHoverTurnsItsShadowRedForGood()
    {
        Ui::Form1 &u = h->ui();
        QCOMPARE(u.Label11->palette().color(QPalette::Window), QColor(0, 128, 128));
        moveOver(u.Command19);
        QCOMPARE(u.Label11->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(!u.Command19->hasFocus());
        QCOMPARE(u.Command19->font().pointSizeF(), u.Command2->font().pointSizeF());
        moveOver(u.central, QPoint(758, 568));
        QCOMPARE(u.Label11->palette().color(QPalette::Window), QColor(255, 0, 0));
    }

    void torlesLeavesButtonsOfSizeTenOrLessAlone()
    {
        QPushButton *b = button("Command4");
        QFont f = b->font();
        f.setPointSizeF(10);
        b->setFont(f);
        b->setGeometry(1, 2, 3, 4);
        h->form->torles();
        QCOMPARE(b->geometry(), QRect(1, 2, 3, 4));
    }

    void untickingLeavesThePanelUntilTheNextReset()
    {
        Ui::Form1 &u = h->ui();
        u.Check1->setChecked(true);
        moveOver(button("Command5"));
        u.Check1->setChecked(false);
        QVERIFY(u.Text7->isVisible());
        moveOver(u.Text2);
        QVERIFY(!u.Text7->isVisible());
        moveOver(button("Command5"));
        QVERIFY(!u.Text7->isVisible());
    }
};

QTEST_MAIN(TstHelpMode)
#include "tst_helpmode.moc"
