// What the Windows programs take from the C++ library instead of its exception machinery.
//
// The programs throw and catch no exception and are compiled without them. What is left of them is
// the library's way of reporting an impossible request: a string or vector longer than it can be,
// an empty std::function called, memory exhausted. The library's own reports throw, and a throw
// brings in the exception runtime, the unwinder, the verbose terminate handler with its symbol
// demangler and printf: tarvelin.exe would grow by about 160 KiB, from 209 to 369. Here each report
// ends the process, as the uncaught exception would.
//
// Below are the one of std::function and all those the library defines together in one unit, so
// that unit is never linked, whichever of them a program or a test calls. Should a later library
// add one to that unit and the program call it, the unit clashes with these at link time
// ("multiple definition") rather than bringing the machinery back unseen. report.cmake fails the
// build of tarvelin.exe when the machinery is linked all the same, or the program grows past its
// budget.

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace std {
void __throw_bad_exception() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }
void __throw_bad_function_call() { abort(); }
}  // namespace std

// The replaceable allocation function, as the language lets a program have its own (the library's
// throws std::bad_alloc); operator new[] comes to this one.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  std::abort();
}
