"""The shipped program's form: a 64-bit GUI-subsystem executable that needs no
DLL beyond the system's.

    python3 test_executable.py DISK_SENSOR_EXE [WINEPREFIX]
"""

import re
import struct
import subprocess
import sys
import unittest

EXE = ""

PE32_PLUS_MAGIC = 0x20B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "cfgmgr32.dll", "msvcrt.dll"}
# The universal C runtime's API sets, should the runtime ever be linked that way.
SYSTEM_DLL_PATTERN = re.compile(r"api-ms-win-crt-[a-z0-9-]+\.dll")


def optional_header_fields(path):
    """The optional header's magic and subsystem, read from the file itself."""
    with open(path, "rb") as exe:
        image = exe.read()
    assert image[:2] == b"MZ", "no DOS header"
    (pe_offset,) = struct.unpack_from("<I", image, 0x3C)
    assert image[pe_offset:pe_offset + 4] == b"PE\0\0", "no PE signature"
    optional_header = pe_offset + 4 + 20
    (magic,) = struct.unpack_from("<H", image, optional_header)
    (subsystem,) = struct.unpack_from("<H", image, optional_header + 68)
    return magic, subsystem


def imported_dlls(path):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path],
                          check=True, capture_output=True, text=True).stdout
    return re.findall(r"^\s*DLL Name: (\S+)\s*$", dump, re.MULTILINE)


class ExecutableTest(unittest.TestCase):
    def test_is_a_64_bit_gui_subsystem_program(self):
        magic, subsystem = optional_header_fields(EXE)
        self.assertEqual(magic, PE32_PLUS_MAGIC)
        self.assertEqual(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_imports_only_system_dlls(self):
        dlls = imported_dlls(EXE)
        self.assertIn("kernel32.dll", [dll.lower() for dll in dlls])
        foreign = [dll for dll in dlls
                   if dll.lower() not in SYSTEM_DLLS and not SYSTEM_DLL_PATTERN.fullmatch(dll.lower())]
        self.assertEqual(foreign, [])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
