# Every build-time setting of the suite. Packagers override them on the
# cmake command line (-DKV71P_USB_VENDOR_ID=0x1234 ...).

# How the suite is built.
option(KV71P_WERROR "Treat warnings as errors" OFF)
option(KV71P_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KV71P_BUILD_BENCH "Build the speed benchmarks (needs Google Benchmark)" OFF)
# libFuzzer targets: clang only, see fuzz/CMakeLists.txt.
option(KV71P_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
# The aarch64 cross build (cmake/toolchains/aarch64-linux-gnu.cmake) uses it.
option(KV71P_FILTER_ONLY "Build only the filter, its image library, the shared code and their tests" OFF)

# What the suite is built for.

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
set(KV71P_LOCK_DIR_DEFAULT "/run/kv71p" CACHE STRING
    "Root-only folder of the per-printer lock files with which a print job and the status service hand the printer over (created with mode 0755); KV71P_LOCK_DIR overrides it at run time")

# Where the rest is installed.
set(KV71P_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
    "Folder for the service's systemd unit, under the install prefix unless absolute (systemd reads /usr/local/lib/systemd/system and /usr/lib/systemd/system)")
set(KV71P_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Folder for the printer's udev rule, under the install prefix unless absolute (udev reads /usr/local/lib/udev/rules.d and /usr/lib/udev/rules.d)")
set(KV71P_PRINTWATCH_INSTALL_DIR "${CMAKE_INSTALL_LIBEXECDIR}/kv71p" CACHE STRING
    "Folder that receives the application folder Printwatch.app")

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
set(KV71P_CUPS_USB_QUIRKS_DIR "${KV71P_CUPS_DATADIR}/usb" CACHE PATH
    "Folder of the quirks files of CUPS's own usb backend; the suite's file there keeps that backend away from the printer")

find_package(Cups REQUIRED)
