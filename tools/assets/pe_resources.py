#!/usr/bin/python3
"""Lists and damages the resources of a Windows program file (PE32 or PE32+),
for the tests that start a damaged Avrel.scr:

  pe_resources.py list PROGRAM
  pe_resources.py damage PROGRAM OUT [--scramble TYPE:ID] [--halve TYPE:ID]
                                     [--remove TYPE:ID] [--seed N]

--scramble shuffles the resource's bytes (seeded), --halve cuts its length
to half, --remove takes it out of the resource directory, as a damaged or
hand-edited file would have them. Every edit is made in place: no section
moves, so the rest of the file stays byte for byte as it was. Only
ordinal types and names are handled, which is all Avrel.scr has.
"""
import argparse
import random
import struct
import sys


class PeFile:
    def __init__(self, data):
        self.data = bytearray(data)
        if self.data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        optional = pe + 24
        magic = self.u16(optional)
        if magic not in (0x10B, 0x20B):
            raise ValueError(f"unknown optional header magic {magic:#x}")
        directories = optional + (96 if magic == 0x10B else 112)
        self.rsrc_rva = self.u32(directories + 2 * 8)
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            s = table + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from(
                "<IIII", self.data, s + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer,
                                  raw_size))
        if self.rsrc_rva == 0:
            raise ValueError("no resources")
        self.rsrc = self.offset(self.rsrc_rva)

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        """The file offset of a relative virtual address."""
        for address, size, pointer, raw_size in self.sections:
            if address <= rva < address + size and rva - address < raw_size:
                return pointer + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section's file data")

    def directory(self, at):
        """(entry offset, id, target offset, is directory) for every entry
        of the directory at `at` (relative to the resource section)."""
        named, ids = struct.unpack_from("<HH", self.data, self.rsrc + at + 12)
        entries = []
        for i in range(named + ids):
            entry = self.rsrc + at + 16 + 8 * i
            name, target = struct.unpack_from("<II", self.data, entry)
            entries.append((entry, None if name & 0x80000000 else name, target & 0x7FFFFFFF,
                            bool(target & 0x80000000)))
        return entries

    def resources(self):
        """Every (type, id, language, data entry offset, data offset, size)."""
        found = []
        for _, type_id, type_dir, is_dir in self.directory(0):
            if type_id is None or not is_dir:
                continue
            for _, name_id, name_dir, is_dir in self.directory(type_dir):
                if name_id is None or not is_dir:
                    continue
                for _, language, data_entry, is_dir in self.directory(name_dir):
                    if is_dir:
                        continue
                    entry = self.rsrc + data_entry
                    rva, size = struct.unpack_from("<II", self.data, entry)
                    found.append((type_id, name_id, language, entry, self.offset(rva), size))
        return found

    def find(self, type_id, name_id):
        matches = [r for r in self.resources() if r[0] == type_id and r[1] == name_id]
        if not matches:
            raise ValueError(f"no resource {type_id}:{name_id}")
        return matches

    def scramble(self, type_id, name_id, seed):
        for _, _, _, _, at, size in self.find(type_id, name_id):
            block = list(self.data[at:at + size])
            random.Random(seed).shuffle(block)
            self.data[at:at + size] = bytes(block)

    def halve(self, type_id, name_id):
        for _, _, _, entry, _, size in self.find(type_id, name_id):
            struct.pack_into("<I", self.data, entry + 4, size // 2)

    def remove(self, type_id, name_id):
        """Takes the name out of its type's directory: the entries after it
        move up one place, so the list stays sorted, as lookups need."""
        for _, type_value, type_dir, is_dir in self.directory(0):
            if type_value != type_id or not is_dir:
                continue
            entries = self.directory(type_dir)
            for index, (entry, value, _, _) in enumerate(entries):
                if value != name_id:
                    continue
                last = entries[-1][0]
                self.data[entry:last] = self.data[entry + 8:last + 8]
                self.data[last:last + 8] = bytes(8)
                count_at = self.rsrc + type_dir + 14
                struct.pack_into("<H", self.data, count_at, self.u16(count_at) - 1)
                return
        raise ValueError(f"no resource {type_id}:{name_id}")


def resource_key(text):
    type_text, _, id_text = text.partition(":")
    return int(type_text), int(id_text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    listing = commands.add_parser("list")
    listing.add_argument("program")
    damage = commands.add_parser("damage")
    damage.add_argument("program")
    damage.add_argument("out")
    damage.add_argument("--scramble", type=resource_key, action="append", default=[])
    damage.add_argument("--halve", type=resource_key, action="append", default=[])
    damage.add_argument("--remove", type=resource_key, action="append", default=[])
    damage.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    try:
        pe = PeFile(open(args.program, "rb").read())
        if args.command == "list":
            for type_id, name_id, language, _, _, size in pe.resources():
                print(f"{type_id}:{name_id} language {language:#06x} {size} bytes")
            return 0
        for key in args.scramble:
            pe.scramble(*key, args.seed)
        for key in args.halve:
            pe.halve(*key)
        for key in args.remove:
            pe.remove(*key)
        with open(args.out, "wb") as out:
            out.write(pe.data)
    except (OSError, ValueError, struct.error) as error:
        print(f"pe_resources: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
