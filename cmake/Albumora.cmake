# albumora_library(NAME DIR [EXCLUDE stem...] [ONLY stem...])
# A static library of every .cpp in DIR (not recursive). EXCLUDE drops files by stem, ONLY keeps
# just those stems. An empty folder still yields a valid (empty) library.
function(albumora_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;ONLY" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  set(kept)
  foreach(f ${srcs})
    get_filename_component(stem ${f} NAME_WE)
    if(ARG_ONLY)
      if(stem IN_LIST ARG_ONLY)
        list(APPEND kept ${f})
      endif()
    elseif(NOT stem IN_LIST ARG_EXCLUDE)
      list(APPEND kept ${f})
    endif()
  endforeach()
  if(NOT kept)
    set(stub ${CMAKE_BINARY_DIR}/stubs/${name}.cpp)
    if(NOT EXISTS ${stub})
      file(WRITE ${stub} "// intentionally empty\n")
    endif()
    set(kept ${stub})
  endif()
  add_library(${name} STATIC ${kept})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# albumora_test(FOLDER LIB...): one GoogleTest executable per tests/FOLDER, prefixed "FOLDER.".
function(albumora_test folder)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${folder}_tests ${srcs})
  target_link_libraries(${folder}_tests PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  # Test servers: Debian's cpp-httplib is a header plus a shared library.
  find_library(ALBUMORA_HTTPLIB cpp-httplib)
  if(ALBUMORA_HTTPLIB)
    target_link_libraries(${folder}_tests PRIVATE ${ALBUMORA_HTTPLIB})
  endif()
  target_include_directories(${folder}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(${folder}_tests PRIVATE
    ALBUMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ALBUMORA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${folder}_tests TEST_PREFIX "${folder}." DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300)
endfunction()

# albumora_gui_test(FOLDER LIB...): like albumora_test, but every test runs in its own Xvfb
# display through xvfb-run, so CI and developers run GUI tests the same way. The tests' main()
# must create the wxApp (tests/gui_main.cpp).
function(albumora_gui_test folder)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${folder}_tests ${srcs} ${CMAKE_SOURCE_DIR}/tests/gui_main.cpp)
  target_link_libraries(${folder}_tests PRIVATE ${ARGN} GTest::gtest GTest::gmock)
  target_include_directories(${folder}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(${folder}_tests PRIVATE
    ALBUMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ALBUMORA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${folder}_tests PROPERTIES
    CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tests/xvfb-run-test.sh")
  gtest_discover_tests(${folder}_tests TEST_PREFIX "${folder}." DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300)
endfunction()
