// The driver's commands, one function each. Every function gets the parsed command line (its
// options already checked against the command table) and returns an exit code.
#pragma once

#include "tools/uidriver/command_line.h"

// Windows: finding, reading, waiting.
int ListCommand(const CCommandLine& line);
int StateCommand(const CCommandLine& line);
int TextCommand(const CCommandLine& line);
int RectCommand(const CCommandLine& line);
int WaitCommand(const CCommandLine& line);
int MessageBoxCommand(const CCommandLine& line);
int ItemsCommand(const CCommandLine& line);
int ComboCommand(const CCommandLine& line);

// Windows: acting on them.
int SetTextCommand(const CCommandLine& line);
int TypeCommand(const CCommandLine& line);
int ClickCommand(const CCommandLine& line);
int KeyCommand(const CCommandLine& line);
int PostCommand(const CCommandLine& line);
int SendCommand(const CCommandLine& line);
int ShowCommand(const CCommandLine& line);
int HideCommand(const CCommandLine& line);
int SelectItemCommand(const CCommandLine& line);
int ComboSelectCommand(const CCommandLine& line);

// What a process holds.
int ProcessCountsCommand(const CCommandLine& line);

// The client's settings store in the registry.
int StoreClearCommand(const CCommandLine& line);
int StoreSetStringCommand(const CCommandLine& line);
int StoreSetIntCommand(const CCommandLine& line);
int StoreGetCommand(const CCommandLine& line);
int StoreSetBlobCommand(const CCommandLine& line);
int ProtectPasswordCommand(const CCommandLine& line);
