# qmcu_program_code(TARGET...)
# Marks targets as the program's own code, which is built without exceptions:
# nothing in it throws, and a throw, try or catch there fails the build (the
# policy is in README.md, under "Map of the code"). The tests' own code keeps
# exceptions, which GoogleTest needs.
function(qmcu_program_code)
    foreach(target IN LISTS ARGN)
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
    endforeach()
endfunction()
