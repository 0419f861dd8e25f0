# The programs' heap on Linux is jemalloc: a run allocates on the read-ahead's workers what
# the writer's thread frees, and glibc's malloc paid for that in arena locks and in lost
# reuse (bench/convert_ratio_bench: about a tenth less processor time with jemalloc). Linked
# into the programs alone, so GLib's and GMime's allocations go through it too. Not under the
# sanitizers, which bring their own allocator, nor in the Windows cross build (no jemalloc
# there; see ARCHITECTURE.md).
#
#   tolvane_program_allocator(tolvane-convert)
function(tolvane_program_allocator target)
  if(TOLVANE_USE_JEMALLOC AND NOT TOLVANE_SANITIZE)
    target_link_libraries(${target} PRIVATE PkgConfig::JEMALLOC)
  endif()
endfunction()
