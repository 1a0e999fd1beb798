# The Windows build: VemoMPIOCX.ocx and the tools, from the same sources.
set(CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS} -static-libgcc -static-libstdc++")
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX)

add_library(vemompi_core OBJECT ${VEMOMPI_CORE_SOURCES})

# The framework's window layer on Win32: windows and their objects, message
# maps, dialogs and their modal loop, control containment, the controls and
# message boxes.
set(VEMOMPI_WIN32WND_SOURCES
  platform/afx/afxdlu.cpp
  platform/afx/afxmsgmapcore.cpp
  platform/afx/afxinvoke.cpp
  platform/afx/win32/afxwnd.cpp
  platform/afx/win32/afxwndops.cpp
  platform/afx/win32/afxdlg.cpp
  platform/afx/win32/afxocc.cpp
  platform/afx/win32/afxoccsite.cpp
  platform/afx/win32/afxoccevents.cpp
  platform/afx/win32/afxctrls.cpp
  platform/afx/win32/afxmsgbox.cpp
)
add_library(vemompi_win32wnd OBJECT ${VEMOMPI_WIN32WND_SOURCES})

# The framework's drawing layer over the SDK's GDI, and its property page.
set(VEMOMPI_WIN32GDI_SOURCES
  platform/afx/win32/afxgdiobj.cpp
  platform/afx/win32/afxcdc.cpp
  platform/afx/win32/afxdlgsize.cpp
)
add_library(vemompi_win32gdi OBJECT
  ${VEMOMPI_WIN32GDI_SOURCES}
  platform/afx/win32/afxwindc.cpp
  platform/afx/afxpage.cpp
  platform/afx/win32/afxpage.cpp
)

include(cmake/windows-resources.cmake)

# The module's resource table (dialog templates as data, from which the
# window layer builds its dialogs; the same table as the Linux module's).
set(VEMOMPI_GENERATED ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${VEMOMPI_GENERATED}/VemoMPIOCX_ico.inc
  COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/resources/VemoMPIOCX.ico
          -DOUTPUT=${VEMOMPI_GENERATED}/VemoMPIOCX_ico.inc -DNAME=kVemoMPIOCXIcon -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS resources/VemoMPIOCX.ico cmake/embed.cmake)
include(resources/bitmaps.cmake)
set_target_properties(vemompi-make-bitmaps PROPERTIES EXCLUDE_FROM_ALL ON)  # a tool of the Linux tree
add_library(vemompi_restable OBJECT resources/VemoMPIOCX_rc.cpp resources/VemoMPIOCX_module_rc.cpp
  platform/afx/afxres.cpp ${VEMOMPI_GENERATED}/VemoMPIOCX_ico.inc ${VEMOMPI_BITMAP_INCS})
target_include_directories(vemompi_restable PRIVATE ${VEMOMPI_GENERATED})

# ---------------------------------------------------------------- the framework on Win32
# The framework's Win32 implementation: the control and module part here,
# the window and drawing layers above, the resource strings from
# windows-resources.cmake.
set(VEMOMPI_WIN32FX_SOURCES
  platform/afx/win32/afxctl.cpp
  platform/afx/win32/afxctlole.cpp
  platform/afx/win32/afxctlpersist.cpp
  platform/afx/win32/afxmod.cpp
  platform/afx/win32/afxreg.cpp
)
# The framework's platform-neutral sources and the Win32 forms of the plain
# layers.
set(VEMOMPI_WIN32_SHARED_SOURCES
  platform/afx/afxstr.cpp
  platform/afx/afxpx.cpp
  platform/afx/afxinet.cpp
  platform/afx/afxfile.cpp
  platform/afx/afxdisp.cpp
  platform/afx/afxfactory.cpp
  platform/com/win32/typeinfo.cpp
  platform/win/win32/win.cpp
)
add_library(vemompi_win32fx OBJECT ${VEMOMPI_WIN32FX_SOURCES} ${VEMOMPI_WIN32_SHARED_SOURCES}
  ${VEMOMPI_WINRES_FRAMEWORK_SOURCES})

