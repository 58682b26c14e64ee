# Read by CTest once platform_tests' tests are discovered: the full-volume
# tests need the small volume as well as the display. A property given
# through gtest_discover_tests takes one value, so the second fixture is
# added here.
foreach(test IN LISTS platform_tests_TESTS)
    if(test MATCHES "^FullVolume\\.")
        set_tests_properties("${test}" PROPERTIES FIXTURES_REQUIRED "e2e_display;small_volume")
    endif()
endforeach()
