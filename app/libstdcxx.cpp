// Stand-ins for corners of libstdc++ that the statically linked executable
// would otherwise carry whole, for nothing the program uses. MinGW builds of
// the program only.
//
// HACK: these define functions that libstdc++ declares for its own use. The
// linker takes the program's definition and leaves the library's object file
// out, and with it everything that object drags in.
#include <cstdlib>

// The default terminate handler writes the exception's type to stderr, which
// a GUI program does not have, and brings the 46 KB C++ name demangler for
// it. Terminating is all that is left to do.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
