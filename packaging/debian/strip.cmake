# Run by CPack on the staged files before they are packed: strips the programs and libraries as
# Debian's packaging tools do, debugging data, symbols no linker needs and the compiler's notes.
# melkoctl-mouse is a program too, kept with the libraries.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/melko/melkoctl-mouse")
file(GLOB_RECURSE libraries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/*.so")
if(NOT programs OR NOT libraries)
  message(FATAL_ERROR "nothing to strip in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(file IN LISTS programs libraries)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded
    ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
