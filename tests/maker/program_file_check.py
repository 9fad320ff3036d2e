#!/usr/bin/python3
"""The maker's rewritten Avrel.scr judged by others than its writer: each
shipped program (32-bit and 64-bit twin) rewritten with its own resources,
and with a 3 MB RT_RCDATA resource added (which moves .reloc), by
maker_rewrite_program; then

  pefile  python3-pefile reads it without warnings: checksum, packed and
          aligned sections, SizeOfImage, SizeOfInitializedData, data
          directories, the same base relocations and the same resources (plus
          the added one) in the base's order, every directory sorted;
  render  avrel-render --scr plays it: picture 1000 as from the base;
  wine    the rewritten 64-bit twin starts under 64-bit Wine and shows
          picture 1000 on its stage (avrel_e2e.py's saver_screen).

  program_file_check.py SCENARIO --rewrite TOOL --program32 SCR --program64 SCR
      [--render AVREL_RENDER] [--reference DIR] [--prefix WINEPREFIX]

Exit status 0 when every check held, 77 when no base program is built.
"""
import argparse
import os
import subprocess
import sys
import tempfile

import pefile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_support  # noqa: E402

ADDED_ID, ADDED_SIZE = 7000, 3 << 20


def align(n, alignment):
    return (n + alignment - 1) // alignment * alignment


def name(entry):
    return str(entry.name) if entry.name is not None else entry.id


def resources(pe):
    """(type, name, language, code page, data) of every resource, in tree order."""
    found = []
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for n in t.directory.entries:
            for lang in n.directory.entries:
                d = lang.data.struct
                found.append((name(t), name(n), lang.id, d.CodePage,
                              pe.get_data(d.OffsetToData, d.Size)))
    return found


def directory_orders(pe):
    """Every directory's entries as pefile lists them: (named?, upper name or id)."""
    def keys(directory):
        return [(e.name is None, str(e.name).upper() if e.name else e.id)
                for e in directory.entries]
    root = pe.DIRECTORY_ENTRY_RESOURCE
    yield keys(root)
    for t in root.entries:
        yield keys(t.directory)
        for n in t.directory.entries:
            yield keys(n.directory)


def relocations(pe):
    return [(r.rva, r.type) for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
            for r in block.entries]


