# embed_file(<target-source-var> <input> <symbol>): generates a C++ source that holds the file's
# bytes as `extern const unsigned char <symbol>[]` and `extern const unsigned <symbol>_size`.
function(embed_file out_var input symbol)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake
    VERBATIM)
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()
