# cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=array -DNAMESPACE=ns|- -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
get_filename_component(sourceName "${INPUT}" NAME)
if(NAMESPACE STREQUAL "-")
    set(open "")
    set(close "")
else()
    set(open "namespace ${NAMESPACE}\n{\n")
    set(close "}\n")
endif()
file(WRITE "${OUTPUT}.tmp"
"// Generated from assets/${sourceName}; edit the asset, not this file.\n"
"${open}"
"static const unsigned char ${NAME}_bytes[] = {\n    ${bytes}0 };\n"
"extern const char* const ${NAME};\n"
"extern const int ${NAME}Size;\n"
"const char* const ${NAME} = reinterpret_cast<const char*> (${NAME}_bytes);\n"
"const int ${NAME}Size = ${size};\n"
"${close}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
