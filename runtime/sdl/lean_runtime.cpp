// What the Linux program takes from the C++ library instead of its verbose terminate handler.
//
// The program throws no exception of its own, but the C++ library it links statically may: a string
// longer than it can be, memory exhausted. Left uncaught, such an exception ends the process
// through the terminate handler, and the library's default one prints the exception's type with
// its symbol demangler, about 40 KiB of code that a slow disc would read at every start without it
// ever running. The handler the library starts with is this variable; defined here, the library's
// unit that sets it to the verbose handler is never linked, and an uncaught exception ends the
// process as abort() does, as it would after the verbose handler's message.

#include <cstdlib>
#include <exception>

namespace __cxxabiv1 {
std::terminate_handler __terminate_handler = std::abort;
}  // namespace __cxxabiv1
