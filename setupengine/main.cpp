// setupengine: a windowless program that runs an installation script.
#include <windows.h>

#include "engine/engine.h"
#include "setupengine/run.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    RunEngine(commandLine ? commandLine : "");
    // The results of a run are the changes it made, the log and the working
    // copy; the exit code is always 0.
    return 0;
}
