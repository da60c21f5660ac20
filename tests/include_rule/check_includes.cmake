# Holds the tree to its one-way layering by reading every #include of it:
#   platform/   includes platform/ only
#   scripting/  platform/
#   host/       scripting/ and platform/
#   app/        host/, scripting/ and platform/
#   npapi/, activex/  the cores (scripting/, host/) and platform/, never each other, and of app/
#               only the header of the factory the plug-in provides
#   tests/, bench/, tools/, fuzz/  anything
# Each folder may include itself. Code in a top-level folder that has no rule is reported too, so
# that a new folder gets its rule with its first file.
#
#   cmake -DROOT=<source tree> -P check_includes.cmake
#
# Prints each offending include and fails when there is one.

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT OR NOT IS_DIRECTORY "${ROOT}")
  message(FATAL_ERROR "ROOT must name the source tree to check")
endif()
cmake_path(ABSOLUTE_PATH ROOT NORMALIZE)
string(REGEX REPLACE "/$" "" ROOT "${ROOT}")

set(may_include_platform platform)
set(may_include_scripting scripting platform)
set(may_include_host host scripting platform)
set(may_include_app app host scripting platform)
set(may_include_npapi npapi host scripting platform)
set(may_include_activex activex host scripting platform)
set(ruled_folders platform scripting host app npapi activex)
set(free_folders tests bench tools fuzz)
# The bindings fetch the application's plug-in factory, and nothing else of app/.
set(factory_header app/api/plugin_factory.h)
set(factory_users npapi activex)

# The top-level folders holding the tree's code: not hidden, and not a build tree.
file(GLOB top_entries RELATIVE "${ROOT}" "${ROOT}/*")
set(code_folders "")
foreach(entry IN LISTS top_entries)
  if(IS_DIRECTORY "${ROOT}/${entry}" AND NOT entry MATCHES "^\\." AND NOT EXISTS "${ROOT}/${entry}/CMakeCache.txt")
    list(APPEND code_folders "${entry}")
  endif()
endforeach()

# The top-level folder an include refers to, or "" for a header from outside the tree. A quoted
# include is looked up beside the including file first, as the compiler does; anything else is
# taken from the tree's root, the one include directory of the system's own code.
function(included_folder file include quoted out_folder out_path)
  cmake_path(GET file PARENT_PATH beside)
  set(candidate "${ROOT}/${include}")
  if(quoted AND (include MATCHES "^\\.\\.?/" OR EXISTS "${beside}/${include}"))
    set(candidate "${beside}/${include}")
  endif()
  cmake_path(NORMAL_PATH candidate)
  cmake_path(IS_PREFIX ROOT "${candidate}" NORMALIZE inside)
  set(folder "")
  set(path "")
  if(inside)
    cmake_path(RELATIVE_PATH candidate BASE_DIRECTORY "${ROOT}" OUTPUT_VARIABLE path)
    # A folder of the tree, or one the rule names that the tree does not have yet.
    string(REGEX REPLACE "/.*" "" first "${path}")
    if(path MATCHES "/" AND (first IN_LIST code_folders OR first IN_LIST ruled_folders))
      set(folder "${first}")
    endif()
  endif()
  set(${out_folder} "${folder}" PARENT_SCOPE)
  set(${out_path} "${path}" PARENT_SCOPE)
endfunction()

set(violations 0)
set(checked 0)
foreach(folder IN LISTS code_folders)
  if(folder IN_LIST free_folders)
    continue()
  endif()
  file(GLOB_RECURSE sources LIST_DIRECTORIES false
    "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.hh" "${ROOT}/${folder}/*.hpp" "${ROOT}/${folder}/*.inl"
    "${ROOT}/${folder}/*.c" "${ROOT}/${folder}/*.cc" "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.cxx")
  list(SORT sources)
  if(sources AND NOT folder IN_LIST ruled_folders)
    message("${folder}/: code in a folder that has no include rule")
    math(EXPR violations "${violations} + 1")
    continue()
  endif()
  foreach(file IN LISTS sources)
    cmake_path(RELATIVE_PATH file BASE_DIRECTORY "${ROOT}" OUTPUT_VARIABLE shown)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      math(EXPR checked "${checked} + 1")
      string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" spelled "${line}")
      set(include "${CMAKE_MATCH_1}")
      string(SUBSTRING "${spelled}" 0 1 opening)
      set(quoted FALSE)
      if(opening STREQUAL "\"")
        set(quoted TRUE)
      endif()
      included_folder("${file}" "${include}" ${quoted} target path)
      if(NOT target OR target IN_LIST may_include_${folder})
        continue()
      endif()
      if(path STREQUAL factory_header AND folder IN_LIST factory_users)
        continue()
      endif()
      string(REPLACE ";" "/, " allowed "${may_include_${folder}}")
      message("${shown}: ${spelled} reaches ${target}/, but ${folder}/ may include only ${allowed}/")
      math(EXPR violations "${violations} + 1")
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "No #include found below ${ROOT}: nothing was checked")
endif()
if(violations GREATER 0)
  message(FATAL_ERROR "Includes breaking the layering rule: ${violations}")
endif()
message("${checked} includes keep the layering rule")
