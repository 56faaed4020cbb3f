// Entry point of NRVINI.dll. The library keeps no per-process or per-thread
// resources, so there is nothing to set up or tear down.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
