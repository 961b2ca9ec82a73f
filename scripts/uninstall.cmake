# Removes what the install rules put under PREFIX (below DESTDIR when that is set):
#
#   DESTDIR=... cmake -DPREFIX=/usr/local -P scripts/uninstall.cmake
#
# Only our files are taken out of the shared folders (bin, share/applications, the icon theme);
# the demo's own folder lib/deluge goes too once it is empty.
if(NOT PREFIX)
  message(FATAL_ERROR "uninstall: PREFIX is not set")
endif()
set(root "$ENV{DESTDIR}${PREFIX}")

file(GLOB icons "${root}/share/icons/hicolor/*/apps/deluge-demo.png")
set(files bin/deluge lib/deluge/deluge lib/deluge/fmod.dll lib/deluge/kv-deluge.it
  share/applications/deluge-demo.desktop)
list(TRANSFORM files PREPEND "${root}/")
foreach(path IN LISTS files icons)
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
  endif()
endforeach()

file(GLOB left "${root}/lib/deluge/*")
if(IS_DIRECTORY "${root}/lib/deluge" AND NOT left)
  file(REMOVE_RECURSE "${root}/lib/deluge")
endif()
