#include "openedhouse.h"

#include "app/form1.h"
#include "house/housefile.h"
#include "ui_form1.h"

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

static void showList2(Form1 &form, const QString &path, const QStringList &rows)
{
    Ui::Form1 &u = form.ui();
    u.Text2->setText(path);
    form.state().houseFilePath = path;
    form.state().backupFilePath = house::backupPathOf(path);
    u.List2->clear();
    u.List2->addItems(rows);
    form.setShown({u.List2, u.Label21, u.Label18}, true);
}

void open(Form1 &form, const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    file.close();
    showList2(form, path, house::houseListRows(recordsOf(content)));
}

void openNew(Form1 &form, const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(house::blankHouseContent());
    file.close();
    QStringList blanks;
    for (int k = 0; k < house::RecordCount; ++k)
        blanks << QString();
    showList2(form, path, house::houseListRows(blanks));
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
