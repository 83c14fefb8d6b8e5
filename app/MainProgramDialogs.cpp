#include "MainProgram.h"

void MainProgram::ShowSpecialCharDialog()
{
}

void MainProgram::ShowProgramInfoDialog()
{
}
