# Run at install time: defines lumarel_link_program, which puts a relative
# symbolic link to the installed program into a folder of another program.

function(lumarel_full_path path result)
  if(IS_ABSOLUTE "${path}")
    set(${result} "${path}" PARENT_SCOPE)
  else()
    set(${result} "${CMAKE_INSTALL_PREFIX}/${path}" PARENT_SCOPE)
  endif()
endfunction()

function(lumarel_link_program dir bindir)
  lumarel_full_path("${dir}" folder)
  lumarel_full_path("${bindir}" programs)
  file(RELATIVE_PATH target "${folder}" "${programs}/lumarel")
  set(link "$ENV{DESTDIR}${folder}/lumarel")
  message(STATUS "Installing: ${link} -> ${target}")
  file(MAKE_DIRECTORY "$ENV{DESTDIR}${folder}")
  file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
  # The manifest names files without DESTDIR, as for every other file.
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${folder}/lumarel")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
