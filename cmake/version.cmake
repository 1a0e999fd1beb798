# The module's version, read from resources/VemoMPIOCX_version.h (where the
# sources take it from) before project(): VEMOMPI_FILE_VERSION is
# MAJOR.MINOR.BUILD.REVISION, the project's VERSION.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../resources/VemoMPIOCX_version.h _vemompi_version_lines
     REGEX "^#define VEMOMPI_VERSION_(MAJOR|MINOR|BUILD|REVISION) +[0-9]+$")
set(VEMOMPI_FILE_VERSION "")
foreach(_part MAJOR MINOR BUILD REVISION)
  set(_value "")
  foreach(_line IN LISTS _vemompi_version_lines)
    if(_line MATCHES "^#define VEMOMPI_VERSION_${_part} +([0-9]+)$")
      set(_value ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(_value STREQUAL "")
    message(FATAL_ERROR "resources/VemoMPIOCX_version.h defines no VEMOMPI_VERSION_${_part}")
  endif()
  list(APPEND VEMOMPI_FILE_VERSION ${_value})
endforeach()
list(JOIN VEMOMPI_FILE_VERSION "." VEMOMPI_FILE_VERSION)
unset(_vemompi_version_lines)
unset(_value)
# A new number in the header configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../resources/VemoMPIOCX_version.h)
