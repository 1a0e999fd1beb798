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

# The framework's window layer on Win32: windows and their objects, message
# maps, dialogs and their modal loop, control containment, the controls and
# message boxes.
set(VEMOMPI_WIN32WND_SOURCES
  platform/afx/afxmsgmapcore.cpp
  platform/afx/afxinvoke.cpp
  platform/afx/win32/afxwnd.cpp
  platform/afx/win32/afxwndops.cpp
  platform/afx/win32/afxmsgmap.cpp
  platform/afx/win32/afxdlg.cpp
  platform/afx/win32/afxocc.cpp
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

# The Windows build's own unit tests (run under Wine by scripts/test-windows.sh).
include(cmake/windows-tests.cmake)
