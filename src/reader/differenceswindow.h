#pragma once
#include "reader/protocol.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <functional>

class Form1;
class QLabel;
class QPushButton;
class QTableWidget;
namespace cards { class RevokedCards; }

// "Eltérések": one row per slot in which the reader and the house differ.
// A window of its own beside the main window, not modal, so the technician
// can keep it open while looking at the house; its rows can be copied as text.
class DifferencesWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DifferencesWindow(QWidget *parent = nullptr);
    // Over the main window: the codes its data folder revoked are marked.
    explicit DifferencesWindow(Form1 *form);

    // names: for each difference, the non-residents postas.lst gives its codes
    // (empty for apartments other than 138).
    void showDifferences(const QString &housePath, const QList<protocol::SlotDifference> &differences,
              const QStringList &names);

    QTableWidget *table() const { return m_table; }
    QPushButton *copyButton() const { return m_copy; }
    static QStringList headers();
    // The two codes compared: the reader's (the earlier) and the house's (the later).
    static QList<int> codeColumns() { return {3, 4}; }
    // The rows mark the revoked cards as the list now has them.
    void markRevoked();
    // The selected rows (all of them when none is selected) as tab-separated
    // lines under the headers, as "Sorok másolása" puts them on the clipboard.
    QString rowsAsText() const;

    // The row shape other windows that compare two houses share ("Előzmények"):
    // apartment, slot in the apartment, slot, the two codes compared, names.
    static void fillRows(QTableWidget *table, const QList<protocol::SlotDifference> &differences,
                         const QStringList &names);
    static QString rowsAsText(const QTableWidget *table);
    // For each difference in apartment 138, the non-residents postas.lst
    // (its records in people) gives either code, each side named by its word.
    static QStringList nonResidentNames(const QList<protocol::SlotDifference> &differences, const QStringList &people,
                                        const QString &firstSide, const QString &secondSide);

private:
    void copyRows();

    QLabel *m_summary;
    QTableWidget *m_table;
    QPushButton *m_copy;
    std::function<const cards::RevokedCards &()> m_revoked;
};
