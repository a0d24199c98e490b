#pragma once

namespace sigpatch {

/// The program's start, with the services installed: lets queued window events
/// run, makes the application object, runs and terminates it, and then keeps
/// processing window events while one of its windows is still open. Returns the
/// program's exit status.
int runEntryProcedure();

}  // namespace sigpatch
