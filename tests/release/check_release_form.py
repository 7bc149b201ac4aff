"""What a released executable must carry, checked in one build: no build time
and no build folder in its bytes (two builds of one commit would differ), the
project's version in its version resource, and a manifest that runs it as
invoked. Needs Debian's python3-pefile.

    python3 check_release_form.py VERSION BUILD_FOLDERS EXE...

BUILD_FOLDERS is a colon-separated list (the source and the build folder).
"""

import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

VERSION = ""
BUILD_FOLDERS = []
EXES = []

MANIFEST_LEVEL = ".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel"


def manifest_text(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return None
    for resource_type in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if resource_type.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            language = resource_type.directory.entries[0].directory.entries[0]
            return pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
    return None


def version_strings(pe):
    strings = {}
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


class ReleaseFormTest(unittest.TestCase):
    def each_exe(self):
        """Each executable as (file name, bytes, parsed)."""
        for exe in EXES:
            with open(exe, "rb") as file:
                data = file.read()
            yield os.path.basename(exe), data, pefile.PE(data=data)

    def test_carries_no_build_time(self):
        for name, _, pe in self.each_exe():
            with self.subTest(exe=name):
                self.assertEqual(pe.FILE_HEADER.TimeDateStamp, 0)

    def test_carries_no_build_folder(self):
        for name, data, _ in self.each_exe():
            for folder in BUILD_FOLDERS:
                for encoding in ("utf-8", "utf-16-le"):
                    with self.subTest(exe=name, folder=folder, encoding=encoding):
                        self.assertFalse(folder.encode(encoding) in data, "found in the bytes")

    def test_version_resource_is_this_projects(self):
        for name, _, pe in self.each_exe():
            with self.subTest(exe=name):
                self.assertTrue(hasattr(pe, "FileInfo"), "no version resource")
                strings = version_strings(pe)
                self.assertEqual((strings.get("FileVersion"), strings.get("OriginalFilename")),
                                 (VERSION, name))

    def test_manifest_runs_it_as_invoked(self):
        for name, _, pe in self.each_exe():
            with self.subTest(exe=name):
                text = manifest_text(pe)
                self.assertIsNotNone(text, "no manifest")
                # Windows refuses to start a program whose manifest does not parse.
                level = ElementTree.fromstring(text).find(MANIFEST_LEVEL)
                self.assertIsNotNone(level, "no requested execution level")
                self.assertEqual(level.get("level"), "asInvoker")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    VERSION = sys.argv[1]
    BUILD_FOLDERS = [folder for folder in sys.argv[2].split(":") if folder]
    EXES = sys.argv[3:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
