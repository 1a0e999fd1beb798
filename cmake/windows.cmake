# The Windows build: VemoMPIOCX.ocx and the tools, from the same sources.
set(CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS} -static-libgcc -static-libstdc++")
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX)

set(VEMOMPI_CORE_SOURCES
  crypto/MPISeed.cpp
  crypto/MPIUtil.cpp
  crypto/MPIUtilProbes.cpp
  crypto/MPISeal.cpp
  crypto/MPIMask.cpp
  transport/MPISocket.cpp
  transport/HTTPTransport.cpp
  transport/HTTPWininet.cpp
  transport/HTTPSocket.cpp
  transport/MPIPolicy.cpp
  control/VemoMPIOCXCtrl.cpp
  control/VemoMPIOCXClient.cpp
  control/VemoMPIOCXReport.cpp
  control/VemoMPIOCXPolicy.cpp
  transport/VemoMPIAutoReportDialog.cpp
  auth/AuthFlow.cpp
  auth/AuthDocument.cpp
  auth/VemoMPIAuthNormalDialog.cpp
  auth/VemoMPIAuthZKSkinDialog.cpp
  control/VemoMPIOCXSafety.cpp
  control/VemoMPIOCXFramework.cpp
  control/VemoMPIOCXPropPage.cpp
  ui/WebBrowser2.cpp
  ui/CustomOccManager.cpp
  ui/DIBitmap.cpp
  ui/BmpPalette.cpp
  ui/BitmapDialog.cpp
  ui/HoverButton.cpp
  ui/VemoMPIAuthZKSkinView.cpp
  control/VemoMPIOCXAuth.cpp
  control/VemoMPIOCXAuthDialogs.cpp
)
add_library(vemompi_core OBJECT ${VEMOMPI_CORE_SOURCES})

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

# GoogleTest for the Windows test programs, from Debian's sources.
if(NOT TARGET vemompi_wingtest)
  set(VEMOMPI_GTEST_DIR /usr/src/googletest/googletest)
  add_library(vemompi_wingtest STATIC ${VEMOMPI_GTEST_DIR}/src/gtest-all.cc ${VEMOMPI_GTEST_DIR}/src/gtest_main.cc)
  target_include_directories(vemompi_wingtest SYSTEM PUBLIC ${VEMOMPI_GTEST_DIR}/include PRIVATE ${VEMOMPI_GTEST_DIR})
endif()

# The drawing classes drawn into memory contexts (wine64 on the x64 build).
add_executable(vemompi_wintests_gdi tests/windows/test_win_gdi.cpp tests/windows/test_win_dlgsize.cpp
  ${VEMOMPI_WIN32GDI_SOURCES})
target_link_libraries(vemompi_wintests_gdi PRIVATE vemompi_wingtest gdi32 user32)
# Static winpthread: the program runs without the toolchain's DLLs beside it.
target_link_options(vemompi_wintests_gdi PRIVATE -static)