set(VEMOMPI_WIN32_LIBS ole32 oleaut32 uuid ws2_32 wininet gdi32 user32 comctl32 comdlg32 advapi32 version urlmon
  shlwapi)
# Only Windows' own DLLs: the C++ runtime and winpthread are linked in.
set(VEMOMPI_WIN32_STATIC_RUNTIME -static-libgcc -static-libstdc++ -static)

# ---------------------------------------------------------------- the module
add_library(VemoMPIOCX MODULE
  control/VemoMPIOCXApp.cpp
  control/VemoMPIOCXReg.cpp
  control/VemoMPIOCX.def
  resources/VemoMPIOCX_tlb.cpp
  $<TARGET_OBJECTS:vemompi_core>
  $<TARGET_OBJECTS:vemompi_win32fx>
  $<TARGET_OBJECTS:vemompi_win32wnd>
  $<TARGET_OBJECTS:vemompi_win32gdi>
  $<TARGET_OBJECTS:vemompi_restable>
)
if(TARGET vemompi_winres)
  target_sources(VemoMPIOCX PRIVATE $<TARGET_OBJECTS:vemompi_winres>)
endif()
set_target_properties(VemoMPIOCX PROPERTIES PREFIX "" SUFFIX ".ocx")
target_link_options(VemoMPIOCX PRIVATE ${VEMOMPI_WIN32_STATIC_RUNTIME} -Wl,--kill-at)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The .def names the stdcall exports plainly (DllCanUnloadNow, not
  # DllCanUnloadNow@0): the linker is told that is meant.
  target_link_options(VemoMPIOCX PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_libraries(VemoMPIOCX PRIVATE ${VEMOMPI_WIN32_LIBS})

# ---------------------------------------------------------------- tools
add_executable(vemompi-seal tools/vemompi-seal.cpp crypto/MPISeal.cpp crypto/MPISeed.cpp crypto/MPIUtil.cpp
  crypto/MPIUtilProbes.cpp crypto/MPIMask.cpp platform/win/win32/win.cpp)
target_link_options(vemompi-seal PRIVATE ${VEMOMPI_WIN32_STATIC_RUNTIME})
target_link_libraries(vemompi-seal PRIVATE ${VEMOMPI_WIN32_LIBS})

# ---------------------------------------------------------------- test equipment
# The stand-in WebBrowser control of the Windows tests under Wine, which has
# no HTML engine (sandbox/standin-browser/StandInBrowser.h): registered in a
# test prefix with a TreatAs under CLSID_WebBrowser. Never shipped.
set(VEMOMPI_STANDIN_BROWSER_SOURCES
  sandbox/standin-browser/StandInServer.cpp
  sandbox/standin-browser/StandInBrowser.cpp
  sandbox/standin-browser/StandInOle.cpp
  sandbox/standin-browser/StandInEvents.cpp
  sandbox/standin-browser/StandInDocument.cpp
  sandbox/standin-browser/StandInFetch.cpp
  sandbox/standin-browser/StandInPage.cpp
)
add_library(VemoMPIStandInBrowser MODULE ${VEMOMPI_STANDIN_BROWSER_SOURCES}
  sandbox/standin-browser/VemoMPIStandInBrowser.def)
set_target_properties(VemoMPIStandInBrowser PROPERTIES PREFIX "" SUFFIX ".dll")
target_link_options(VemoMPIStandInBrowser PRIVATE ${VEMOMPI_WIN32_STATIC_RUNTIME} -Wl,--kill-at)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(VemoMPIStandInBrowser PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_libraries(VemoMPIStandInBrowser PRIVATE ole32 oleaut32 uuid wininet user32 gdi32 advapi32)
# The tool that hosts it for tests/windows/test_wine_standin.cpp.
add_executable(vemompi-standin-driver tests/windows/standin_driver.cpp)
target_link_options(vemompi-standin-driver PRIVATE ${VEMOMPI_WIN32_STATIC_RUNTIME})
target_link_libraries(vemompi-standin-driver PRIVATE ole32 oleaut32 uuid user32)
add_dependencies(vemompi-standin-driver VemoMPIStandInBrowser)

# The Windows build's own unit tests (run under Wine by scripts/test-windows.sh).
include(cmake/windows-tests.cmake)
