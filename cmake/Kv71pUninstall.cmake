# The target `uninstall`: removes what the last `cmake --install` of this
# build put in place, listed in install_manifest.txt (cmake/Uninstall.cmake;
# DESTDIR honoured). Folders of the suite's own left empty go too.
get_filename_component(_kv71p_program_folder "${KV71P_PRINTWATCH_INSTALL_DIR}" NAME)
get_filename_component(_kv71p_model_folder "${KV71P_PPD_MODEL_NAME}" DIRECTORY)
string(REPLACE "/" ";" _kv71p_model_folders "${_kv71p_model_folder}")
set(KV71P_OWN_INSTALL_FOLDERS ${_kv71p_program_folder} Printwatch.app Contents MacOS Resources
    ${_kv71p_model_folders})
list(JOIN KV71P_OWN_INSTALL_FOLDERS "$<SEMICOLON>" _kv71p_own_folders)

add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
          "-DOWN_FOLDERS=${_kv71p_own_folders}" -P ${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake
  COMMENT "Removing the installed KV-71P suite"
  VERBATIM)
