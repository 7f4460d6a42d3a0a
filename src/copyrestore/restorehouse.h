#pragma once
#include <QObject>

class Form1;
class QPushButton;

class RestoreHouse : public QObject
{
    Q_OBJECT
public:
    explicit RestoreHouse(Form1 &form) : m_form(form) {}
    void command7Clicked();
    void file1Selected(const QString &fileName);

private:
    Form1 &m_form;
};
