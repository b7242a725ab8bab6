#pragma once
// What ksrhost does when it is interrupted (Ctrl-C, SIGTERM, SIGHUP; the
// console's close and Ctrl-Break on Windows): the temporary files of outputs
// not yet complete are removed, every previous output stays as it was, and
// the program ends as the signal ends it.

namespace ksrhost {

// Installs the handlers; call once, before any output is reserved.
void removeTemporariesOnInterruption();

}  // namespace ksrhost
