#pragma once
#include <QObject>

class Form1;
class QPushButton;

class ReadOut : public QObject
{
    Q_OBJECT
public:
    explicit ReadOut(Form1 &form) : m_form(form) {}
    void command6Clicked();

private:
    Form1 &m_form;
};
