# Read at the end of project() in the Windows build, after CMake's own Windows settings: only
# static libraries are looked for, so no import library (libz.dll.a) asks for a DLL.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
