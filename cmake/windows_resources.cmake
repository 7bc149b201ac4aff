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
