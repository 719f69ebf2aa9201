# wayland_protocols(TARGET XML...): the client code of protocols that
# wayland-protocols installs (paths below its folder), generated at build
# time with wayland-scanner and built into TARGET, whose sources then
# include "NAME-client-protocol.h".
enable_language(C)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)

function(wayland_protocols target)
  set(out "${PROJECT_BINARY_DIR}/generated/wayland")
  file(MAKE_DIRECTORY "${out}")
  foreach(xml IN LISTS ARGN)
    get_filename_component(name "${xml}" NAME_WE)
    set(source "${WAYLAND_PROTOCOLS_DIR}/${xml}")
    add_custom_command(
      OUTPUT "${out}/${name}-client-protocol.h" "${out}/${name}-protocol.c"
      COMMAND "${WAYLAND_SCANNER}" client-header "${source}" "${out}/${name}-client-protocol.h"
      COMMAND "${WAYLAND_SCANNER}" private-code "${source}" "${out}/${name}-protocol.c"
      DEPENDS "${source}"
      VERBATIM)
    target_sources(${target} PRIVATE "${out}/${name}-client-protocol.h" "${out}/${name}-protocol.c")
  endforeach()
  target_include_directories(${target} SYSTEM PRIVATE "${out}")
endfunction()
