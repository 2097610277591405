// The program's one application object, constructed before the entry runs,
// and the entry that runs it.
#include "CKordaneApp.h"

CKordaneApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return theApp.Run();
}
