// The real dialogs: title, Hungarian standard buttons, the answer returned,
// and an open-file dialog that accepts a name that does not exist yet.
#include "app/dialogs.h"
#include "app/translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs `act` on the modal dialog once it is up.
void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal)
            act(modal);
        else
            whenModal(act);
    });
}

QStringList buttonTexts(QWidget *box)
{
    QStringList texts;
    for (QAbstractButton *b : box->findChild<QDialogButtonBox *>()->buttons())
        texts << b->text().remove(QLatin1Char('&'));
    texts.sort();
    return texts;
}
} // namespace

class TstDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(installHungarianQtTranslation()); }

    void messageBoxesShowHungarianButtonsAndReturnTheChoice_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("answer");
        using B = Dialogs::Buttons;
        using A = Dialogs::Answer;
        QTest::newRow("ok") << int(B::Ok) << QStringList{QStringLiteral("OK")} << QStringLiteral("OK") << int(A::Ok);
        QTest::newRow("ok cancel") << int(B::OkCancel) << QStringList{QStringLiteral("Mégse"), QStringLiteral("OK")}
                                   << QStringLiteral("Mégse") << int(A::Cancel);
        QTest::newRow("yes no") << int(B::YesNo) << QStringList{QStringLiteral("Igen"), QStringLiteral("Nem")}
                                << QStringLiteral("Nem") << int(A::No);
        QTest::newRow("yes no cancel") << int(B::YesNoCancel)
                                       << QStringList{QStringLiteral("Igen"), QStringLiteral("Mégse"), QStringLiteral("Nem")}
                                       << QStringLiteral("Igen") << int(A::Yes);
    }
    void messageBoxesShowHungarianButtonsAndReturnTheChoice()
    {
        QFETCH(int, buttons);
        QFETCH(QStringList, texts);
        QFETCH(QString, press);
        QFETCH(int, answer);
        WidgetDialogs dialogs;
        QString title, text;
        QStringList shownButtons;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            shownButtons = buttonTexts(box);
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == press)
                    b->click();
        });
        const Dialogs::Answer got = dialogs.message(QStringLiteral("Belvarium"), QStringLiteral("Ki akar lépni?"),
                                                    Dialogs::Buttons(buttons),
                                                    Dialogs::usualDefault(Dialogs::Buttons(buttons)));
        QCOMPARE(int(got), answer);
        QCOMPARE(title, QStringLiteral("Belvarium"));
        QCOMPARE(text, QStringLiteral("Ki akar lépni?"));
        QCOMPARE(shownButtons, texts);
    }

    void enterPressesTheDefaultButton_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        using B = Dialogs::Buttons;
        using A = Dialogs::Answer;
        QTest::newRow("ok cancel, ok") << int(B::OkCancel) << int(A::Ok);
        QTest::newRow("ok cancel, cancel") << int(B::OkCancel) << int(A::Cancel);
        QTest::newRow("yes no, no") << int(B::YesNo) << int(A::No);
    }
    void enterPressesTheDefaultButton()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        WidgetDialogs dialogs;
        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
        QCOMPARE(int(dialogs.message(QStringLiteral("Belvarium"), QStringLiteral("A bak fájl sérült!"),
                                     Dialogs::Buttons(buttons), Dialogs::Answer(defaultButton))),
                 defaultButton);
    }

    void inputBoxReturnsTheTextOrNothing()
    {
        WidgetDialogs dialogs;
        whenModal([](QWidget *w) {
            w->findChild<QLineEdit *>()->setText(QStringLiteral("Postás Pál"));
            QTest::keyClick(w->findChild<QLineEdit *>(), Qt::Key_Return);
        });
        QCOMPARE(dialogs.inputBox(QStringLiteral("Belvarium"), QStringLiteral("Név?")), QStringLiteral("Postás Pál"));
        whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        QCOMPARE(dialogs.inputBox(QStringLiteral("Belvarium"), QStringLiteral("Név?")), QString());
    }

    void openFileAcceptsANewNameAndCancelGivesTheInitialName()
    {
        QTemporaryDir dir;
        WidgetDialogs dialogs;
        QString filter;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            filter = dialog->nameFilters().join(QLatin1Char('|'));
            dialog->selectFile(QStringLiteral("1"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QString picked = dialogs.openFile(QStringLiteral("Belvarium"), dir.path(),
                                                QStringLiteral("Szöveg (*.txt)|*.txt|"), QString());
        QCOMPARE(picked, QDir::toNativeSeparators(dir.path() + QStringLiteral("/1"))); // C:\...\1 on Windows
        QCOMPARE(filter, QStringLiteral("Szöveg (*.txt)"));

        whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        QCOMPARE(dialogs.openFile(QStringLiteral("Belvarium"), dir.path(), QStringLiteral("Szöveg (*.txt)|*.txt|"),
                                  QString()),
                 QString());
    }
};

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
