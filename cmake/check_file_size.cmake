# cmake -DFILE=path -DLIMIT=bytes -P check_file_size.cmake: fails when the file
# is larger than LIMIT bytes.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than the limit of ${LIMIT}")
endif()
message(STATUS "${FILE} is ${size} bytes (limit ${LIMIT})")
