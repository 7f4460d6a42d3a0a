#include "reader/erase.h"
#include "app/form1.h"

void Erase::command17Clicked()
{
}

bool Erase::text8KeyPressed(int key)
{
    return false;
}

