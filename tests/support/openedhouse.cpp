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

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

} // namespace openedhouse
