#pragma once
// The program's arguments as UTF-8, whatever code page the system's C runtime gives them in.
namespace vornalix::common {

// Windows: replaces argc and argv with the command line in UTF-8, from the system's UTF-16 command line. A
// windowed program started from a console also gets that console for its standard output and error.
void UseUtf8Arguments(int& argc, char**& argv);

} // namespace vornalix::common
