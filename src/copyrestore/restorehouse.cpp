#include "copyrestore/restorehouse.h"
#include "app/form1.h"

void RestoreHouse::command7Clicked()
{
}

void RestoreHouse::file1Selected(const QString &fileName)
{
}

