# The two commands of the README, and one target a build. Every target
# installs the Debian packages it needs that are missing, so each one works
# alone on a fresh machine.
JOBS ?= $(shell nproc)

RUN_PACKAGES := cmake ninja-build g++ make nlohmann-json3-dev
LINUX_PACKAGES := $(RUN_PACKAGES) googletest python3 python3-jsonschema
BENCH_PACKAGES := $(RUN_PACKAGES) libbenchmark-dev
FUZZ_PACKAGES := $(RUN_PACKAGES) clang-16 libclang-rt-16-dev
FUZZ_COVERAGE_PACKAGES := $(FUZZ_PACKAGES) llvm-16
WINDOWS_PACKAGES := cmake ninja-build nlohmann-json3-dev \
	g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
# The Windows tests replay a capture with the Linux build's disk_sensor_sim.
WINDOWS_TESTS_PACKAGES := $(sort $(WINDOWS_PACKAGES) $(RUN_PACKAGES) googletest python3 \
	python3-pefile wine wine64)
RELEASE_PACKAGES := $(WINDOWS_PACKAGES) python3 python3-pefile
TEST_PACKAGES := $(sort $(LINUX_PACKAGES) $(FUZZ_PACKAGES) $(WINDOWS_TESTS_PACKAGES))
FUZZ_SECONDS ?= 600

.PHONY: run test bench fuzz release linux sanitize fuzz-build fuzz-smoke fuzz-coverage windows \
	windows-tests clean run-packages linux-packages bench-packages fuzz-packages \
	fuzz-coverage-packages windows-packages \
	windows-tests-packages release-packages test-packages

run: run-packages
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS) --target disk_sensor_sim
	./build/linux/disk_sensor_sim --ipc build/linux/kiv_disk_health.json
	@cat build/linux/kiv_disk_health.json
	@echo

test: test-packages linux sanitize fuzz-smoke windows windows-tests

# Timings of the sensor's own work on the simulated machine (Release build);
# not part of test.
bench: bench-packages
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS) --target disk_sensor_bench
	./build/bench/disk_sensor_bench

# Every fuzz target for FUZZ_SECONDS (default 600) each; what adds coverage is
# merged into fuzz/corpus. Not part of test, which only replays the corpus and
# tries a few thousand new inputs per target.
fuzz: fuzz-packages fuzz-build
	fuzz/run_fuzzers.sh long $(FUZZ_SECONDS)

# Two clean builds of the Windows executables in build/release-a and -b, which
# must be identical, then dist/disk-sensor-<version>-windows-x64.zip with
# SHA256SUMS. Not part of test.
release: release-packages
	JOBS=$(JOBS) scripts/release.sh

fuzz-build: fuzz-packages
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

fuzz-smoke: fuzz-build
	fuzz/run_fuzzers.sh smoke

# Every target replays its corpus in a build instrumented for coverage; prints
# the line coverage of each file of src/. Not part of test.
fuzz-coverage: fuzz-coverage-packages
	cmake --preset fuzz-coverage
	cmake --build --preset fuzz-coverage -j $(JOBS)
	fuzz/run_fuzzers.sh coverage

run-packages:
	@scripts/install-packages.sh $(RUN_PACKAGES)

linux-packages:
	@scripts/install-packages.sh $(LINUX_PACKAGES)

bench-packages:
	@scripts/install-packages.sh $(BENCH_PACKAGES)

fuzz-packages:
	@scripts/install-packages.sh $(FUZZ_PACKAGES)

fuzz-coverage-packages:
	@scripts/install-packages.sh $(FUZZ_COVERAGE_PACKAGES)

windows-packages:
	@scripts/install-packages.sh $(WINDOWS_PACKAGES)

windows-tests-packages:
	@scripts/install-packages.sh $(WINDOWS_TESTS_PACKAGES)

release-packages:
	@scripts/install-packages.sh $(RELEASE_PACKAGES)

test-packages:
	@scripts/install-packages.sh $(TEST_PACKAGES)

linux: linux-packages
	cmake --preset linux
	cmake --build --preset linux -j $(JOBS)
	ctest --preset linux -j $(JOBS)

sanitize: linux-packages
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

windows: windows-packages
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)

windows-tests: windows-tests-packages
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS) --target disk_sensor_sim
	cmake --preset windows-tests
	cmake --build --preset windows-tests -j $(JOBS)
	ctest --preset windows-tests

clean:
	rm -rf build
