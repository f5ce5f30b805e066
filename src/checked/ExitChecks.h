// The checked build's checks at the very end of a process that ends normally: the heap's blocks
// and the objects of the routed calls still live, and the reports that the environment asks for.
#pragma once

namespace ExitChecks {

// The exit status of a process that ended normally but left heap blocks or system objects that
// it had not kept on purpose; each is listed on standard error.
constexpr unsigned long LeakExitStatus = 0xE0001EA4;

}  // namespace ExitChecks
