#pragma once
#include <QObject>

class Form1;
class QPushButton;

class Upload : public QObject
{
    Q_OBJECT
public:
    explicit Upload(Form1 &form) : m_form(form) {}
    void command1Clicked();

private:
    Form1 &m_form;
};
