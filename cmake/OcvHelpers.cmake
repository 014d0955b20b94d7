# ocv_library(NAME <folder> SOURCES ... DEPS ... [PRIVATE_DEPS ...])
# One static library per folder; headers are included as "<folder>/File.h" from the project root.
function(ocv_library)
  cmake_parse_arguments(A "" "NAME" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(ocv_${A_NAME} STATIC ${A_SOURCES})
  target_include_directories(ocv_${A_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(ocv_${A_NAME} PUBLIC ${A_DEPS} PRIVATE ${A_PRIVATE_DEPS})
endfunction()

# ocv_test(NAME <name> SOURCES ... DEPS ... [LABELS ...] [TIMEOUT s])
# A GoogleTest executable registered as one CTest test per suite binary.
function(ocv_test)
  cmake_parse_arguments(A "" "NAME;TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${A_NAME} PRIVATE OCV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                               OCV_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${A_NAME} COMMAND ${A_NAME} --gtest_color=no)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${A_NAME} PROPERTIES TIMEOUT ${A_TIMEOUT})
  if(A_LABELS)
    set_tests_properties(${A_NAME} PROPERTIES LABELS "${A_LABELS}")
  endif()
endfunction()

# ocv_fuzzer(NAME <name> SOURCES ... DEPS ...)
function(ocv_fuzzer)
  cmake_parse_arguments(A "" "NAME" "SOURCES;DEPS" ${ARGN})
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS})
  target_link_options(${A_NAME} PRIVATE -fsanitize=fuzzer)
endfunction()

# ocv_embed(<target> <symbol> <file>)
# Compiles the bytes of <file> into <target> as `ocv::res::<symbol>` and `<symbol>_size`
# (declare them with `namespace ocv::res { extern const unsigned char <symbol>[]; extern const
# size_t <symbol>_size; }`).
function(ocv_embed target symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
