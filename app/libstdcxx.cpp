// Stand-ins for corners of libstdc++ that the statically linked executable
// would otherwise carry whole, for nothing the program uses. MinGW builds of
// the program only.
//
// HACK: these define functions that libstdc++ declares for its own use. The
// linker takes the program's definition and leaves the library's object file
// out, and with it everything that object drags in.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <utility>

// The default terminate handler writes the exception's type to stderr, which
// a GUI program does not have, and brings the 46 KB C++ name demangler for
// it. Terminating is all that is left to do.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The throw helpers behind the containers' checks share one object file
// with those for every standard exception, whose copy-on-write strings bring
// the old string implementation and std::random_device: about 80 KB. The
// stand-ins throw exceptions with the same what(). Code that needs another
// helper brings the library's object back, and the link then fails on the
// helpers defined twice: add the new one here.
namespace {

class LibraryError : public std::exception {
public:
    explicit LibraryError(std::string what) : m_what(std::move(what)) {}
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    std::string m_what;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }

void __throw_bad_array_new_length() { throw bad_array_new_length(); }

void __throw_length_error(const char* what) { throw LibraryError(what); }

void __throw_logic_error(const char* what) { throw LibraryError(what); }

// The formats hold only %s and %zu.
void __throw_out_of_range_fmt(const char* format, ...) {
    std::string text;
    std::va_list arguments;
    va_start(arguments, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (std::strncmp(p, "%s", 2) == 0) {
            text += va_arg(arguments, const char*);
            p += 1;
        } else if (std::strncmp(p, "%zu", 3) == 0) {
            text += std::to_string(va_arg(arguments, std::size_t));
            p += 2;
        } else {
            text += *p;
        }
    }
    va_end(arguments);
    throw LibraryError(text);
}

}  // namespace std
