# Writes the bytes of INPUT into OUTPUT as a C array named NAME, for
# compiling binary resources (icons, bitmaps) into the module.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "static const unsigned char ${NAME}[] = {${bytes}};\n")
