#pragma once
#include <QObject>

class Form1;
class QPushButton;

class CopyHouse : public QObject
{
    Q_OBJECT
public:
    explicit CopyHouse(Form1 &form) : m_form(form) {}
    void command5Clicked();

private:
    Form1 &m_form;
};
