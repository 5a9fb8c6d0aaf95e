// The Win32 half of the command table: what each command does. Every file
// that does the work of some commands lists their handlers; dispatch joins the
// lists into one lookup. Each command of the table has exactly one handler
// (tests/win32/test_command_handlers.cpp checks it).
#pragma once

#include <vector>

namespace lg {

struct App;

// Runs after the command's scope and guard allowed it.
using RunCommandFn = void (*)(App&);

struct CommandHandler {
    int id;
    RunCommandFn run;
};
using CommandHandlers = std::vector<CommandHandler>;

// The lists, by the file that holds the handlers.
CommandHandlers ViewCommandHandlers();       // commands_win.cpp: window, view and help commands
CommandHandlers DirectoryCommandHandlers();  // directory_win.cpp: stepping, sorting, refresh
CommandHandlers FileOperationHandlers();     // file_ops_win.cpp: file operations, batch, slideshow
CommandHandlers EditCommandHandlers();       // edit_commands.cpp: Image and Edit menus, saving, options
CommandHandlers DeviceCommandHandlers();     // devices/devices.cpp: clipboard, printer, capture, media

}  // namespace lg
