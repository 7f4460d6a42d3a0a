#pragma once
#include <QObject>

class Form1;
class QPushButton;

class Erase : public QObject
{
    Q_OBJECT
public:
    explicit Erase(Form1 &form) : m_form(form) {}
    void command17Clicked();
    bool text8KeyPressed(int key);

private:
    Form1 &m_form;
};
