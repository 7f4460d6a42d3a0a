#include "openedhouse.h"

#include "app/form1.h"
#include "house/housefile.h"
#include "scripteddialogs.h"
#include "ui_form1.h"

#include <QTest>

#include <QDir>
#include <QFile>

namespace openedhouse {

QByteArray houseWithCodes(int seed)
{
    QByteArray out;
    out.reserve(house::HouseFileSize);
    for (int k = 0; k < house::RecordCount - 1; ++k) {
        const unsigned a = unsigned(seed * 7919 + k * 31) & 0xFFFFFFu;
        const unsigned b = unsigned(k * 977 + seed * 13) & 0xFFFFFFu;
        out += QByteArray::number(a | 0x100000u, 16).toUpper().right(6);
        out += QByteArray::number(b | 0x100000u, 16).toUpper().right(6);
    }
    out += "FFFFFFFFFFFF";
    return out;
}

QStringList recordsOf(const QByteArray &content)
{
    QStringList records;
    for (qsizetype at = 0; at < content.size(); at += house::RecordLength)
        records << QString::fromLatin1(content.mid(at, house::RecordLength));
    return records;
}

// Opens the house with "Szerkesztés" itself, answering its dialogs, and
// forgets those dialogs so that a test sees only its own.
static void openWithCommand4(Form1 &form, const QString &path)
{
    auto *dialogs = dynamic_cast<ScriptedDialogs *>(form.services().dialogs);
    Q_ASSERT(dialogs);
    dialogs->answer(Dialogs::Answer::Ok);
    dialogs->pick(path);
    QTest::mouseClick(form.ui().Command4, Qt::LeftButton);
    dialogs->clear();
}

static void writeWhole(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

void open(Form1 &form, const QString &path, const QByteArray &content)
{
    writeWhole(path, content);
    openWithCommand4(form, path);
}

void openNew(Form1 &form, const QString &path)
{
    writeWhole(path, QByteArray());
    openWithCommand4(form, path);
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
