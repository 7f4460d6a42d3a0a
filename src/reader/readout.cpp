#include "reader/readout.h"
#include "app/form1.h"

void ReadOut::command6Clicked()
{
}

