# The shipped executable's checks, read from the files themselves: only the
# 32-bit build makes what ships. A 64-bit build exists only to run the Windows
# tests where 32-bit code cannot run (scripts/wine-arch).
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()
endif()
# The shipped executable's header, imports and resources, read from the file
# with Debian's python3-pefile.
add_test(NAME executable_headers_and_resources
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/app/check_executable.py $<TARGET_FILE:QMCommandsUpdater>
        ${QMCU_PROBE_URL} ${QMCU_DOWNLOAD_URL})
# scripts/release twice (identical bytes) and once signed with a throw-away
# certificate; it builds the committed sources of HEAD.
add_test(NAME release_reproducible_and_signed
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/release/release-test ${CMAKE_CURRENT_BINARY_DIR}/release)
set_tests_properties(release_reproducible_and_signed PROPERTIES TIMEOUT 900)
