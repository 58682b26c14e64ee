# qmcu_add_program(TARGET ENDPOINTS)
# The program QMCommandsUpdater.exe, fetching from the URLs that the object
# library ENDPOINTS defines: a 32-bit GUI executable whose header marks Windows
# and subsystem version 5.01, linked statically so that it needs no DLL besides
# the system's. Its resources are compiled into it directly, since a resource
# object in a static library would never be linked.
function(qmcu_add_program target endpoints)
    add_executable(${target} WIN32
        ${PROJECT_SOURCE_DIR}/app/win_main.cpp
        ${PROJECT_SOURCE_DIR}/ui/QMCommandsUpdater.rc
    )
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/ui)
    target_link_libraries(${target} PRIVATE ui platform program_identity ${endpoints})
    target_link_options(${target} PRIVATE
        -Wl,--major-os-version,5,--minor-os-version,1,--major-subsystem-version,5,--minor-subsystem-version,1
        # Reproducible: no link time in the header, no symbols or paths of the
        # build machine in a release.
        -Wl,--no-insert-timestamp
        $<$<CONFIG:Release,MinSizeRel>:-s>)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME QMCommandsUpdater)
    qmcu_program_code(${target})
endfunction()
