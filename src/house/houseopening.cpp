#include "house/houseopening.h"
#include "app/form1.h"

void HouseOpening::command4Clicked()
{
}

void HouseOpening::text2DoubleClicked()
{
}

void HouseOpening::list3Scrolled(int value)
{
}

