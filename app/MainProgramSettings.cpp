#include "MainProgram.h"

void MainProgram::ShowSettingsDialog()
{
}
