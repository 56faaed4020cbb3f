#pragma once
// The command handlers. Each takes no arguments (everything it needs is in
// g_engine and the working copy) and returns 0 when the command ran, 2 when it
// could not run or a step failed, 1 for the four types that stop the loop.
// One source per command family defines them; loop.cpp's table names them.

// files: copy (copy.cpp) and delete / make / rename (filesystem.cpp)
int CMD01_Copy_Lnk2StartF_W2000();
int CMD02_DEL_LnkInStartF_W2000();
int CMD15_CopyFile();
int CMD16_DeleteFileOrDir();
int CMD21_MakeDir();
int CMD31_RenameFile();

// registry: single values and keys (registry.cpp), multi-line edit (regedit.cpp)
int CMD03_AddSingleRegValue();
int CMD04_RemoveSingleRegValue();
int CMD12_RemoveSingleRegKey();
int CMD14_MultiRegEdit();

// flow control (flow.cpp)
int CMD05_IncRunningCounter();
int CMD06_DecCmdIndex();
int CMD07_IncCmdIndex();
int CMD08_ResetCmdIndex();
int CMD10_Exit();
int CMD19_JumpToNextSection();
int CMD20_ExitRebootSystem();
int CMD29_ExitAndDeleteINIFile();
int CMD32_LogMsg();
int CMD_NotSupported();  // types 22, 23, 24, 33, 34, 35

// branches (branch.cpp), programs and messages (program.cpp)
int CMD09_BranchOnIsNorvane();
int CMD25_BranchOnSystemID();
int CMD18_BranchOnOS();
int CMD30_BranchOnPowerManagement();
int CMD11_SpawnProgram();
int CMD13_Sleep();
int CMD17_DisplayMessageBox();

// INI editing of the working copy (ini_edit.cpp)
int CMD26_SetValue();
int CMD27_SetVariable();
int CMD28_AppendINIFile();
