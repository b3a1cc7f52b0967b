# Build-time settings of the suite. Packagers override them on the cmake
# command line (-DKV71P_USB_VENDOR_ID=0x1234 ...).

set(KV71P_CACHE_DIR_DEFAULT "/Library/Caches/Korvale/KV-71P" CACHE STRING
    "Model cache folder shared by the filter, the service and the applications (its parent is the maker folder); KV71P_CACHE_DIR overrides it at run time")
set(KV71P_ICC_PROFILE_SD "/Library/ColorSync/Profiles/SD_KV71P_0100.icc" CACHE STRING
    "Printer ICC profile for media class 0001")
set(KV71P_ICC_PROFILE_PP "/Library/ColorSync/Profiles/PP_KV71P_0100.icc" CACHE STRING
    "Printer ICC profile for every other media class")
set(KV71P_USB_VENDOR_ID "0xFFFF" CACHE STRING
    "USB vendor id of the printer maker (the placeholder 0xFFFF matches no real device)")
set(KV71P_USB_PRODUCT_ID "11" CACHE STRING "USB product id of the KV-71P")
set(KV71P_PPD_MODEL_NAME "korvale/KV-71P.ppd.gz" CACHE STRING
    "Model name under the CUPS model folder that lpadmin -m names for new queues")

# Where CUPS looks for filters and models. Asked from cups-config so that
# `cmake --install` puts them where the local CUPS finds them.
find_program(CUPS_CONFIG_EXECUTABLE cups-config)
if(CUPS_CONFIG_EXECUTABLE)
  execute_process(COMMAND ${CUPS_CONFIG_EXECUTABLE} --serverbin
                  OUTPUT_VARIABLE _kv71p_serverbin OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CUPS_CONFIG_EXECUTABLE} --datadir
                  OUTPUT_VARIABLE _kv71p_datadir OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT _kv71p_serverbin)
  set(_kv71p_serverbin "/usr/lib/cups")
endif()
if(NOT _kv71p_datadir)
  set(_kv71p_datadir "/usr/share/cups")
endif()
set(KV71P_CUPS_SERVERBIN "${_kv71p_serverbin}" CACHE PATH "CUPS ServerBin folder (filters go to its filter/ folder)")
set(KV71P_CUPS_DATADIR "${_kv71p_datadir}" CACHE PATH "CUPS data folder (the PPD goes to its model/ folder)")

find_package(Cups REQUIRED)
