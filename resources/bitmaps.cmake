# The module's bitmaps: BMP files under resources/bitmaps, compiled into
# vemompi_resources as C arrays (one generated .inc per file, included by
# VemoMPIOCX_rc.cpp). The files are drawn by resources/tools/make_bitmaps.cpp:
# build the target `bitmaps` to draw them again into the source tree.
set(VEMOMPI_BITMAPS
  skin_background close_normal close_hover close_pressed close_disabled
  wait_01 wait_02 wait_03 wait_04 wait_05 wait_06 wait_07 wait_08 wait_09 wait_10 wait_11 wait_12 wait_13
  wait_rest toolbox)
set(VEMOMPI_BITMAP_INCS "")
foreach(bmp IN LISTS VEMOMPI_BITMAPS)
  set(inc ${VEMOMPI_GENERATED}/bmp_${bmp}.inc)
  add_custom_command(
    OUTPUT ${inc}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/resources/bitmaps/${bmp}.bmp -DOUTPUT=${inc}
            -DNAME=kBmp_${bmp} -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS resources/bitmaps/${bmp}.bmp cmake/embed.cmake)
  list(APPEND VEMOMPI_BITMAP_INCS ${inc})
endforeach()

add_executable(vemompi-make-bitmaps resources/tools/make_bitmaps.cpp resources/tools/bmp_canvas.cpp)
add_custom_target(bitmaps
  COMMAND vemompi-make-bitmaps ${CMAKE_SOURCE_DIR}/resources/bitmaps
  COMMENT "Drawing the module's bitmaps into resources/bitmaps")
