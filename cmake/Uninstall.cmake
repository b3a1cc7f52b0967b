# Removes what `cmake --install` put in place, from its manifest:
#
#   cmake --build build --target uninstall            (DESTDIR honoured)
#   cmake -DMANIFEST=<install_manifest.txt> [-DOWN_FOLDERS=a;b] -P cmake/Uninstall.cmake
#
# Every file and link listed is removed (a link, not what it points to).
# Then the folders left empty are removed, going up from each removed
# file, as long as the folder's name is one of OWN_FOLDERS (the suite's own
# folders such as kv71p or Printwatch.app); shared folders like bin or
# share/applications stay even when empty.
cmake_minimum_required(VERSION 3.22)

if(NOT MANIFEST)
  message(FATAL_ERROR "MANIFEST (the install manifest) is not set")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "No install manifest at ${MANIFEST}: nothing was installed from this build")
endif()

file(STRINGS "${MANIFEST}" _files)
set(_folders)
set(_failed 0)
foreach(_file IN LISTS _files)
  set(_path "$ENV{DESTDIR}${_file}")
  if(IS_SYMLINK "${_path}" OR EXISTS "${_path}")
    message(STATUS "Removing: ${_path}")
    file(REMOVE "${_path}")
    if(IS_SYMLINK "${_path}" OR EXISTS "${_path}")
      message(WARNING "Could not remove ${_path}")
      set(_failed 1)
    endif()
  else()
    message(STATUS "Already gone: ${_path}")
  endif()
  get_filename_component(_folder "${_path}" DIRECTORY)
  list(APPEND _folders "${_folder}")
endforeach()

# Deepest first, so a folder's own subfolders are gone before it is looked at.
list(REMOVE_DUPLICATES _folders)
list(SORT _folders ORDER DESCENDING)
foreach(_folder IN LISTS _folders)
  while(IS_DIRECTORY "${_folder}" AND NOT IS_SYMLINK "${_folder}")
    get_filename_component(_name "${_folder}" NAME)
    if(NOT _name IN_LIST OWN_FOLDERS)
      break()
    endif()
    file(GLOB _left "${_folder}/*" "${_folder}/.*")
    if(_left)
      break()
    endif()
    message(STATUS "Removing empty folder: ${_folder}")
    file(REMOVE_RECURSE "${_folder}")
    get_filename_component(_folder "${_folder}" DIRECTORY)
  endwhile()
endforeach()

if(_failed)
  message(FATAL_ERROR "Some files could not be removed (run as the user who installed them)")
endif()
