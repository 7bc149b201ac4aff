#!/usr/bin/env python3
"""Writes the seed inputs of the whole-run fuzz target: machines like the
default one (an NVMe disk, a SATA disk, USB enclosures of both kinds, volumes
and PowerShell output) carrying the real SMART blocks and NVMe page of
tests/data. It writes the decisions in the order machine_from_input.cpp reads
them; were that order to change, the seeds would still be valid inputs, only
describing other machines, so run this again then.

Usage: make_whole_run_seeds.py   (writes fuzz/corpus/whole_run/seed-*)
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "fuzz" / "corpus" / "whole_run"
SMART = (ROOT / "tests" / "data" / "smart" / "INTEL_SSDSA2CW120G3--4PC10302.bin").read_bytes()
OLD_SMART = (ROOT / "tests" / "data" / "smart" / "Maxtor_96147H8--BAC51KJ0.bin").read_bytes()
NVME_PAGE = next((ROOT / "tests" / "data" / "nvme").glob("*.bin")).read_bytes()

# Positions in the target's tables.
BUS = {"SCSI": 0, "USB": 2, "SATA": 4, "NVMe": 6}
DIALECTS = ["sat16", "sat12", "asmedia", "jmicron", "sunplus", "prolific", "cypress"]
NOT_SILENT = 1


class Input:
    def __init__(self):
        self.data = bytearray()

    def byte(self, value):
        self.data.append(value & 0xFF)

    def u16(self, value):
        self.data += struct.pack("<H", value)

    def blob(self, data):
        self.u16(len(data))
        self.data += data

    def text(self, value):
        self.blob(value.encode())


def disk(i, number, bus, product, temperature=None, smart=None, nvme=None, sat=None, nvme_bridge=None):
    i.byte(number)
    i.byte(BUS[bus])
    for value in ("", product, "1.0", "SEED%08d" % number):
        i.text(value)
    i.byte(0)        # not removable
    i.byte(0)        # descriptor from the fields
    i.byte(1 if temperature is not None else 0)
    if temperature is not None:
        i.byte(1)    # one sensor
        i.u16(temperature)
        i.u16(80)
        i.byte(0)    # no info count of its own
        i.byte(0)    # from the fields
    i.byte(0)        # adapter property not described
    i.byte(0)        # opens with every access
    i.byte(0)        # SCSI pass-through as Windows passes it
    i.byte(1 if smart else 0)
    if smart:
        i.data += smart
    i.byte(0)        # ATA pass-through as Windows answers it
    i.byte(1 if nvme else 0)
    if nvme:
        i.data += nvme
        i.byte(1)    # supports log page offsets
    if sat:
        i.byte(1)
        i.byte(sum(1 << DIALECTS.index(d) for d in sat))
        for value in (2, 0, 5, 0x20, 0):  # CHECK CONDITION, fixed sense 05/20/00
            i.byte(value)
    elif nvme_bridge:
        i.byte(2)
        i.data += NVME_PAGE
        i.byte(1)
        i.byte(1)    # one health log command
        i.blob(nvme_bridge)
        i.byte(0)    # no uncompleted command
        for value in (2, 5, 0x20, 0):
            i.byte(value)
        i.byte(2)    # the Realtek family's firmware
    else:
        i.byte(0)
    i.byte(NOT_SILENT)


def volume_on(i, letter, disk_position):
    i.byte(ord(letter) - ord("C"))
    i.byte(1)        # one extent
    i.byte(disk_position)
    i.byte(1)        # on that disk
    i.byte(3)        # DRIVE_FIXED
    i.text("Data")
    i.byte(0)        # volume information answers
    i.byte(0)        # extents from the fields


def usb_parent(i, vid, pid):
    i.byte(1)
    i.text("SEED")
    i.u16(vid)
    i.u16(pid)
    i.byte(1)        # a USB\VID_&PID_ parent
    i.text("0123456789")


def desktop():
    i = Input()
    i.byte(1)        # elevated
    i.byte(3)        # four disks
    disk(i, 0, "NVMe", "Samsung SSD 980 PRO 1TB", temperature=38, nvme=NVME_PAGE)
    disk(i, 1, "SATA", "INTEL SSDSA2CW120G3", smart=SMART)
    disk(i, 2, "USB", "ASM1153 SATA", smart=SMART, sat=["sat12"])
    disk(i, 3, "USB", "RTL9210 NVMe", nvme_bridge=bytes.fromhex("FC02000200000200000000000000000000"[:32]))
    i.byte(2)        # two volumes
    volume_on(i, "C", 0)
    volume_on(i, "D", 1)
    i.byte(0)        # disk 0: no USB parent
    i.byte(0)
    usb_parent(i, 0x174C, 0x55AA)
    usb_parent(i, 0x0BDA, 0x9210)
    i.byte(0)        # no PowerShell
    return i.data


def old_enclosure_and_powershell():
    i = Input()
    i.byte(1)
    i.byte(0)        # one disk
    disk(i, 5, "USB", "HD103SJ", smart=OLD_SMART, sat=["jmicron"])
    i.byte(0)        # no volume: PowerShell maps the letters
    usb_parent(i, 0x152D, 0x2338)
    i.byte(1)
    i.blob(b"5:I\r\n5:j\r\n")
    i.data += struct.pack("<I", 0)
    i.byte(1)        # exits
    i.u16(1500)
    return i.data


OUT.mkdir(parents=True, exist_ok=True)
(OUT / "seed-desktop").write_bytes(desktop())
(OUT / "seed-old-enclosure-and-powershell").write_bytes(old_enclosure_and_powershell())
