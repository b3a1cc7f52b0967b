# Fails when the machine code of the given static libraries contains a
# fused multiply-add: x86 vfmadd/vfmsub/vfnmadd/vfnmsub (any form), or
# aarch64 fmadd/fmsub/fnmadd/fnmsub/fmla/fmls. One rounding instead of two
# changes the image operations' results, and a compiler forms them from a
# plain multiply and add unless contraction is off.
#   cmake -DOBJDUMP=<objdump> -DLIBRARIES=<a;b> -P NoFusedMultiplyAdd.cmake
if(NOT OBJDUMP OR NOT LIBRARIES)
  message(FATAL_ERROR "OBJDUMP and LIBRARIES are required")
endif()
set(found "")
foreach(library IN LISTS LIBRARIES)
  execute_process(COMMAND "${OBJDUMP}" -d --no-show-raw-insn "${library}"
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${library}")
  endif()
  string(REGEX MATCHALL "\n[ \t]*[0-9a-f]+:[ \t]+(v?fn?m(add|sub)|vfmaddsub|vfmsubadd|fml[as])[a-z0-9.]*[^\n]*" hits "${listing}")
  list(LENGTH hits count)
  if(count GREATER 0)
    string(APPEND found "${library}: ${count} fused multiply-add instructions, e.g.${hits}\n")
  endif()
  # The listing must show instructions at all (a wrong objdump shows none).
  if(NOT listing MATCHES "\n[ \t]*[0-9a-f]+:[ \t]+[a-z]")
    message(FATAL_ERROR "no instructions listed for ${library}")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "${found}")
endif()
message(STATUS "no fused multiply-add in ${LIBRARIES}")
