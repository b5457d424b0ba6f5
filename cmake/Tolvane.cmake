# Helpers shared by the library and test folders.
#
# tolvane_library(<target> [RECURSE] [DEPS <libs>...] [PROGRAM <file>]
#                 [EXCLUDE <folders>...] [SOURCES <files>...])
#   One static library from every .c/.cpp/.h/.ui file of the calling folder
#   (and its sub-folders with RECURSE). PROGRAM names the one file of the
#   folder that holds a program's main() and so is not part of the library;
#   EXCLUDE names sub-folders (a plug-in's sources) that are not part of it.
#   Headers are included as "folder/File.h" from src/.
function(tolvane_library target)
  cmake_parse_arguments(ARG "RECURSE" "PROGRAM" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
         ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  else()
    file(GLOB srcs CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
         ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  endif()
  if(ARG_PROGRAM)
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_PROGRAM})
  endif()
  foreach(folder IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${folder}/")
  endforeach()
  list(APPEND srcs ${ARG_SOURCES})
  if(NOT srcs)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${stub} "// This library has no code yet.\n")
    set(srcs ${stub})
  endif()
  add_library(${target} STATIC ${srcs})
  # Layout forms (.ui, Qt Designer) are compiled by uic into ui_<Form>.h.
  set_target_properties(${target} PROPERTIES AUTOUIC ON)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# tolvane_test(<name> DEPS <libs>...)
#   One GoogleTest executable from every .cpp file of the calling test
#   folder. The shared test main sets up a temporary support folder and an
#   offscreen Qt application. TOLVANE_TEST_DATA_DIR names the folder's
#   "data" sub-folder for fixtures.
function(tolvane_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE tolvane_test_support ${ARG_DEPS}
                        GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    TOLVANE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    TOLVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOLVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # Under the sanitizers libjpeg, which Qt's image plug-ins load when the PDF
  # engine compresses a picture, is loaded at start-up so that its
  # thread-local data lies in the static TLS block. GCC 12's LeakSanitizer
  # guesses the bounds of a dynamically loaded library's TLS block from the
  # 16 bytes before it when the block starts 16 bytes into a page; glibc
  # keeps no such header, so now and then it scans a bogus range at exit and
  # stops with "LeakSanitizer has encountered a fatal error". The same holds
  # for the libraries the program loads on first use (libcurl and, through
  # the PDF reader plug-in, Qt Pdf).
  if(TOLVANE_SANITIZE)
    target_link_options(${name} PRIVATE -Wl,--no-as-needed -l:libjpeg.so.62 -l:libcurl.so.4 -l:libQt6Pdf.so.6
                        -Wl,--as-needed)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TOLVANE_RESOURCES_DIR=${TOLVANE_RESOURCES_DIR}"
               TIMEOUT 300)
endfunction()
