# Gives a Windows executable its resources: the version (from project(), its
# one home) with a description, and the application manifest.
function(disk_sensor_resources target description)
  set(RESOURCE_FILE_DESCRIPTION "${description}")
  set(RESOURCE_INTERNAL_NAME "${target}")
  set(RESOURCE_ORIGINAL_FILENAME "${target}.exe")
  set(RESOURCE_MANIFEST "${CMAKE_SOURCE_DIR}/src/main/resources/application.manifest")
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/src/main/resources/windows_resources.rc.in ${rc} @ONLY)
  # The resource compiler embeds the manifest's bytes; rebuild when it changes.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${RESOURCE_MANIFEST})
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The shipped executable carries no symbols: they go to <name>.exe.debug
# beside it, which the release keeps next to the archive, not in it, so that
# a crash dump from a user can be read. The executable names its debug file
# (.gnu_debuglink) for the debuggers that look for it. objcopy stamps the PE
# files it writes with the time unless SOURCE_DATE_EPOCH says otherwise; 0 is
# what the linker writes (--no-insert-timestamp), so a build stays repeatable.
function(disk_sensor_split_debug_info target)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE_NAME:${target}>
            $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${objcopy} --strip-all
            --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
