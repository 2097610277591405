// The program entry of every executable built on the framework: runs the
// application object that the program defines statically.
#include <windows.h>

#include "CApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    kd::CApp* app = kd::CApp::Current();
    return app ? app->Run() : -1;
}
