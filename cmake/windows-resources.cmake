# The Windows module's resources: the resource script and the type library
# source are written at build time by the native tool vemompi-make-rc (built
# by the Linux tree from the same tables that the Linux module compiles in)
# and compiled here with the toolchain's widl and windres.
#
#   VEMOMPI_MAKE_RC  absolute path of the native vemompi-make-rc (give it with -D;
#                    build/release/vemompi-make-rc when not given)
#   VEMOMPI_WIDL     widl of the toolchain (set by the toolchain file)
#
# Provides the OBJECT library vemompi_winres, to be linked into the module,
# VEMOMPI_WINRES_FRAMEWORK_SOURCES, the framework's Win32 string resource
# functions over those resources (for the module's framework sources), and
# vemompi-resources-dump, a small program that lists the resources it
# carries (the same object) for the resource test under Wine.
# Without it, the one of the usual Linux tree (build/release) if it is built.
if(NOT VEMOMPI_MAKE_RC AND EXISTS ${CMAKE_SOURCE_DIR}/build/release/vemompi-make-rc)
  set(VEMOMPI_MAKE_RC ${CMAKE_SOURCE_DIR}/build/release/vemompi-make-rc)
endif()
if(NOT VEMOMPI_MAKE_RC OR NOT IS_ABSOLUTE "${VEMOMPI_MAKE_RC}" OR NOT EXISTS "${VEMOMPI_MAKE_RC}")
  message(FATAL_ERROR "The Windows build needs the native resource generator: build the target vemompi-make-rc "
                      "in the Linux tree and pass -DVEMOMPI_MAKE_RC=<its absolute path> (given: '${VEMOMPI_MAKE_RC}')")
endif()
if(NOT VEMOMPI_WIDL)
  message(FATAL_ERROR "The toolchain file sets no VEMOMPI_WIDL (the type library compiler)")
endif()
enable_language(RC)

# widl imports IDispatch from stdole2.tlb; Wine's copy is the one at hand.
find_path(VEMOMPI_STDOLE2_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
        /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VEMOMPI_STDOLE2_DIR)
  message(FATAL_ERROR "stdole2.tlb not found (Wine's libwine package has it); set VEMOMPI_STDOLE2_DIR")
endif()

set(VEMOMPI_WINRES_DIR ${CMAKE_BINARY_DIR}/winres)
file(MAKE_DIRECTORY ${VEMOMPI_WINRES_DIR})
add_custom_command(
  OUTPUT ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.rc ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.idl ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.inf
  COMMAND ${VEMOMPI_MAKE_RC} ${VEMOMPI_WINRES_DIR}
  DEPENDS ${VEMOMPI_MAKE_RC}
  COMMENT "Writing the module's resource script, type library source and cabinet .inf")
# The .inf of the cabinet (scripts/make-cab.sh packs it with the x86 module).
add_custom_target(vemompi_inf ALL DEPENDS ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.inf)
add_custom_command(
  OUTPUT ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.tlb
  COMMAND ${VEMOMPI_WIDL} -L ${VEMOMPI_STDOLE2_DIR} -t -o ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.tlb
          ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.idl
  DEPENDS ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.idl
  COMMENT "Compiling the type library VemoMPIOCX.tlb")
set_source_files_properties(${VEMOMPI_WINRES_DIR}/VemoMPIOCX.rc PROPERTIES
  GENERATED TRUE OBJECT_DEPENDS ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.tlb)
add_library(vemompi_winres OBJECT ${VEMOMPI_WINRES_DIR}/VemoMPIOCX.rc)
# windres finds the TYPELIB file beside the script.
target_include_directories(vemompi_winres PRIVATE ${VEMOMPI_WINRES_DIR})

set(VEMOMPI_WINRES_FRAMEWORK_SOURCES platform/afx/win32/afxres_win32.cpp platform/afx/win32/afxresload.cpp)

# Lists the resources of its own image (the same resource object) as text,
# for tests/test_windows_resources.cpp, which compares it with the tables.
add_executable(vemompi-resources-dump tests/windows/dump_resources.cpp tests/windows/dump_typelib.cpp
               platform/afx/win32/afxresload.cpp
               $<TARGET_OBJECTS:vemompi_winres>)
target_link_libraries(vemompi-resources-dump PRIVATE oleaut32 ole32 version uuid)
# Nothing beside the program (the posix thread model's runtime otherwise is a DLL).
target_link_options(vemompi-resources-dump PRIVATE -static)
