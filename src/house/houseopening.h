#pragma once
#include <QObject>

class Form1;
class QPushButton;

class HouseOpening : public QObject
{
    Q_OBJECT
public:
    explicit HouseOpening(Form1 &form) : m_form(form) {}
    void command4Clicked();
    void text2DoubleClicked();
    void list3Scrolled(int value);

private:
    Form1 &m_form;
};
