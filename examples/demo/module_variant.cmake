# cmake -DIN=demo.lscx -DOUT=demo_module.lscx -P module_variant.cmake
# The same show playing the module instead of the stream. A module always starts from its
# beginning and has no level for the sound controller to read.
file(READ ${IN} text)
string(REPLACE "file: music.ogg" "file: music.mod" text "${text}")
file(WRITE ${OUT} "${text}")
