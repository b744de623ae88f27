// The statically linked executable's terminate handler. MinGW builds only.
//
// libstdc++'s default handler writes the exception's type to stderr and
// brings the 46 KB C++ name demangler for it. This one aborts at once: the
// only difference is text that a windowed program, which has no console,
// never shows, so nothing the user or a test can observe changes.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
