#include "copyrestore/copyhouse.h"
#include "app/form1.h"
#include "ui_form1.h"

#include "copyrestore/filesteps.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseview.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Question = QStringLiteral("Válasszon ki egy már létező házfájlt felülírásra (a 'házfájl' tartalma")
                       + QStringLiteral(" felülíródik a 'Friss adatok' lista tartalmával!) vagy hozzon létre új házfájlt")
                       + QStringLiteral(" és töltse fel a 'Friss adatok' lista tartalmával!");

} // namespace

void CopyHouse::hideSidePanels()
{
    Ui::Form1 &u = m_form.ui();
    u.Text1->clear();
    m_form.setShown({u.Command3, u.Text5, u.Text6, u.Label15, u.Label16, u.Label28, u.Label3, u.File1, u.Label7,
                     u.List5, u.List6, u.Label8, u.Command2, u.Label30, u.Label2, u.Label29},
                    false);
}

void CopyHouse::fail(const QString &error)
{
    m_form.ask(error);
    m_form.torles();
}

void CopyHouse::command5Clicked()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &state = m_form.state();

    hideSidePanels();
    if (m_form.refuseDuringExchange())
        return;

    if (u.List2->isHidden()) {
        m_form.ask(QStringLiteral("Előbb a Szerkesztés gombbal válassza ki a másolandó házat!"));
        m_form.torles();
        return;
    }

    // A house that was just created shows blank record rows.
    const QListWidgetItem *first = u.List2->item(1);
    if (!first || first->text().trimmed().isEmpty()) {
        m_form.ask(QStringLiteral("Üres házat nem lehet átmásolni!"));
        return;
    }

    if (m_form.ask(Question, Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return;

    state.houseFilePath = m_form.pickHouseFile();
    const QString target = state.houseFilePath;
    if (target.isEmpty()) {
        m_form.torles();
        return;
    }
    u.Text1->setText(target);

    // Text2 can be edited by hand, so what it names is checked before any
    // file is touched.
    QByteArray source;
    if (!readSource(&source))
        return;

    // A name ending in "bak" is its own backup: saving the old content there
    // or deleting a stale backup would destroy the copy just made.
    if (house::isOwnBackup(target)) {
        fail(house::ownBackupMessage(target));
        return;
    }

    // Nor may the target's backup be the source itself: saving or deleting
    // the backup would change the house being copied.
    if (house::sameFile(house::backupPathOf(target), u.Text2->text())) {
        fail(QStringLiteral("A(z) %1 fájl a másolandó ház, nem lehet a(z) %2 másolat biztonsági mentése.")
                 .arg(QDir::toNativeSeparators(u.Text2->text()), QDir::toNativeSeparators(target)));
        return;
    }

    // A house kept elsewhere may still hold a card revoked here since.
    if (!houseview::allowRevoked(m_form, QStringLiteral("Másolás ide innen: %1").arg(QFileInfo(u.Text2->text()).fileName()), target,
                                 source)) {
        m_form.torles();
        return;
    }
    if (!writeTarget(target, source))
        return;
    if (!listCopy(target))
        return;

    u.List1->show();
    u.Label24->setText(QStringLiteral("A másolat adatai:"));
    m_form.setShown({u.Label24, u.Label25}, true);
    m_form.ask(QStringLiteral("A másolás kész."));
    m_form.torles();
}

bool CopyHouse::readSource(QByteArray *source)
{
    const QString path = m_form.ui().Text2->text();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() != house::HouseFileSize) {
        fail(QStringLiteral("A fájl sérült!"));
        return false;
    }
    if (house::IoResult read = filesteps::readAll(path, source); !read) {
        fail(read.error);
        return false;
    }
    if (source->size() != house::HouseFileSize) {
        fail(QStringLiteral("A fájl sérült!"));
        return false;
    }
    return true;
}

bool CopyHouse::writeTarget(const QString &target, const QByteArray &source)
{
    const QString backup = house::backupPathOf(target);
    const QFileInfo info(target);
    house::HouseStore::Command store(m_form.houseStore(), QStringLiteral("Másolás ide innen: %1")
                                                              .arg(QFileInfo(m_form.ui().Text2->text()).fileName()));

    // A name typed in the dialog makes a new house file.
    bool created = false;
    if (!info.exists()) {
        if (house::IoResult made = store.createEmpty(target); !made) {
            fail(made.error);
            return false;
        }
        created = true;
    } else if (!info.isFile()) {
        fail(QStringLiteral("A(z) %1 nem fájl.").arg(QDir::toNativeSeparators(target)));
        return false;
    }

    QByteArray old;
    if (house::IoResult read = filesteps::readAll(target, &old); !read) {
        fail(read.error);
        return false;
    }

    switch (house::classifyLength(old.size())) {
    case house::LengthClass::New: {
        m_form.ask(QStringLiteral("Új, még üres fájl."));
        return replaceWithoutBackup(store, target, source, backup, created);
    }
    case house::LengthClass::Damaged: {
        if (m_form.ask(QStringLiteral("Az új házfájl sérült, a másolat létrehozása előtt törlöm."),
                       Dialogs::Buttons::OkCancel)
            != Dialogs::Answer::Ok) {
            m_form.torles();
            return false;
        }
        // One whole replacement instead of delete, create and write: the
        // damaged file stays until the copy is complete on disk.
        return replaceWithoutBackup(store, target, source, backup, false);
    }
    case house::LengthClass::Valid:
        break;
    }

    if (old != house::blankHouseContent()
        && m_form.ask(QStringLiteral("Az új házfájl nem üres, tartalmát azonos nevű, bak kiterjesztésű fájlba mentem"),
                      Dialogs::Buttons::OkCancel)
               != Dialogs::Answer::Ok) {
        m_form.torles();
        return false;
    }
    // The old content reaches the backup before the target is replaced, each
    // in one step, so that a crash never loses both.
    if (house::IoResult saved = store.replaceWhole(backup, old); !saved) {
        fail(saved.error);
        return false;
    }
    if (house::IoResult written = store.replaceWhole(target, source); !written) {
        fail(written.error);
        return false;
    }
    return true;
}

bool CopyHouse::replaceWithoutBackup(house::HouseStore::Command &store, const QString &target, const QByteArray &source, const QString &backup,
                                     bool createdNow)
{
    if (house::IoResult written = store.replaceWhole(target, source); !written) {
        // An empty file this command made itself is no house of the user's.
        if (createdNow)
            store.removeIfExists(target);
        fail(written.error);
        return false;
    }
    // A backup left from an earlier file of this name is not this house's.
    if (house::IoResult removed = store.removeIfExists(backup); !removed) {
        fail(removed.error);
        return false;
    }
    return true;
}

bool CopyHouse::listCopy(const QString &target)
{
    Ui::Form1 &u = m_form.ui();
    u.List1->clear();

    QByteArray bytes;
    if (house::IoResult read = filesteps::readAll(target, &bytes); !read) {
        fail(read.error);
        return false;
    }
    // Twelve characters at every position from byte 1 up to the length.
    const QString text = cp1250::decode(bytes);
    QStringList records;
    records.reserve(int(text.size() / house::RecordLength) + 1);
    for (qsizetype at = 0; at < text.size(); at += house::RecordLength)
        records << text.mid(at, house::RecordLength);

    QStringList rows;
    house::fillHouseList(rows, records);
    u.List1->addItems(rows);
    return true;
}
