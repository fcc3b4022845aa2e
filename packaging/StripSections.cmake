# Run by CPack in its staging folder: drops the sections that Debian's own
# stripping removes from programs.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
foreach(p ${programs})
  execute_process(COMMAND ${CPACK_FD_STRIP} --remove-section=.comment --remove-section=.note ${p}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
