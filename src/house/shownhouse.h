#pragma once
#include <QByteArray>
#include <QString>

namespace house {

// What List2 ("Friss adatok") was filled from: the house file and the bytes
// it held at that moment. Only the program's own writes that also change
// List2 move it along; anything else that changes the file (a restore, a copy
// or a read-out into it, another program) leaves it behind, and a write of
// List2 into the file is then refused instead of destroying that change.
class ShownHouse
{
public:
    // List2 was just filled from path, which held content.
    void load(const QString &path, const QByteArray &content);
    // List2 shows no house.
    void clear();
    bool isLoaded() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    const QByteArray &content() const { return m_content; }

    // The program wrote bytes at the 0-based offset of path, and List2 shows
    // them too. A write into another file changes nothing here.
    void applyWrite(const QString &path, qint64 offset, const QByteArray &bytes);

    // List2 holds rows that are not in the file yet (a transfer not saved).
    bool hasUnsavedRows() const { return m_unsaved; }
    void setUnsavedRows(bool unsaved) { m_unsaved = unsaved; }

    // Empty when namedPath (Text2) is the file List2 was filled from and that
    // file still holds exactly what it held then; otherwise the Hungarian
    // sentence saying which file it is and what to do.
    QString problem(const QString &namedPath) const;

private:
    QString m_path;
    QByteArray m_content;
    bool m_unsaved = false;
};

} // namespace house
