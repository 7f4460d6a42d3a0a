// Help mode and the hover look of the six large buttons, every help text
// fitting the panel, the Eszközök menu, torles and the window's client area.
#include "harness.h"
#include "cards/cardfinder.h"
#include "help/helpmode.h"
#include "reader/differenceswindow.h"
#include "ui_cardwindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCryptographicHash>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>

namespace {
void moveOver(QWidget *w, QPoint pos = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}
} // namespace

class TstHelpMode : public QObject
{
    Q_OBJECT
    std::unique_ptr<Harness> h;
    QPushButton *button(const char *name) { return h->form->findChild<QPushButton *>(QLatin1String(name)); }

private slots:
    void init()
    {
        h = std::make_unique<Harness>();
        QVERIFY(h->startShown());
    }
    void cleanup() { h.reset(); }

    void theWindow()
    {
        Ui::Form1 &u = h->ui();
        // The client area keeps its size under the menu bar.
        QCOMPARE(u.central->geometry(), QRect(0, h->form->menuBar()->height(), 760, 570));
        QCOMPARE(h->form->size(), QSize(760, 570 + h->form->menuBar()->height()));
        // The house lists show exactly 24 rows, inside the window.
        u.List2->addItems(QStringList(100, QStringLiteral("FFFFFFFFFFFF")));
        u.List2->show();
        QCOMPARE(u.List2->viewport()->height() / u.List2->sizeHintForRow(0), 24);
        QVERIFY(u.List2->geometry().bottom() < u.central->height());
        u.Text8->setText(QStringLiteral("DmvX"));
        QCOMPARE(u.Text8->displayText(), QStringLiteral("****"));
    }

    void largeButtons_data()
    {
        QTest::addColumn<QRect>("rest"); // twips / 15
        QTest::addColumn<QRect>("hover");
        QTest::newRow("Command7") << QRect(25, 24, 101, 22) << QRect(20, 19, 111, 32);
        QTest::newRow("Command5") << QRect(152, 24, 85, 22) << QRect(147, 19, 95, 32);
        QTest::newRow("Command4") << QRect(272, 24, 113, 22) << QRect(267, 19, 123, 32);
        QTest::newRow("Command6") << QRect(420, 24, 89, 22) << QRect(415, 19, 99, 32);
        QTest::newRow("Command1") << QRect(544, 24, 73, 22) << QRect(539, 19, 83, 32);
        QTest::newRow("Command17") << QRect(652, 24, 65, 22) << QRect(647, 19, 75, 32);
    }
    void largeButtons()
    {
        QFETCH(QRect, rest);
        QFETCH(QRect, hover);
        Ui::Form1 &u = h->ui();
        QPushButton *b = button(QTest::currentDataTag());
        const auto looks = [&](const QRect &place, bool hovered) {
            return b->geometry() == place && b->font().pointSizeF() == (hovered ? 12 : 9.75) && b->font().bold() == hovered;
        };
        QVERIFY(looks(rest, false));
        moveOver(b); // without help mode only the look and the focus change
        QVERIFY(looks(hover, true) && b->hasFocus() && u.Text7->isHidden());
        u.Check1->setChecked(true);
        moveOver(b);
        QVERIFY(u.Text7->isVisible());
        QCOMPARE(u.Text7->geometry(), QRect(0, 404, 757, 162));
        QCOMPARE(u.Text7->toPlainText(), HelpMode::helpText(b->objectName()));
        moveOver(button(b == u.Command7 ? "Command5" : "Command7")); // the look stays until torles
        QVERIFY(looks(hover, true));
        moveOver(u.Text2);
        QVERIFY(looks(rest, false) && u.Text7->isHidden());
        u.Check1->setChecked(false);
        moveOver(b);
        QVERIFY(u.Text7->isHidden());
    }

    // The large buttons' texts and every explanation a later command carries.
    void everyHelpTextFits()
    {
        Ui::Form1 &u = h->ui();
        QCryptographicHash large(QCryptographicHash::Md5); // the texts as the users know them
        QStringList texts;
        for (const QString &name : HelpMode::helpTextNames()) {
            texts << HelpMode::helpText(name);
            large.addData((name + texts.last()).toUtf8());
        }
        QCOMPARE(large.result().toHex(), QByteArray("4d7b88f2b1b0f78f29892fb7c698867e"));
        DifferencesWindow window;
        h->form->cardFinder().findTriggered(); // its window's controls
        for (QObject *command : h->form->findChildren<QObject *>() + QList<QObject *>{window.copyButton()})
            texts << command->property("whatsThis").toString();
        texts.removeAll(QString());
        QCOMPARE(texts.size(), 6 + 4 + 3);
        u.Check1->setChecked(true);
        moveOver(u.Command17); // grows the panel
        for (const QString &text : texts + QStringList{QStringLiteral("Rövid.")}) {
            h->form->helpMode().showHelpText(text);
            u.Text7->document()->documentLayout()->documentSize(); // finishes the layout
            // The scroll bar cannot be reached: the way to it hides the panel.
            QVERIFY2(u.Text7->toPlainText() == text && u.Text7->verticalScrollBar()->maximum() == 0, qPrintable(text.left(40)));
            QVERIFY(u.Text7->font().pointSizeF() >= 7 && u.Text7->font().pointSizeF() <= 9.75);
        }
        QCOMPARE(u.Text7->font().pointSizeF(), 9.75); // a short text after a long one at full size
    }

