# Writes a C++ source holding files as a module's resource table (platform/module/win_resource.h).
# Usage: cmake -DOUTPUT=<file.cpp> -DFUNCTION=<qualified name> -DRESOURCES="<type>:<id>:<file>|..."
#        -P EmbedResources.cmake
# The source defines `const platform::ModuleResource* FUNCTION(size_t& count)`.
cmake_minimum_required(VERSION 3.25)
set(arrays "")
set(entries "")
set(index 0)
string(REPLACE "|" ";" RESOURCES "${RESOURCES}")
foreach(resource ${RESOURCES})
  string(REPLACE ":" ";" parts "${resource}")
  list(GET parts 0 type)
  list(GET parts 1 id)
  list(GET parts 2 file)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char resource${index}[] = {${bytes}};\n")
  string(APPEND entries "        {L\"${type}\", ${id}, resource${index}, sizeof(resource${index})},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(REGEX MATCH "^(.*)::([^:]+)$" matched "${FUNCTION}")
set(namespace "${CMAKE_MATCH_1}")
set(name "${CMAKE_MATCH_2}")
file(WRITE "${OUTPUT}.new"
  "// Generated from the module's resource files; do not edit.\n"
  "#include \"platform/module/win_resource.h\"\n\n"
  "namespace {\n\n${arrays}\n}  // namespace\n\n"
  "namespace ${namespace} {\n\n"
  "const platform::ModuleResource* ${name}(size_t& count) {\n"
  "    static const platform::ModuleResource table[] = {\n${entries}    };\n"
  "    count = sizeof(table) / sizeof(table[0]);\n"
  "    return table;\n}\n\n}  // namespace ${namespace}\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
