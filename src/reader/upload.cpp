#include "reader/upload.h"
#include "app/form1.h"

void Upload::command1Clicked()
{
}

