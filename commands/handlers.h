#pragma once
// The command handlers. Each takes no arguments (everything it needs is in
// g_engine and the working copy). One source per command family defines them;
// command_types.inc names them beside their numbers and traits.

// Ran: the command did what it says. Failed: it could not run, or a step of
// it failed; the entry says which. StopsRun: the run ends after the command
// (only the types the table marks kStopsTheLoop return it).
enum class CommandResult { Ran, Failed, StopsRun };

using CommandHandler = CommandResult (*)();
// The handler of a type; none for a number no row has.
CommandHandler HandlerFor(int type);

// files: copy (copy.cpp) and delete / make / rename (filesystem.cpp)
CommandResult CMD01_Copy_Lnk2StartF_W2000();
CommandResult CMD02_DEL_LnkInStartF_W2000();
CommandResult CMD15_CopyFile();
CommandResult CMD16_DeleteFileOrDir();
CommandResult CMD21_MakeDir();
CommandResult CMD31_RenameFile();

// registry: single values and keys (registry.cpp), multi-line edit (regedit.cpp)
CommandResult CMD03_AddSingleRegValue();
CommandResult CMD04_RemoveSingleRegValue();
CommandResult CMD12_RemoveSingleRegKey();
CommandResult CMD14_MultiRegEdit();

// flow control (flow.cpp)
CommandResult CMD05_IncRunningCounter();
CommandResult CMD06_DecCmdIndex();
CommandResult CMD07_IncCmdIndex();
CommandResult CMD08_ResetCmdIndex();
CommandResult CMD10_Exit();
CommandResult CMD19_JumpToNextSection();
CommandResult CMD20_ExitRebootSystem();
CommandResult CMD29_ExitAndDeleteINIFile();
CommandResult CMD32_LogMsg();
CommandResult CMD_NotSupported();  // types 22, 23, 24, 33, 34, 35

// branches (branch.cpp), programs and messages (program.cpp)
CommandResult CMD09_BranchOnIsNorvane();
CommandResult CMD25_BranchOnSystemID();
CommandResult CMD18_BranchOnOS();
CommandResult CMD30_BranchOnPowerManagement();
CommandResult CMD11_SpawnProgram();
CommandResult CMD13_Sleep();
CommandResult CMD17_DisplayMessageBox();

// INI editing of the working copy (ini_edit.cpp)
CommandResult CMD26_SetValue();
CommandResult CMD27_SetVariable();
CommandResult CMD28_AppendINIFile();
