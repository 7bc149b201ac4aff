# Warnings are errors in both compilers. Only for C++: the resource compiler
# of an executable's Windows resources knows none of these options.
function(disk_sensor_warnings target)
  set(warnings -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${warnings}>")
endfunction()
