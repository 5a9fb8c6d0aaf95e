// The Win32 half of the command table: the handler lists of the shell's
// files, joined, give every command of the table exactly one handler.
#include <gtest/gtest.h>

#include <map>

#include "shell/command_handlers.h"
#include "shell/logic/commands.h"

namespace {

TEST(CommandHandlers, EveryCommandHasExactlyOneHandler) {
    std::map<int, int> handlers;
    for (const lg::CommandHandlers& part :
         {lg::ViewCommandHandlers(), lg::DirectoryCommandHandlers(), lg::FileOperationHandlers(),
          lg::EditCommandHandlers(), lg::DeviceCommandHandlers()}) {
        for (const lg::CommandHandler& h : part) {
            ++handlers[h.id];
            EXPECT_NE(h.run, nullptr) << h.id;
            EXPECT_NE(lg::FindCommand(h.id), nullptr) << "a handler for " << h.id << ", which is no command";
        }
    }
    for (const lg::CommandInfo& c : lg::Commands()) EXPECT_EQ(handlers[c.id], 1) << "handlers of " << c.id;
}

}  // namespace
