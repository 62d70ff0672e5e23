// What tarvelin.exe takes from the C++ library instead of its exception machinery.
//
// The program throws and catches no exception and is compiled without them. What is left of them
// is the library's way of reporting an impossible request (a string longer than it can be, memory
// exhausted) and its verbose handler for an uncaught exception, which alone brings in a symbol
// demangler and printf. Each of those ends the process here, as the uncaught exception would;
// without them, the exception runtime, its thread support and the demangler stay out of the
// program: about 165 KB of code, well over half of it.

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler();
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_bad_function_call() { abort(); }
}  // namespace std

void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  std::abort();
}
