#include "house/apartmenttransfer.h"
#include "app/form1.h"

void ApartmentTransfer::command2Clicked()
{
}

void ApartmentTransfer::list6DoubleClicked()
{
}

void ApartmentTransfer::command8Clicked()
{
}

