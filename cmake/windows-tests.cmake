# The Windows build's own unit tests: GoogleTest built with mingw-w64 from
# Debian's sources (package googletest), over the cipher and the sealed
# parameters, so that the Windows build is shown to give the same bytes as
# the Linux one, and over the module as COM loads it (VemoMPIOCX.ocx beside
# the program). scripts/test-windows.sh runs vemompi_wintests.exe under Wine.
set(VEMOMPI_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")
if(EXISTS ${VEMOMPI_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  if(NOT TARGET gtest)
    add_subdirectory(${VEMOMPI_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()
  add_executable(vemompi_wintests
    tests/windows/wintest_crypto.cpp
    tests/windows/wintest_module.cpp
    crypto/MPISeed.cpp
    crypto/MPIUtil.cpp
    crypto/MPISeal.cpp
    crypto/MPIMask.cpp)
  target_link_libraries(vemompi_wintests PRIVATE GTest::gtest GTest::gtest_main oleaut32 ole32 uuid)
  set_target_properties(vemompi_wintests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(vemompi_wintests PRIVATE -static)
  if(TARGET VemoMPIOCX)
    add_dependencies(vemompi_wintests VemoMPIOCX)
  endif()

  # The window layer on real windows: dialogs from template data, the modal
  # loop, message maps, timers, containment, the controls.
  add_executable(vemompi_wintests_wnd
    tests/windows/test_win_dialog.cpp
    tests/windows/test_win_doubles.cpp
    platform/afx/afxstr.cpp
    $<TARGET_OBJECTS:vemompi_win32wnd>)
  target_link_libraries(vemompi_wintests_wnd PRIVATE gtest ole32 oleaut32 uuid comctl32 user32 gdi32)
  set_target_properties(vemompi_wintests_wnd PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(vemompi_wintests_wnd PRIVATE -static)

  # The control container with the system's container manager, against a
  # fake browser control of the tests' own.
  add_executable(vemompi_wintests_occ
    tests/windows/test_win_occ.cpp
    tests/windows/fake_browser.cpp
    tests/windows/fake_document.cpp
    tests/windows/test_win_doubles.cpp
    platform/afx/afxstr.cpp
    ui/CustomOccManager.cpp
    ui/WebBrowser2.cpp
    auth/AuthDocument.cpp
    $<TARGET_OBJECTS:vemompi_win32wnd>)
  target_link_libraries(vemompi_wintests_occ PRIVATE gtest ole32 oleaut32 uuid comctl32 user32 gdi32)
  set_target_properties(vemompi_wintests_occ PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(vemompi_wintests_occ PRIVATE -static)

  # The control through its class object, with the framework linked in.
  add_executable(vemompi_wintests_com tests/windows/test_win_control.cpp
    control/VemoMPIOCXApp.cpp
    control/VemoMPIOCXReg.cpp
    resources/VemoMPIOCX_tlb.cpp
    $<TARGET_OBJECTS:vemompi_core>
    $<TARGET_OBJECTS:vemompi_win32fx>
    $<TARGET_OBJECTS:vemompi_win32wnd>
    $<TARGET_OBJECTS:vemompi_win32gdi>
    $<TARGET_OBJECTS:vemompi_restable>
  )
  target_link_libraries(vemompi_wintests_com PRIVATE gtest gtest_main ${VEMOMPI_WIN32_LIBS})
  set_target_properties(vemompi_wintests_com PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # The module's own resources: strings, templates, its type library.
  target_sources(vemompi_wintests_com PRIVATE $<TARGET_OBJECTS:vemompi_winres>)
  target_link_options(vemompi_wintests_com PRIVATE ${VEMOMPI_WIN32_STATIC_RUNTIME})

  # The drawing classes drawn into memory contexts.
  add_executable(vemompi_wintests_gdi tests/windows/test_win_gdi.cpp tests/windows/test_win_dlgsize.cpp
    ${VEMOMPI_WIN32GDI_SOURCES})
  target_link_libraries(vemompi_wintests_gdi PRIVATE gtest gtest_main gdi32 user32)
  set_target_properties(vemompi_wintests_gdi PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(vemompi_wintests_gdi PRIVATE -static)
else()
  message(STATUS "No GoogleTest sources at ${VEMOMPI_GTEST_SOURCE}: vemompi_wintests is not built")
endif()
