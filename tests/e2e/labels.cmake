# Read by ctest after the discovered end-to-end tests: the simulated phone's
# own tests, which never start korvane, carry the label sim, the others e2e, so
# that `ctest -L e2e` runs what tests korvane and `ctest -L sim` the phone.
set(phone_suites "^(AllProfiles/SimProfiles|Sim[A-Za-z]+|Releases/ToolAnswers|Releases/GameOverlay|RebootStateE2e|ChargerDriverNodesE2e|KernelRulesE2e|StricterPhoneE2e)\\.")
set(phone_tests "^(GpuDriverNodesE2e\\.DriversParseTheirOwnWay|RefreshCapE2e\\.TheDisplayFollowsOnlyARangeAModeMeets)$")
# the cases of those suites that start korvane on the phone
set(korvane_tests "^(KernelRulesE2e\\.(RebootBringsBackTheProfilesNodes|NodeWriteCanKillTheWriter)|StricterPhoneE2e\\.OfflineCoreLosesItsCpufreqFolder)$")
# Every test has the test presets' limit (5 minutes). These few run longer: up
# to 2.5 minutes each under the sanitizers with two tests at a time, so they
# get three times that, for a loaded two-core machine; a hang still fails.
set(long_tests "^(Undo\\.(ACrashAtAnyStepLosesNoOriginal|ADryRunChangesNothing)|KernelFamiliesE2e\\.EveryOrderOfProfilesEndsAtTheLastOnesValues)$")
foreach(name IN LISTS e2e_tests_TESTS)  # a parameterized name ends in a comment on its value
    if(name MATCHES "${long_tests}")
        set_tests_properties("${name}" PROPERTIES TIMEOUT 900)
    endif()
    if((name MATCHES "${phone_suites}" OR name MATCHES "${phone_tests}") AND NOT name MATCHES "${korvane_tests}")
        set_tests_properties("${name}" PROPERTIES LABELS sim)
    else()
        set_tests_properties("${name}" PROPERTIES LABELS e2e)
    endif()
endforeach()