def check_pefile(checks, base_path, path, added):
    base, pe = pefile.PE(base_path), pefile.PE(path)
    name = os.path.basename(path)
    header = pe.OPTIONAL_HEADER
    checks.expect(not pe.get_warnings(), f"no pefile warnings for {name}", pe.get_warnings())
    checks.expect(header.CheckSum == pe.generate_checksum(), f"{name}'s checksum",
                  f"{header.CheckSum:#x}, computed {pe.generate_checksum():#x}")
    end = align(header.SizeOfHeaders, header.SectionAlignment)
    for s in pe.sections:
        checks.expect(s.VirtualAddress == end, f"{s.Name} of {name} right after the last, at {end:#x}",
                      f"{s.VirtualAddress:#x}")
        checks.expect(s.PointerToRawData % header.FileAlignment == 0 and
                      s.SizeOfRawData % header.FileAlignment == 0,
                      f"{s.Name} of {name} aligned in the file", (s.PointerToRawData, s.SizeOfRawData))
        end = align(s.VirtualAddress + max(s.Misc_VirtualSize, 1), header.SectionAlignment)
    checks.expect(header.SizeOfImage == end, f"{name}'s SizeOfImage {end:#x}", f"{header.SizeOfImage:#x}")
    rsrc = {s.Name.rstrip(b"\0"): s for s in pe.sections}[b".rsrc"]
    old_rsrc = {s.Name.rstrip(b"\0"): s for s in base.sections}[b".rsrc"]
    checks.expect(header.SizeOfInitializedData == base.OPTIONAL_HEADER.SizeOfInitializedData
                  + rsrc.SizeOfRawData - old_rsrc.SizeOfRawData,
                  f"{name}'s SizeOfInitializedData to follow .rsrc", header.SizeOfInitializedData)
    directory = header.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
    checks.expect((directory.VirtualAddress, directory.Size) ==
                  (rsrc.VirtualAddress, rsrc.Misc_VirtualSize),
                  f"{name}'s resource directory to be .rsrc", (directory.VirtualAddress, directory.Size))
    checks.expect(relocations(pe) == relocations(base), f"{name}'s base relocations as the base's",
                  f"{len(relocations(pe))} entries")
    for s, b in zip(pe.sections, base.sections):
        if s.Name not in (b".rsrc\0\0\0", b".reloc\0\0"):
            checks.expect(s.get_data() == b.get_data() and s.VirtualAddress == b.VirtualAddress,
                          f"{s.Name} of {name} as in the base", "other bytes or address")
    want = resources(base)
    if added:
        data = bytes((i * 7 + i // 251) & 255 for i in range(ADDED_SIZE))
        want = sorted(want + [(10, ADDED_ID, 0x409, 0, data)], key=lambda r: (r[0], r[1], r[2]))
    got = resources(pe)
    checks.expect(got == want, f"{name}'s {len(want)} resources, in order, as written",
                  f"{len(got)} resources, first difference at "
                  f"{next((i for i, (g, w) in enumerate(zip(got, want)) if g != w), min(len(got), len(want)))}")
    for keys in directory_orders(pe):
        checks.expect(keys == sorted(keys) and len(set(keys)) == len(keys),
                      f"{name}'s resource directories sorted", keys[:8])


def scenario_pefile(checks, args, programs):
    for base, same, big in programs:
        check_pefile(checks, base, same, added=False)
        check_pefile(checks, base, big, added=True)


def scenario_render(checks, args, programs):
    for base, same, big in programs:
        pictures = []
        for scr in (base, same, big):
            out = os.path.join(args.work, "picture.bmp")
            done = subprocess.run([args.render, "--scr", scr, "picture", "1000", out],
                                  capture_output=True, text=True, timeout=120)
            checks.expect(done.returncode == 0, f"avrel-render --scr {os.path.basename(scr)} to play",
                          done.stderr.strip())
            pictures.append(open(out, "rb").read() if done.returncode == 0 else None)
        checks.expect(pictures[0] == pictures[1] == pictures[2] and pictures[0],
                      "picture 1000 of each rewritten file as from the base", "other pixels")


def scenario_wine(checks, args, programs):
    if not any(base == args.program64 for base, _, _ in programs):
        return e2e_support.SKIP
    import avrel_e2e
    big = next(big for base, _, big in programs if base == args.program64)
    run = argparse.Namespace(scenario="saver_screen (rewritten 64-bit twin)", program=big,
                             prefix=args.prefix, arch="win64", reference=args.reference,
                             palette=None, probe=None)
    return e2e_support.run_wine_scenario(avrel_e2e.scenario_saver_screen, run)


def main():
    scenarios = {"pefile": scenario_pefile, "render": scenario_render, "wine": scenario_wine}
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(scenarios))
    for option in ("--rewrite", "--program32", "--program64"):
        parser.add_argument(option, required=True)
    for option in ("--render", "--reference", "--prefix"):
        parser.add_argument(option)
    args = parser.parse_args()
    bases = [p for p in (args.program32, args.program64) if os.path.isfile(p)]
    if not bases:
        print(f"SKIPPED: neither {args.program32} nor {args.program64} is built", flush=True)
        return e2e_support.SKIP
    checks = e2e_support.Checks(f"program file {args.scenario}")
    with tempfile.TemporaryDirectory(prefix="avrel-program-file-") as work:
        args.work = work
        programs = []
        for i, base in enumerate(bases):
            same, big = os.path.join(work, f"{i}-same.scr"), os.path.join(work, f"{i}-big.scr")
            for out, extra in ((same, []), (big, ["--add-rcdata", str(ADDED_ID), str(ADDED_SIZE)])):
                done = subprocess.run([args.rewrite, base, out, *extra], capture_output=True,
                                      text=True, timeout=120)
                if not checks.expect(done.returncode == 0, f"{base} rewritten", done.stderr):
                    return checks.finish()
            programs.append((base, same, big))
        status = scenarios[args.scenario](checks, args, programs)
        if status is not None:
            return status
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
