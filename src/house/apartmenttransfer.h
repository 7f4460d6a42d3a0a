#pragma once
#include <QObject>

class Form1;
class QPushButton;

class ApartmentTransfer : public QObject
{
    Q_OBJECT
public:
    explicit ApartmentTransfer(Form1 &form) : m_form(form) {}
    void command2Clicked();
    void list6DoubleClicked();
    void command8Clicked();

private:
    Form1 &m_form;
};
