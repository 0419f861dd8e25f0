# The programs' heap on Linux is jemalloc: a run builds each message on a read-ahead worker
# and frees it on the writer's thread, which glibc's malloc paid for in arena locks
# (bench/convert_ratio_bench: about a tenth less processor time on two cores). Linked into
# each program, it serves every library the program loads, GLib and GMime included, and GLib's
# slice allocator is told to use it too (src/platform/GlibSlicesOnHeap.cpp). Not under
# the sanitizers, which bring their own allocator, nor in the Windows cross build (see
# ARCHITECTURE.md, "Two platforms").
#
#   tolvane_program_allocator(tolvane-convert)
function(tolvane_program_allocator target)
  if(TOLVANE_USE_JEMALLOC AND NOT TOLVANE_SANITIZE)
    target_link_libraries(${target} PRIVATE PkgConfig::JEMALLOC)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/GlibSlicesOnHeap.cpp)
    target_link_libraries(${target} PRIVATE PkgConfig::GMIME)  # GLib's headers, with GMime's
  endif()
endfunction()
