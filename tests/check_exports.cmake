# Checks the dynamic symbol table of the plug-in module: it defines nothing but the system's entry
# points (the NPAPI and COM exports), so no internal symbol leaks into the browser's process.
# Usage: cmake -DMODULE=<path> -P check_exports.cmake
set(allowed NP_GetEntryPoints NP_Initialize NP_Shutdown DllGetClassObject DllCanUnloadNow
            DllRegisterServer DllUnregisterServer DllInstall)
execute_process(COMMAND nm -D --defined-only ${MODULE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${out}")
set(unexpected "")
foreach(line ${lines})
  if(line MATCHES "^[0-9a-f]* +([A-Za-z]) +([^ @]+)")
    set(kind ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    if(NOT kind STREQUAL "A" AND NOT name IN_LIST allowed)
      list(APPEND unexpected ${name})
    endif()
  endif()
endforeach()
if(unexpected)
  message(FATAL_ERROR "npVeltrin.so exports symbols beyond its entry points: ${unexpected}")
endif()
message(STATUS "npVeltrin.so exports only its entry points")
