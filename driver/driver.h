#pragma once
// The back ends of the driver operations table.
#include "engine/driverops.h"

void FillDriverTable9x(DriverOperations& table);
void FillDriverTableNT(DriverOperations& table);
// NT back end on Windows NT 4.0, 2000 and XP; the 9x back end on every other
// version, Windows Me and versions no test knows included.
void ChooseDriverBackEnd(DriverOperations& table);
