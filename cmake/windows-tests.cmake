# The Windows build's own unit tests: GoogleTest built with mingw-w64 from
# Debian's sources (package googletest), over the cipher and the sealed
# parameters, so that the Windows build is shown to give the same bytes as
# the Linux one, and over the module as COM loads it (VemoMPIOCX.ocx beside
# the program). scripts/test-windows.sh runs vemompi_wintests.exe under Wine.
set(VEMOMPI_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")
if(EXISTS ${VEMOMPI_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VEMOMPI_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
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
else()
  message(STATUS "No GoogleTest sources at ${VEMOMPI_GTEST_SOURCE}: vemompi_wintests is not built")
endif()
