# Each engine layer is a static library built from every source file of its folder, so a new
# file joins its layer without touching the build. The DEPS list is the only place where the
# layering is stated: a layer may depend on layers to its left, never to its right.
function(twinvale_layer name)
    cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    if(sources)
        add_library(twinvale_${name} STATIC ${sources})
        target_include_directories(twinvale_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(twinvale_${name} PUBLIC ${L_DEPS})
    else()
        add_library(twinvale_${name} INTERFACE)
        target_include_directories(twinvale_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(twinvale_${name} INTERFACE ${L_DEPS})
    endif()
endfunction()

# A test executable per folder of tests/, registered test by test so ctest reports each one.
# QT: the folder brings its own main (a QApplication, offscreen unless told otherwise).
function(twinvale_tests name)
    cmake_parse_arguments(T "QT" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(test_${name} ${sources})
    if(T_QT)
        target_link_libraries(test_${name} PRIVATE ${T_DEPS} twinvale_testsupport Qt6::Test GTest::gtest GTest::gmock)
        set_target_properties(test_${name} PROPERTIES AUTOMOC ON)
    else()
        target_link_libraries(test_${name} PRIVATE ${T_DEPS} twinvale_testsupport GTest::gtest_main GTest::gmock)
    endif()
    target_compile_definitions(test_${name} PRIVATE TWINVALE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                    TWINVALE_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST)
endfunction()
