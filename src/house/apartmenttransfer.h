#pragma once
#include <QObject>
#include <QString>

class Form1;
class QPushButton;

// Copies one apartment's nine codes from a donor house (List6) into an
// apartment of the house shown in List2, and "Mentés" writes List2 back.
class ApartmentTransfer : public QObject
{
    Q_OBJECT
public:
    explicit ApartmentTransfer(Form1 &form) : m_form(form) {}
    void command2Clicked();
    void list6DoubleClicked();
    void command8Clicked();

    // The number the first three characters of an answer begin with: leading
    // spaces skipped, digits up to the first other character, 0 without any.
    static int targetApartment(const QString &answer);

    // The donor house List6 shows; empty when it shows none.
    QString donorPath() const { return m_donorPath; }
    // Fills List6 again from the donor file (after the program changed it).
    void refillDonor();

private:
    Form1 &m_form;
    QString m_donorPath;
};
