#pragma once
#include <QObject>
#include <QString>

class Form1;
class QPushButton;

// "Szerkesztés": opens a house into List2 ("Friss adatok") with its backup in
// List3 ("Korábban mentett") and the non-resident list in List5; the Text2
// double-click picks another house into the same lists; List2 follows List3's
// scrolling.
class HouseOpening : public QObject
{
    Q_OBJECT
public:
    explicit HouseOpening(Form1 &form) : m_form(form) {}
    void command4Clicked();
    // What "Szerkesztés" does once the house is chosen: List2, List3 and
    // List5 filled, the editing controls shown.
    void openHouse(const QString &path);
    void text2DoubleClicked();
    void list3Scrolled(int value);

    // The first row of a list that shows a house and apartment 138 within it.
    static constexpr int FirstRowShown = 1370;
    static constexpr int SelectedRow = 1393;

private:
    // Fills List3 from the backup beside the house when that is a whole house;
    // false (List3 untouched) otherwise. Never creates a backup file.
    bool showBackup();
    void showNonResidents();

    Form1 &m_form;
};
