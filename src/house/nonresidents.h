#pragma once
#include <QObject>

class Form1;
class QPushButton;

class NonResidents : public QObject
{
    Q_OBJECT
public:
    explicit NonResidents(Form1 &form) : m_form(form) {}
    void command3Clicked();
    void list5Clicked();
    void list5DoubleClicked();
    void list2DoubleClicked();

private:
    Form1 &m_form;
};