    // New commands: a caption, a tooltip, an accessible name equal to the
    // caption, and their explanation in the panel while help mode is on.
    void newCommands()
    {
        Ui::Form1 &u = h->ui();
        auto *menu = h->form->findChild<QMenu *>(QStringLiteral("toolsMenu"));
        QCOMPARE(menu->title(), QStringLiteral("Eszközök"));
        QCOMPARE(menu->accessibleName(), menu->title());
        DifferencesWindow window;
        h->form->helpMode().watchWidget(window.copyButton());
        h->form->cardFinder().findTriggered();
        const Ui::CardWindow &cards = h->form->cardFinder().ui();
        QList<QObject *> commands{window.copyButton(), cards.searchButton, cards.takeOutButton};
        QStringList captions;
        for (QAction *a : menu->actions()) {
            commands << a;
            captions << a->text();
            QCOMPARE(QAccessible::queryAccessibleInterface(menu)->child(int(captions.size()) - 1)->text(QAccessible::Name), a->text());
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("Ellenőrzés"), QStringLiteral("Eltérések rátöltése"),
                                        QStringLiteral("Kártya keresése"), QStringLiteral("Lakás ürítése")}));
        for (QObject *command : commands) {
            const QString caption = command->property("text").toString(), tip = command->property("toolTip").toString();
            QVERIFY(!tip.isEmpty() && tip != caption);
            QVERIFY(!command->isWidgetType() || static_cast<QWidget *>(command)->accessibleName() == caption);
            for (const bool help : {false, true}) {
                h->form->torles();
                u.Check1->setChecked(help);
                QEvent enter(QEvent::Enter);
                command->isWidgetType() ? void(QApplication::sendEvent(command, &enter)) : emit menu->hovered(static_cast<QAction *>(command));
                QCOMPARE(u.Text7->isVisible(), help);
            }
            QCOMPARE(u.Text7->toPlainText(), command->property("whatsThis").toString());
        }
    }

    void whatCallsTorles()
    {
        Ui::Form1 &u = h->ui();
        u.Check1->setChecked(true);
        h->form->setShown({u.List2, u.Command2, u.Command3}, true);
        // The background and the frame at free spots, three labels and Text1 to Text4 reset...
        const QList<std::pair<QWidget *, QPoint>> resetting = {{u.central, {758, 568}}, {u.Frame1, {735, 52}},
            {u.Label17, {2, 2}}, {u.Label23, {2, 2}}, {u.Label27, {2, 2}}, {u.Text1, {2, 2}}, {u.Text2, {2, 2}},
            {u.Text3, {2, 2}}, {u.Text4, {2, 2}}};
        for (const auto &[surface, spot] : resetting) {
            moveOver(u.Command4);
            // ...other controls, Kilép among them, do not.
            for (QWidget *w : QList<QWidget *>{u.List2->viewport(), u.Command2, u.Command3, u.Combo1, u.Check1, u.Label1, u.Label14,
                               u.Label20, u.Command19})
                moveOver(w);
            QVERIFY2(u.Text7->isVisible() && u.Command4->font().bold(), qPrintable(surface->objectName()));
            moveOver(surface, spot);
            QVERIFY2(u.Text7->isHidden() && !u.Command4->font().bold(), qPrintable(surface->objectName()));
        }
        // Kilép's hover turns its shadow red for good, without focus or a new look.
        QCOMPARE(u.Label11->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(!u.Command19->hasFocus() && u.Command19->font() == u.Command2->font());
        // A button made size 10 or smaller by hand keeps its place.
        QFont f = u.Command4->font();
        f.setPointSizeF(10);
        u.Command4->setFont(f);
        u.Command4->setGeometry(1, 2, 3, 4);
        h->form->torles();
        QCOMPARE(u.Command4->geometry(), QRect(1, 2, 3, 4));
    }
};

QTEST_MAIN(TstHelpMode)
#include "tst_helpmode.moc"
