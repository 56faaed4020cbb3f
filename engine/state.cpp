#include "engine/engine.h"

// The one record of the run, on the ground floor: the commands, the driver
// and the top floor all read and write it.
EngineState g_engine;
