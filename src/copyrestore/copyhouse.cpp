#include "copyrestore/copyhouse.h"
#include "app/form1.h"

void CopyHouse::command5Clicked()
{
}

