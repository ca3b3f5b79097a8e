# Run by CPack on the staged files before it packs them: takes out of the
# programs the .comment section (the compilers' names and versions), which
# only makes them larger, as Debian's own builds do. The debug information is
# split off afterwards.
find_program(objcopy NAMES objcopy REQUIRED)
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${objcopy} --remove-section=.comment ${program} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objcopy could not take .comment out of ${program}")
  endif()
endforeach()
