// The real dialogs: the title, Qt's Hungarian buttons, the button under Enter,
// the answer returned, and an open-file dialog that takes a new name.
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

namespace {
// Runs `act` on the modal dialog once it is up.
void whenModal(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, [act] { QApplication::activeModalWidget() ? act(QApplication::activeModalWidget()) : whenModal(act); });
}
using A = Dialogs::Answer;
using B = Dialogs::Buttons;
} // namespace

class TstDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(installHungarianQtTranslation()); }

    void messageBoxes_data()
    {
        QTest::addColumn<B>("buttons");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<A>("defaultButton");
        QTest::addColumn<QString>("press"); // empty: Enter
        QTest::addColumn<A>("answer");
        QTest::newRow("ok") << B::Ok << "OK" << A::Ok << "OK" << A::Ok;
        QTest::newRow("ok cancel") << B::OkCancel << "Mégse OK" << A::Ok << "Mégse" << A::Cancel;
        QTest::newRow("yes no") << B::YesNo << "Igen Nem" << A::Yes << "Nem" << A::No;
        QTest::newRow("yes no cancel") << B::YesNoCancel << "Igen Mégse Nem" << A::Yes << "Igen" << A::Yes;
        QTest::newRow("enter, ok") << B::OkCancel << "Mégse OK" << A::Ok << "" << A::Ok;
        QTest::newRow("enter, cancel") << B::OkCancel << "Mégse OK" << A::Cancel << "" << A::Cancel;
        QTest::newRow("enter, no") << B::YesNo << "Igen Nem" << A::No << "" << A::No;
    }
    void messageBoxes()
    {
        QFETCH(B, buttons);
        QFETCH(QString, texts);
        QFETCH(A, defaultButton);
        QFETCH(QString, press);
        QFETCH(A, answer);
        QString shown;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QStringList names;
            for (QAbstractButton *b : box->findChild<QDialogButtonBox *>()->buttons())
                names << b->text().remove(QLatin1Char('&'));
            names.sort();
            shown = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') + names.join(QLatin1Char(' '));
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == press)
                    b->click();
            if (press.isEmpty())
                QTest::keyClick(w, Qt::Key_Return);
        });
        QCOMPARE(WidgetDialogs().message(QStringLiteral("Belvarium"), QStringLiteral("A bak fájl sérült!"), buttons, defaultButton), answer);
        QCOMPARE(shown, QStringLiteral("Belvarium|A bak fájl sérült!|") + texts);
    }

    void inputAndOpenFile()
    {
        WidgetDialogs dialogs;
        whenModal([](QWidget *w) {
            w->findChild<QLineEdit *>()->setText(QStringLiteral("Postás Pál"));
            QTest::keyClick(w->findChild<QLineEdit *>(), Qt::Key_Return);
        });
        QCOMPARE(dialogs.inputBox(QStringLiteral("Belvarium"), QStringLiteral("Név?")), QStringLiteral("Postás Pál"));
        whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        QCOMPARE(dialogs.inputBox(QStringLiteral("Belvarium"), QStringLiteral("Név?")), QString());

        QTemporaryDir dir;
        QString filter;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            filter = dialog->nameFilters().join(QLatin1Char('|'));
            dialog->selectFile(QStringLiteral("1")); // a name that does not exist yet
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QString txt = QStringLiteral("Szöveg (*.txt)|*.txt|");
        QCOMPARE(dialogs.openFile(QStringLiteral("Belvarium"), dir.path(), txt, QString()),
                 QDir::toNativeSeparators(dir.path() + QStringLiteral("/1"))); // C:\...\1 on Windows
        QCOMPARE(filter, QStringLiteral("Szöveg (*.txt)"));
        whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        QCOMPARE(dialogs.openFile(QStringLiteral("Belvarium"), dir.path(), txt, QString()), QString());
    }
};

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
