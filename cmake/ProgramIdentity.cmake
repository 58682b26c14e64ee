# Generates the program's identity, as CMakeLists.txt defines it, for the code
# and the resource script (program_identity.h, through the interface library
# program_identity) and for the scripts (program_identity.sh at the top of the
# build folder).
string(REPLACE "/" "\\\\" QMCU_COMMANDS_FOLDER_IN_C "${QMCU_COMMANDS_FOLDER}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/program_identity.h.in ${PROJECT_BINARY_DIR}/identity/program_identity.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/program_identity.sh.in ${PROJECT_BINARY_DIR}/program_identity.sh @ONLY)
add_library(program_identity INTERFACE)
target_include_directories(program_identity INTERFACE ${PROJECT_BINARY_DIR}/identity)
