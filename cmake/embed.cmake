# Embeds a file into the program as a byte array, so disk_sensor_sim runs its
# default machine without needing the source tree.
function(embed_file source symbol)
  set(output ${CMAKE_BINARY_DIR}/generated/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${source} ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    VERBATIM)
endfunction()
