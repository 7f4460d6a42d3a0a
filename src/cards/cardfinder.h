#pragma once
#include "cards/cardsearch.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class Form1;
class QWidget;
namespace Ui { class CardWindow; }

// "Kártya keresése": a window that finds a card in every house and backup
// of the data folder and in postas.lst, opens a house at a hit, and takes
// the selected codes out ("Kód törlése"). "Lakás ürítése" empties the
// apartment selected in the open house.
//
// The search walks the folder in slices of a few milliseconds, so the
// window stays responsive over a folder of a thousand houses.
class CardFinder : public QObject
{
    Q_OBJECT
public:
    explicit CardFinder(Form1 &form);
    ~CardFinder() override;

    void findTriggered();
    void emptyApartmentTriggered();

    // Starts (or starts again) a search for what the user typed; the
    // result comes with searchFinished. False (and a message) when the text
    // is no query.
    bool search(const QString &text);
    bool searching() const { return m_searching; }
    // Every hit of the last search (the window shows the first 1000).
    const QList<cards::Hit> &hits() const { return m_hits; }
    const QStringList &skipped() const { return m_skipped; }

    QWidget *window() const;
    Ui::CardWindow &ui() const { return *m_ui; }

    static QString runningMessage();
    // The hits mark the revoked cards as the list now has them.
    void markRevoked();

signals:
    void searchFinished();

private:
    void searchStep();
    void showHits();
    void hitDoubleClicked(int row);
    void takeOutSelected();

    Form1 &m_form;
    std::unique_ptr<Ui::CardWindow> m_ui;
    QWidget *m_window = nullptr;
    bool m_searching = false;
    QString m_text;           // the query of the last search
    QString m_folder;         // the data folder it looked in
    QByteArray m_digits;
    QString m_name;           // the non-resident whose code was looked for, if so
    QStringList m_people;     // postas.lst records
    QStringList m_files;      // still to look at
    QList<cards::Hit> m_hits;
    QStringList m_skipped;
    int m_filesSearched = 0;
};
