#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets that run whole machines.

whole_run and round_trip read the same inputs (machine_from_input.cpp): machines
like the default one carrying the real SMART blocks and NVMe page of tests/data,
an NVMe enclosure of each bridge family identified by its VID:PID with no other
command listed (so the family's own read is the one that answers), a JMicron
enclosure whose driver takes only the buffered request, a recorded JMicron
exchange with its data-out phase, and a clock. This script writes the decisions
in the order machine_from_input.cpp reads them; were that order to change, the
seeds would still be valid inputs, only describing other machines, so run this
again then.

description reads machine descriptions: each seed above as fuzz_machine prints
it (so give the fuzz build's fuzz_machine), and the description whose number is
too large for a double.

Usage: make_seeds.py [FUZZ_MACHINE]   (default build/fuzz/fuzz/fuzz_machine)
"""
import pathlib
import struct
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
SMART = (ROOT / "tests" / "data" / "smart" / "INTEL_SSDSA2CW120G3--4PC10302.bin").read_bytes()
OLD_SMART = (ROOT / "tests" / "data" / "smart" / "Maxtor_96147H8--BAC51KJ0.bin").read_bytes()
NVME_PAGE = next((ROOT / "tests" / "data" / "nvme").glob("*.bin")).read_bytes()

# Positions in the target's tables.
BUS = {"SCSI": 0, "USB": 2, "SATA": 4, "NVMe": 6}
DIALECTS = ["sat16", "sat12", "asmedia", "jmicron", "sunplus", "prolific", "cypress"]
FAMILIES = ["asmedia", "jmicron", "realtek"]
ERRORS = [0, 1, 5, 31, 50, 87, 121]
NOT_SILENT = 1

# The JMicron family's three phases (A1h, 12 bytes): the command block as data
# out, the page as data in, the response.
JMICRON_COMMAND = bytes.fromhex("A1 80 00 00 02 00 00 00 00 00 00 00")
JMICRON_DATA = bytes.fromhex("A1 82 00 00 02 00 00 00 00 00 00 00")
JMICRON_RESPONSE = bytes.fromhex("A1 8F 00 00 02 00 00 00 00 00 00 00")
# The command block: "NVME", Get Log Page (02h), NSID FFFFFFFFh, CDW10 7F0002h.
JMICRON_BLOCK = (struct.pack("<III", 0x454D564E, 0, 2) + struct.pack("<I", 0xFFFFFFFF)
                 + bytes(32) + struct.pack("<I", 0x7F0002)).ljust(512, b"\0")
# The response: the signature, and Status Field 0 in completion dword 3.
JMICRON_SUCCESS = struct.pack("<I", 0x454D564E).ljust(512, b"\0")
# The start of a SCSI_PASS_THROUGH_DIRECT reply: Length 56, ScsiStatus GOOD.
GOOD_REPLY_HEADER = bytes.fromhex("38 00 00 00")


class Input:
    def __init__(self):
        self.data = bytearray()

    def byte(self, value):
        self.data.append(value & 0xFF)

    def u16(self, value):
        self.data += struct.pack("<H", value)

    def u32(self, value):
        self.data += struct.pack("<I", value)

    def blob(self, data):
        self.u16(len(data))
        self.data += data

    def text(self, value):
        self.blob(value.encode())


def nvme_bridge_decisions(i, family, health_log_commands):
    i.byte(2)
    i.data += NVME_PAGE
    i.byte(1)        # supports log page offsets
    i.byte(len(health_log_commands))
    for command in health_log_commands:
        i.blob(command)
    i.byte(0)        # no uncompleted command
    for value in (2, 5, 0x20, 0):
        i.byte(value)
    i.byte(FAMILIES.index(family) if family else len(FAMILIES))


def disk(i, number, bus, product, temperature=None, smart=None, nvme=None, sat=None,
         family=None, health_log_commands=(), direct_error=0):
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
    i.byte(1 if direct_error else 0)
    if direct_error:
        for _ in range(4):
            i.byte(0)  # the access rules as Windows has them
        i.byte(ERRORS.index(direct_error))
        i.byte(0)    # the buffered request reaches the device
        i.byte(0)    # direct data as the device sent it
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
    elif family or health_log_commands:
        nvme_bridge_decisions(i, family, health_log_commands)
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
    i.byte(1)        # a USB\VID_&PID_ parent
    i.byte(0)        # the IDs as two numbers, not a row of the known ones
    i.u16(vid)
    i.u16(pid)
    i.text("0123456789")


def recorded_direct_reply(i, cdb, data_in, direct_data=None, data_out=None):
    i.byte(2)        # a SCSI command block
    i.byte(1)        # the direct form
    i.blob(cdb)
    i.byte(data_in)
    i.u16(512)
    i.byte(0)        # the call succeeds
    i.blob(GOOD_REPLY_HEADER)
    i.byte(0)        # the byte count of the reply
    i.byte(1 if direct_data else 0)
    if direct_data:
        i.blob(direct_data)
    i.byte(1 if data_out else 0)
    if data_out:
        i.blob(data_out)


def no_recording(i, disks):
    for _ in range(disks):
        i.byte(0)    # nothing recorded
    i.byte(0)        # the default clock


def desktop():
    i = Input()
    i.byte(1)        # elevated
    i.byte(3)        # four disks
    disk(i, 0, "NVMe", "Samsung SSD 980 PRO 1TB", temperature=38, nvme=NVME_PAGE)
    disk(i, 1, "SATA", "INTEL SSDSA2CW120G3", smart=SMART)
    disk(i, 2, "USB", "ASM1153 SATA", smart=SMART, sat=["sat12"])
    disk(i, 3, "USB", "RTL9210 NVMe", family="realtek")
    i.byte(2)        # two volumes
    volume_on(i, "C", 0)
    volume_on(i, "D", 1)
    i.byte(0)        # disk 0: no USB parent
    i.byte(0)
    usb_parent(i, 0x174C, 0x55AA)
    usb_parent(i, 0x0BDA, 0x9210)
    i.byte(0)        # no PowerShell
    no_recording(i, 4)
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
    i.u32(0)
    i.byte(1)        # exits
    i.u16(1500)
    no_recording(i, 1)
    return i.data


def nvme_enclosure_up_to_recording(vid, pid, **bridge):
    """One USB NVMe enclosure with no volume and no PowerShell."""
    i = Input()
    i.byte(1)
    i.byte(0)        # one disk
    disk(i, 1, "USB", "NVMe enclosure", **bridge)
    i.byte(0)        # no volume
    usb_parent(i, vid, pid)
    i.byte(0)        # no PowerShell
    return i


def nvme_enclosure(family, vid, pid, direct_error=0):
    i = nvme_enclosure_up_to_recording(vid, pid, family=family, direct_error=direct_error)
    no_recording(i, 1)
    return i.data


def recorded_jmicron_exchange():
    # Nothing behind the recorded replies: no bridge model answers.
    i = nvme_enclosure_up_to_recording(0x152D, 0x0583)
    i.byte(1)        # the disk recorded three replies
    i.byte(2)
    recorded_direct_reply(i, JMICRON_COMMAND, 0, data_out=JMICRON_BLOCK)
    recorded_direct_reply(i, JMICRON_DATA, 1, direct_data=NVME_PAGE)
    recorded_direct_reply(i, JMICRON_RESPONSE, 1, direct_data=JMICRON_SUCCESS)
    i.byte(0)        # the default clock
    return i.data


def clock():
    i = Input()
    i.byte(1)
    i.byte(0)
    disk(i, 0, "NVMe", "Samsung SSD 980 PRO 1TB", temperature=38, nvme=NVME_PAGE)
    i.byte(0)
    i.byte(0)
    i.byte(0)
    i.byte(0)        # nothing recorded
    i.byte(1)        # a clock: 2031-12-28 23:59:59.999, then 2032-01-01 00:00:00.000
    i.u16(2031 - 1601)
    for value in (11, 27, 23, 59, 59):
        i.byte(value)
    i.u16(999)
    i.u32(123456789)
    i.byte(1)
    i.u16(2032 - 1601)
    for value in (0, 0, 0, 0, 0):
        i.byte(value)
    i.u16(0)
    return i.data


SEEDS = {
    "seed-desktop": desktop(),
    "seed-old-enclosure-and-powershell": old_enclosure_and_powershell(),
    "seed-asmedia-nvme-enclosure": nvme_enclosure("asmedia", 0x174C, 0x2362),
    "seed-jmicron-nvme-enclosure": nvme_enclosure("jmicron", 0x152D, 0x0583),
    "seed-jmicron-nvme-enclosure-buffered": nvme_enclosure("jmicron", 0x152D, 0x0586, direct_error=50),
    "seed-realtek-nvme-enclosure": nvme_enclosure("realtek", 0x0BDA, 0x9210),
    "seed-recorded-jmicron-exchange": recorded_jmicron_exchange(),
    "seed-clock": clock(),
}

fuzz_machine = sys.argv[1] if len(sys.argv) > 1 else ROOT / "build" / "fuzz" / "fuzz" / "fuzz_machine"
for target in ("whole_run", "round_trip", "description"):
    (CORPUS / target).mkdir(parents=True, exist_ok=True)
for name, data in SEEDS.items():
    for target in ("whole_run", "round_trip"):
        (CORPUS / target / name).write_bytes(data)
    seed = CORPUS / "whole_run" / name
    description = subprocess.run([fuzz_machine, seed], check=True, capture_output=True).stdout
    (CORPUS / "description" / name).write_bytes(description)
(CORPUS / "description" / "regression-number-overflow").write_text('{"disks": [{"number": 1e309}]}\n')
