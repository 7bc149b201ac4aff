#!/usr/bin/env bash
# Builds the Windows executables twice from clean, in two folders, stops when
# the two builds differ by a byte, checks their release form, and writes the
# release archive dist/disk-sensor-<version>-windows-x64.zip and, beside it,
# the executables' debug files in dist/disk-sensor-<version>-windows-x64-debug.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
builds=(build/release-a build/release-b)
executables=(disk_sensor.exe disk_sensor_capture.exe)

# The windows preset's settings, in folders of their own: a build in a
# different folder is what shows that no path gets into the bytes.
for build in "${builds[@]}"; do
  rm -rf "$build"
  cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DDISK_SENSOR_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$jobs" --target disk_sensor disk_sensor_capture
done

for file in "${executables[@]}" "${executables[@]/%/.debug}"; do
  if ! cmp "${builds[0]}/$file" "${builds[1]}/$file"; then
    echo "release: two builds of the same sources gave different $file" >&2
    exit 1
  fi
done
echo "release: ${builds[0]} and ${builds[1]} built the same bytes"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${builds[0]}/CMakeCache.txt")
# Debian's python3, which sees Debian's python3-pefile.
/usr/bin/python3 tests/release/check_release_form.py "$version" "$PWD:$PWD/${builds[0]}" \
  "${executables[@]/#/${builds[0]}/}"

# The schema and the guide keep their folders, so the guide's link to the
# schema still works.
python3 scripts/make_release_archive.py "dist/disk-sensor-$version-windows-x64.zip" \
  "disk_sensor.exe=${builds[0]}/disk_sensor.exe" \
  "disk_sensor_capture.exe=${builds[0]}/disk_sensor_capture.exe" \
  schema/disk_health.schema.json=schema/disk_health.schema.json \
  docs/widget-guide.md=docs/widget-guide.md \
  CHANGELOG.md=CHANGELOG.md

# The symbols stay out of what the widget ships; kept beside the archive, they
# let a crash dump from a user be read.
python3 scripts/make_release_archive.py "dist/disk-sensor-$version-windows-x64-debug.zip" \
  "disk_sensor.exe.debug=${builds[0]}/disk_sensor.exe.debug" \
  "disk_sensor_capture.exe.debug=${builds[0]}/disk_sensor_capture.exe.debug"
