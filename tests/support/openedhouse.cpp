#include "openedhouse.h"

#include "app/form1.h"
#include "house/housefile.h"
#include "harness.h"
#include "ui_form1.h"

#include <QDir>
#include <QTest>

namespace openedhouse {

QByteArray houseWithCodes(int seed)
{
    QByteArray out;
    for (unsigned k = 0; k < house::RecordCount - 1; ++k)
        for (unsigned code : {unsigned(seed) * 7919 + k * 31, k * 977 + unsigned(seed) * 13})
            out += QByteArray::number((code & 0xFFFFFFu) | 0x100000u, 16).toUpper().right(6);
    return out + "FFFFFFFFFFFF";
}

QStringList recordsOf(const QByteArray &content)
{
    QStringList records;
    for (qsizetype at = 0; at < content.size(); at += house::RecordLength)
        records << QString::fromLatin1(content.mid(at, house::RecordLength));
    return records;
}

// "Szerkesztés" answered, its dialogs then forgotten: a test sees only its own.
void open(Form1 &form, const QString &path, const QByteArray &content)
{
    if (QFile file(path); file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    auto *dialogs = dynamic_cast<ScriptedDialogs *>(form.services().dialogs);
    Q_ASSERT(dialogs);
    dialogs->answer(Dialogs::Answer::Ok);
    dialogs->pick(path);
    QTest::mouseClick(form.ui().Command4, Qt::LeftButton);
    dialogs->clear();
}

QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile f(dir.filePath(name));
        files.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

QList<std::pair<history::Entry, QByteArray>> historyOf(const QString &folder)
{
    const history::Store store(folder);
    QList<std::pair<history::Entry, QByteArray>> out;
    for (const QString &key : store.keys())
        for (const history::Entry &entry : store.entriesOf(key))
            if (history::Store::sameKey(entry.file, key) && (out << std::pair{entry, QByteArray()}, !entry.content.isEmpty()) && !store.content(entry.content, &out.last().second))
                out.last().second = "<lost>";
    std::stable_sort(out.begin(), out.end(), [](const auto &a, const auto &b) { return std::pair(a.first.time, a.first.line) < std::pair(b.first.time, b.first.line); });
    return out;
}

QString versionsDiffer(const QString &folder, qsizetype from, const QMap<QString, QByteArray> &before, const QMap<QString, QByteArray> &after)
{
    QStringList kept, due;
    for (const auto &[entry, bytes] : historyOf(folder).mid(from))
        kept << QStringLiteral("%1 %2 %3").arg(entry.file).arg(entry.changed).arg(bytes == before.value(entry.file) ? "was" : "?");
    QMap<QString, QByteArray> files = before;
    files.insert(after);
    for (const QString &name : files.keys()) {
        const QByteArray was = before.value(name).leftJustified(16392, 'F'), now = after.value(name).leftJustified(16392, 'F');
        int differ = 0; // a missing record is an empty one
        for (int at = 0; at < 16380; at += 12)
            differ += was.mid(at, 12) != now.mid(at, 12);
        if (!name.endsWith(".lst") && after.value(name) != before.value(name)) // the lists are no houses
            due << QStringLiteral("%1 %2 was").arg(name).arg(differ);
    }
    kept.sort(), due.sort();
    return kept == due ? QString() : QStringLiteral("kept: %1; due: %2").arg(kept.join(", "), due.join(", "));
}

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

} // namespace openedhouse
