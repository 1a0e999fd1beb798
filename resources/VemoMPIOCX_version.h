// The module's version: the one place where it is written. The type
// library's version and the control's version stamp (control/VemoMPIOCXApp.h),
// the About box and the tools' --version all take it from here.
#pragma once

#define VEMOMPI_VERSION_MAJOR 1
#define VEMOMPI_VERSION_MINOR 0

// The same as text, "MAJOR.MINOR" ("1.0").
#define VEMOMPI_VERSION_STRINGIZE_(x) #x
#define VEMOMPI_VERSION_STRINGIZE(x) VEMOMPI_VERSION_STRINGIZE_(x)
#define VEMOMPI_VERSION_TEXT \
    VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MAJOR) "." VEMOMPI_VERSION_STRINGIZE(VEMOMPI_VERSION_MINOR)
