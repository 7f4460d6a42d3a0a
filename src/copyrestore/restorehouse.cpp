#include "copyrestore/restorehouse.h"
#include "app/form1.h"
#include "reader/erase.h"
#include "ui_form1.h"

#include "house/housestore.h"
#include "house/housefile.h"
#include "house/houseview.h"
#include "reader/readerlink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void RestoreHouse::pointFile1At(const QString &folder)
{
    m_file1Folder = folder;
    rereadFile1();
}

void RestoreHouse::rereadFile1()
{
    QListWidget *list = m_form.ui().File1;
    list->clear();
    if (m_file1Folder.isEmpty())
        return;
    // Like a file list box: plain files only, the pattern and the order
    // ignore letter case.
    const QDir folder(m_file1Folder);
    list->addItems(folder.entryList({QStringLiteral("*.bak")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void RestoreHouse::hideFile1()
{
    Ui::Form1 &u = m_form.ui();
    m_form.setShown({u.File1, u.Label7}, false);
}

void RestoreHouse::command7Clicked()
{
    Ui::Form1 &u = m_form.ui();

    u.Text1->clear();
    m_form.setShown({u.Command3, u.Text5, u.Text6, u.Label15, u.Label16, u.Label28, u.Label3, u.List5, u.List6,
                     u.Label8, u.Command2, u.Label30, u.Label2, u.Label29},
                    false);
    if (m_form.refuseDuringExchange())
        return;

    m_form.hideCopyView();
    m_form.torles();

    if (m_form.ask(QStringLiteral("Válassza ki a listából melyik bak kiterjesztésű fájlból akar újra txt fájlt készíteni!"),
                   Dialogs::Buttons::OkCancel)
        != Dialogs::Answer::Ok) {
        hideFile1();
        return;
    }
    m_form.setShown({u.File1, u.Label7}, true);
    pointFile1At(m_form.dataFolder());
}

void RestoreHouse::file1Selected(const QString &fileName)
{
    WindowState &state = m_form.state();
    // The list stays usable while the reader works; a restore must wait.
    if (m_form.exchangeRunning()) {
        m_form.ask(QStringLiteral("Amíg a kártya leolvasóval adatcsere folyik, nem lehet visszaállítani."));
        return;
    }

    const QString folder = m_file1Folder.isEmpty() ? m_form.dataFolder() : m_file1Folder;
    const QString backup = folder + fileName;
    const QString txt = backup.left(qMax<qsizetype>(0, backup.size() - 3)) + QStringLiteral("txt");
    state.houseFilePath = backup;
    state.backupFilePath = txt;

    const QFileInfo info(backup);
    if (!info.isFile()) {
        // Gone since the list was read.
        m_form.ask(QStringLiteral("A(z) %1 fájl nem található.").arg(QDir::toNativeSeparators(backup)));
        rereadFile1();
        return;
    }

    switch (house::classifyLength(info.size())) {
    case house::LengthClass::New:
        m_form.ask(QStringLiteral("A bak fájl 0 bájt hosszú, nem készíthető belőle txt fájl."));
        hideFile1();
        return;
    case house::LengthClass::Valid:
        if (QFileInfo::exists(txt)
            && m_form.ask(QStringLiteral("Ezen a néven már létezik txt fájl, ha folytatja törlődni fog!"),
                          Dialogs::Buttons::OkCancel)
                   != Dialogs::Answer::Ok)
            return;
        break;
    case house::LengthClass::Damaged:
        // OK puts damaged bytes in place of the house: a reflexive Enter must not.
        if (m_form.ask(QStringLiteral("A bak fájl sérült!"), Dialogs::Buttons::OkCancel, Dialogs::Answer::Cancel)
            != Dialogs::Answer::Ok) {
            m_form.torles();
            return;
        }
        break;
    }

    // A backup made before a card was revoked still holds it.
    QByteArray content;
    if (QFile file(backup); file.open(QIODevice::ReadOnly))
        content = file.readAll();
    if (!houseview::allowRevoked(m_form, QStringLiteral("Visszaállítás"), txt, content))
        return;

    // One rename over the old txt file: at every instant the house file or
    // the backup holds the backup's data.
    if (house::IoResult moved = house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Visszaállítás")).renameOver(backup, txt); !moved) {
        m_form.ask(moved.error);
        rereadFile1();
        return;
    }
    rereadFile1();
    hideFile1();
}
