// The lowest floor of the time to dialog: the program's dialog template,
// shown with nothing done before it shows.

#include "template_dialog.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RunTemplateDialog(nullptr);
    return 0;
}
