# Warnings are errors in both builds, for the project's own code only.
function(avrel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # clang (the fuzz build): classes keep fields that only their constructors read.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        target_compile_options(${target} PRIVATE -Wno-unused-private-field)
    endif()
endfunction()

# avrel_jpeg as the static libjpeg that tools/build/build-libjpeg.sh built
# into AVREL_JPEG_ROOT (`kind` names it, `arch` is the script's argument).
function(avrel_prebuilt_jpeg kind arch)
    set(AVREL_JPEG_ROOT "" CACHE PATH "Prefix of the ${kind} static libjpeg")
    if(NOT EXISTS "${AVREL_JPEG_ROOT}/lib/libjpeg.a")
        message(FATAL_ERROR "No libjpeg.a under AVREL_JPEG_ROOT='${AVREL_JPEG_ROOT}'; "
                            "run tools/build/build-libjpeg.sh ${arch}")
    endif()
    add_library(avrel_jpeg STATIC IMPORTED)
    set_target_properties(avrel_jpeg PROPERTIES
        IMPORTED_LOCATION "${AVREL_JPEG_ROOT}/lib/libjpeg.a"
        INTERFACE_INCLUDE_DIRECTORIES "${AVREL_JPEG_ROOT}/include")
endfunction()

# The interface both builds compile against is libjpeg's release 6b one.
function(avrel_check_jpeg_version)
    if(WIN32 OR EMSCRIPTEN)
        set(header "${AVREL_JPEG_ROOT}/include/jconfig.h")
    else()
        find_file(header jconfig.h PATHS ${JPEG_INCLUDE_DIRS} /usr/include/x86_64-linux-gnu
                  NO_CACHE REQUIRED)
    endif()
    file(STRINGS "${header}" version REGEX "define JPEG_LIB_VERSION ")
    if(NOT version MATCHES "JPEG_LIB_VERSION +62")
        message(FATAL_ERROR "libjpeg at ${header} is not version 62: ${version}")
    endif()
endfunction()

# A set of compiled resources as an object library that an executable links
# to carry them as its own module's resources: the real resource section on
# Windows, the compiled .res file for the stand-in elsewhere.
function(avrel_resource_set name rc)
    file(GLOB asset_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*.bin
         ${CMAKE_SOURCE_DIR}/assets/*.rc ${CMAKE_SOURCE_DIR}/assets/*.h
         ${CMAKE_SOURCE_DIR}/assets/pictures/*.jpg
         ${CMAKE_SOURCE_DIR}/tests/testdata/*)
    get_filename_component(rc_dir ${rc} DIRECTORY)
    if(WIN32)
        add_library(${name} OBJECT ${rc})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/assets ${rc_dir})
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${asset_files}")
    else()
        find_program(AVREL_WINDRES i686-w64-mingw32-windres REQUIRED)
        set(res ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
        add_custom_command(OUTPUT ${res}
            COMMAND ${AVREL_WINDRES} --include-dir=${CMAKE_SOURCE_DIR}/assets
                    --include-dir=${rc_dir} -O res -i ${rc} -o ${res}
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/assets
            DEPENDS ${rc} ${asset_files}
            COMMENT "Compiling resources ${name}" VERBATIM)
        set(RES_FILE ${res})
        set(blob ${CMAKE_SOURCE_DIR}/platform/native/ResourceBlob.S.in)
        if(EMSCRIPTEN)
            set(blob ${CMAKE_SOURCE_DIR}/platform/web/ResourceBlob.S.in)
        endif()
        configure_file(${blob}
                       ${CMAKE_CURRENT_BINARY_DIR}/${name}.S @ONLY)
        set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}.S
                                    PROPERTIES OBJECT_DEPENDS ${res})
        add_library(${name} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${name}.S)
    endif()
endfunction()

# The resources program `target` carries: the set named, or on the stand-in
# the empty one. The stand-in's resource table refers to a set, and a unity
# build links whole batches of a library's files, the table's callers among
# them, into programs that never read a resource.
function(avrel_carry_resources target)
    if(ARGC GREATER 1 AND ARGV1)
        target_link_libraries(${target} PRIVATE ${ARGV1})
    elseif(TARGET avrel_no_resources)
        target_link_libraries(${target} PRIVATE avrel_no_resources)
    endif()
endfunction()

# A GoogleTest program. Natively every test case is its own CTest test;
# under Wine each program is one test, to pay Wine's start-up once.
function(avrel_add_test name)
    cmake_parse_arguments(ARG "" "RESOURCES" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE avrel_core ${ARG_LIBRARIES}
                          GTest::gtest GTest::gtest_main)
    avrel_carry_resources(${name} ${ARG_RESOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    avrel_warnings(${name})
    if(WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT
                             "AVREL_TEST_DATA=${AVREL_TEST_DATA_DIR}")
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                             PROPERTIES ENVIRONMENT "AVREL_TEST_DATA=${AVREL_TEST_DATA_DIR}")
    endif()
endfunction()
