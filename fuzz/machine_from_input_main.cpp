// fuzz_machine: prints the machine description a whole-run fuzz input stands
// for, so a corpus file can be replayed with disk_sensor_sim --machine.
// Usage: fuzz_machine INPUT_FILE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "machine_from_input.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_machine INPUT_FILE\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "fuzz_machine: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    std::puts(quartzmon::fuzz::machine_from_input(input).c_str());
    return 0;
}
