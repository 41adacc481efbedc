#pragma once

#include "modes/module1.h"
#include "platform/displays.h"
#include "platform/file_system.h"
#include "platform/launch_follower.h"
#include "platform/launch_guard.h"
#include "platform/message_loop.h"
#include "platform/process_facts.h"
#include "platform/return_key.h"

namespace resolaunch {

// What the guard takes of the platform.
struct GuardServices {
    Module1& modes;
    Displays& displays;
    FileSystem& files;
    ProcessFacts& facts;
    GuardLink& link;
    LaunchFollower& follower;
    MessageLoop& loop;  // the thread's, with no window
    ReturnKey& returnKey;
};

// The guard's whole run for `owner`, with no window: it waits for the
// owner's end. When the owner ended with its record in place (it was ended,
// or it crashed), it claims the record, follows the launch the record names
// by the record's rule to its end, puts the screen back where that display
// is still in the recorded mode, deletes the record and ends; Ctrl+Alt+Shift+R
// meanwhile, as in any ResoLaunch. When the record is gone (a normal end),
// or names no launch of this guard's, it ends at once. Returns the exit code.
int RunGuard(const ProcessIdentity& owner, const GuardServices& services);

}  // namespace resolaunch
