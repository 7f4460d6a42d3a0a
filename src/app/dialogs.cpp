#include "app/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

Dialogs::Answer WidgetDialogs::message(const QString &title, const QString &text, Buttons buttons,
                                       Answer defaultButton)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (buttons) {
    case Buttons::Ok:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    const QMessageBox::StandardButton byAnswer[] = {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes,
                                                    QMessageBox::No};
    if (auto *preferred = qobject_cast<QPushButton *>(box.button(byAnswer[int(defaultButton)])))
        box.setDefaultButton(preferred);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // The close box of a Yes/No question counts as No, of the others as Cancel.
        return buttons == Buttons::YesNo ? Answer::No
             : buttons == Buttons::Ok    ? Answer::Ok
                                         : Answer::Cancel;
    }
}

QString WidgetDialogs::inputBox(const QString &title, const QString &prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

QString WidgetDialogs::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].isEmpty())
            entries << parts[i];
    }
    return entries.join(QStringLiteral(";;"));
}

QString WidgetDialogs::openFile(const QString &title, const QString &initialFolder,
                                const QString &filter, const QString &fileName)
{
    // QFileDialog::getOpenFileName insists on an existing file; the program
    // lets the user name a new house file, so the dialog is set up by hand.
    QFileDialog dialog(m_parent, title, initialFolder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::Accept, QFileDialog::tr("&Open"));
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted)
        return fileName;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.first());
}
