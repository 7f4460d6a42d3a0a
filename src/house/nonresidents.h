#pragma once
#include <QObject>
#include <QString>

class Form1;
class QPushButton;

// The non-resident list postas.lst (List5, Text5, Text6, "Felvesz") and the
// non-residents of apartment 138 in the house shown in List2.
class NonResidents : public QObject
{
    Q_OBJECT
public:
    explicit NonResidents(Form1 &form) : m_form(form) {}
    void command3Clicked();
    void list5Clicked();
    void list5DoubleClicked();
    void list2DoubleClicked();

    static QString defaultCode() { return QStringLiteral("FFFFFFFFFF"); }

private:
    // Refuses (with a message) a code that is not ten hexadecimal digits
    // or a name that has no Windows-1250 form.
    bool acceptable(const QString &name, const QString &code);
    // A revoked card goes into postas.lst only after one more question.
    bool allowRevokedCode(const QString &code);
    // Reloads List5 from postas.lst.
    void refillList5();
    // True when Text2 names the house List2 was filled from, unchanged since,
    // and it holds in apartment 138 what List2 shows there (a transfer kept
    // in List2 may have changed it), so that a slot chosen on screen is that
    // slot on disk.
    bool apartment138MatchesFile(const QString &command);
    void deleteFromApartment138(int row);
    void takeUpFromApartment138();

    Form1 &m_form;
};
