#include "house/nonresidents.h"
#include "app/form1.h"

void NonResidents::command3Clicked()
{
}

void NonResidents::list5Clicked()
{
}

void NonResidents::list5DoubleClicked()
{
}

void NonResidents::list2DoubleClicked()
{
}

