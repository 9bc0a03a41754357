// The one way the program reports an unexpected failure: a message box, then the process ends.
// The C++ runtime's own failure paths (an uncaught exception, a container that cannot grow) are
// routed here too, so they give the same report, and the runtime's exception machinery with its
// name demangler stays out of the executable.
#include <string>

#include "platform/Api.h"
#include "platform/Fatal.h"

void FatalError(std::string_view where, std::string_view what) {
    std::string text = "BLIMO met an unexpected error in " + std::string(where) + " and has to close.\r\n\r\n" +
                       std::string(what);
    Api.MessageBoxA(nullptr, text.c_str(), "BLIMO", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    ExitProcess(1);
}

namespace __gnu_cxx {
void __verbose_terminate_handler() { FatalError("BLIMO", "An unexpected error occurred."); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { FatalError("BLIMO", "Out of memory."); }
[[noreturn]] void __throw_bad_array_new_length() { FatalError("BLIMO", "Out of memory."); }
[[noreturn]] void __throw_bad_cast() { FatalError("BLIMO", "Bad cast."); }
[[noreturn]] void __throw_bad_typeid() { FatalError("BLIMO", "Bad type id."); }
[[noreturn]] void __throw_bad_exception() { FatalError("BLIMO", "Bad exception."); }
[[noreturn]] void __throw_bad_function_call() { FatalError("BLIMO", "Call of an empty function object."); }
[[noreturn]] void __throw_logic_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_domain_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_invalid_argument(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_length_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_out_of_range(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_out_of_range_fmt(const char* what, ...) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_runtime_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_range_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_overflow_error(const char* what) { FatalError("BLIMO", what); }
[[noreturn]] void __throw_underflow_error(const char* what) { FatalError("BLIMO", what); }
}  // namespace std

// Memory that cannot be had is the same kind of failure.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    FatalError("BLIMO", "Out of memory.");
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
