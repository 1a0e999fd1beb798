// The module's version: the one place where it is written. The build reads
// it too (cmake/version.cmake makes it the project's version), so that the
// module's version resource, the cabinet's .inf and the codebase of the
// example page all carry this number. The type library's version and the
// control's version stamp (control/VemoMPIOCXApp.h), the About box and the
// tools' --version take MAJOR.MINOR from here.
#pragma once

#define VEMOMPI_VERSION_MAJOR 1
#define VEMOMPI_VERSION_MINOR 0
#define VEMOMPI_VERSION_BUILD 0
#define VEMOMPI_VERSION_REVISION 0

// The same as text, "MAJOR.MINOR" ("1.0").
#define VEMOMPI_VERSION_STRINGIZE_(x) #x
#define VEMOMPI_VERSION_STRINGIZE(x) VEMOMPI_VERSION_STRINGIZE_(x)
#define VEMOMPI_VERSION_TEXT \
    VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MAJOR) "." VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MINOR)
// The file version, "MAJOR.MINOR.BUILD.REVISION" ("1.0.0.0").
#define VEMOMPI_FILE_VERSION_TEXT                                                  \
    VEMOMPI_VERSION_TEXT "." VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_BUILD) "." \
        VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_REVISION)
// The same with commas, as .inf files and codebase attributes write it ("1,0,0,0").
#define VEMOMPI_FILE_VERSION_COMMAS                                                                      \
    VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MAJOR) "," VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MINOR) "," \
        VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_BUILD) "," VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_REVISION)
