#!/usr/bin/env python3
"""Times whole tamarack-cli runs against the plain tools a user would compare
them with (cat, cp, dd; openssl dgst and aria2c for the proof of a file), as
processes started from outside.

Each pair runs alternately (program, tool, tool, program, program, ...) so
that both see the same machine, each as often after the other as after
itself; the medians and their ratio are printed, with the
program's peak memory (the largest resident size of any of its runs). Files
are generated once into a folder that outlives the run and reused while their
size is right. With --cold every timed run starts with the files dropped from
the page cache (POSIX_FADV_DONTNEED, no root needed); otherwise the cache is
warmed first. With --cold the script and every command it runs keep to one
processor: on a virtual machine, reading 1 GiB from the disk took 0.36 - 0.42 s
in most runs and up to 1.1 s in others, according to the processor a run was
on and the one the run before it had used. And each cold run first reads its
files in and drops them: a virtual machine whose host takes back free memory
(free page reporting) hands pages back a few seconds after they are freed, and
a read into such pages is several times slower (1 GiB from the disk: 0.33 -
0.38 s into pages just freed, 2.1 - 2.8 s six seconds later). Without this, a
run's time depends on how long ago the run before it freed its pages.

With --candidate NAME=CLI another build of tamarack-cli (another way of
reading, say) runs in the same rounds as this one and the tool, each taking
its turn at going first; its medians are printed beside this build's.

Besides the files written front to back, two files of mixed data are written
afresh at every start: one as a download client writes it, 16 KiB pieces in
random order into a file given its full size first ("pieces"), and one front
to back ("sequential"). How a file's pages came into the page cache decides
how fast it can be looked at through memory views.

    bench/compare.py [--cli build/src/tamarack-cli] [--runs 9] [--mib 1024]
                     [--dir /tmp/tamarack-compare] [--cold] [--only NAME ...]
                     [--candidate NAME=CLI ...]
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

UNIT = 65536
CHUNK = 4 << 20


def make_file(path, size, kind, seed):
    """Writes a file of mixed data with zero runs, uniformly random bytes or
    only zeros; kept when it exists with the right size."""
    if os.path.exists(path) and os.path.getsize(path) == size:
        return path
    print(f"making {path}", file=sys.stderr)
    rng = random.Random(seed)
    with open(path + ".part", "wb") as out:
        written = 0
        while written < size:
            n = min(CHUNK, size - written)
            if kind == "zeros":
                block = bytes(n)
            else:
                block = bytearray(rng.randbytes(n))
                if kind == "mixed":
                    # About four zero runs per 4 MiB, from a few bytes to 256 KiB.
                    for _ in range(4):
                        length = rng.choice([rng.randint(1, 1024), rng.randint(1025, 262144)])
                        at = rng.randrange(0, max(1, n - length))
                        block[at:at + length] = bytes(min(length, n - at))
            out.write(block)
            written += n
    os.replace(path + ".part", path)
    return path


PIECE = 16384


def write_in_pieces(path, size, piece_at, rng=None):
    """Writes a file afresh in 16 KiB pieces, piece_at(offset) giving each:
    front to back, or, with rng, in random order into a file given its full
    size first, as a download client writes; then syncs it. Its pages stay
    in the page cache as written."""
    if os.path.exists(path):
        os.remove(path)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        os.posix_fallocate(fd, 0, size)
        starts = list(range(0, size, PIECE))
        if rng:
            rng.shuffle(starts)
        for at in starts:
            os.pwrite(fd, piece_at(at), at)
        os.fsync(fd)
    finally:
        os.close(fd)
    return path


def write_fresh(path, size, order, seed):
    """Writes mixed data afresh with write_in_pieces, in the order given."""
    rng = random.Random(seed)
    data = bytearray(size)
    for at in range(0, size, CHUNK):
        data[at:at + CHUNK] = rng.randbytes(min(CHUNK, size - at))
    for _ in range(size >> 20):
        length = rng.choice([rng.randint(1, 1024), rng.randint(1025, 262144)])
        at = rng.randrange(0, size - length)
        data[at:at + length] = bytes(length)
    view = memoryview(data)
    return write_in_pieces(path, size, lambda at: view[at:at + PIECE],
                           rng if order == "random" else None)


def scatter_copy(source, path):
    """Copies source as a download client writes it (write_in_pieces)."""
    size = os.path.getsize(source)
    src = os.open(source, os.O_RDONLY)
    try:
        write_in_pieces(path, size, lambda at: os.pread(src, PIECE, at), random.Random(size))
    finally:
        os.close(src)


def copy_with_holes(source, path, holes):
    """A copy of source with each (offset, length) of holes zeroed."""
    shutil.copyfile(source, path)
    with open(path, "r+b") as f:
        for offset, length in holes:
            f.seek(offset)
            f.write(bytes(length))
        f.flush()
        os.fsync(f.fileno())


def drop_cache(paths):
    for path in paths:
        if os.path.exists(path):
            fd = os.open(path, os.O_RDONLY)
            os.fdatasync(fd)
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            os.close(fd)


def warm(paths):
    for path in paths:
        with open(path, "rb") as f:
            while f.read(1 << 20):
                pass


def timed(command, scratch):
    """Runs a shell command; returns (seconds, peak resident MiB, processor
    seconds). GNU time reports the peak: a process forked from this script
    would start with the script's own resident size as its peak, and keep it
    across exec. The processor time (user and system) moves less than the
    time on a machine that is busy with other work."""
    memory = os.path.join(scratch, "peak-kib")
    start = time.perf_counter()
    status = subprocess.run(
        ["/usr/bin/time", "-f", "%M %U %S", "-o", memory, "sh", "-c", command],
        stdout=subprocess.DEVNULL).returncode
    seconds = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed ({status}): {command}")
    with open(memory) as f:
        peak, user, system = f.read().split()[-3:]
        return seconds, int(peak) / 1024, float(user) + float(system)


class Pair:
    def __init__(self, name, program, tool, prepare="", inputs=(), goal=None, time_goal=None,
                 peak_goal=30):
        # program is a function of the tamarack-cli to run
        self.name, self.program, self.tool = name, program, tool
        self.prepare, self.inputs = prepare, inputs
        self.goal = goal  # least program throughput as a share of the tool's
        self.time_goal = time_goal  # most program time as a multiple of the tool's
        self.peak_goal = peak_goal  # most peak memory of the program, MiB


def run_pair(pair, programs, runs, cold, scratch):
    """Runs the pair's program with each build in programs (name -> cli)
    and its tool, in rounds that take turns at which goes first; returns the
    median seconds and processor seconds of each (the tool's under "tool")
    and each build's peak resident MiB."""
    commands = [(name, pair.program(cli)) for name, cli in programs.items()]
    commands.append(("tool", pair.tool))
    times = {name: [] for name, _ in commands}
    cpu = {name: [] for name, _ in commands}
    peak = {name: 0.0 for name in programs}
    for r in range(runs):
        # A run can be slowed by what ran just before it: each command goes
        # first in turn.
        shift = r % len(commands)
        for which, command in commands[shift:] + commands[:shift]:
            if pair.prepare:
                subprocess.run(pair.prepare, shell=True, check=True)
            # Nothing an earlier run left to write goes to the disk during this one.
            os.sync()
            if cold:
                # Read in and dropped right away, so that the run reads into the
                # pages just freed: see the docstring.
                warm(pair.inputs)
                drop_cache(pair.inputs)
            elif r == 0:
                warm(pair.inputs)
            seconds, mib, processor = timed(command, scratch)
            times[which].append(seconds)
            cpu[which].append(processor)
            if which in peak:
                peak[which] = max(peak[which], mib)
    return ({name: statistics.median(t) for name, t in times.items()},
            {name: statistics.median(t) for name, t in cpu.items()}, peak)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", default=os.path.join(here, "..", "build", "src", "tamarack-cli"))
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--mib", type=int, default=1024)
    parser.add_argument("--dir", default="/tmp/tamarack-compare")
    parser.add_argument("--cold", action="store_true")
    parser.add_argument("--only", nargs="*")
    parser.add_argument("--candidate", action="append", default=[],
                        help="NAME=CLI: another build raced in the same rounds")
    parser.add_argument("--scatter-copy", nargs=2, metavar=("SOURCE", "COPY"),
                        help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.scatter_copy:
        scatter_copy(*args.scatter_copy)
        return
    cli = os.path.abspath(args.cli)
    programs = {"program": cli}
    for candidate in args.candidate:
        name, _, path = candidate.partition("=")
        programs[name] = os.path.abspath(path)
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("needs GNU time (Debian package time) for the peak memory")
    for path in programs.values():
        if not os.access(path, os.X_OK):
            sys.exit(f"no program at {path}: build it first (./run or cmake --build build)")
    if args.cold:
        os.sched_setaffinity(0, {max(os.sched_getaffinity(0))})
    size = args.mib << 20
    os.makedirs(args.dir, exist_ok=True)
    d = args.dir

    mixed = make_file(f"{d}/mixed.avi", size, "mixed", 1)
    randomfile = make_file(f"{d}/random.avi", size, "random", 2)
    zeros = make_file(f"{d}/zeros.avi", size, "zeros", 3)
    wanted = lambda name: not args.only or any(n in name for n in args.only)
    pieces = f"{d}/pieces.avi"
    sequential = f"{d}/sequential.avi"
    if wanted("analyze pieces") or wanted("torrent/pieces") or wanted("repair-reference pieces"):
        write_fresh(pieces, size, "random", 4)
    if wanted("analyze sequential"):
        write_fresh(sequential, size, "in order", 4)

    # A damaged copy of the random file for Repair with Reference: a run of
    # 16 KiB zeros in every third 256 KiB block, so a third of the blocks
    # change.
    damaged = f"{d}/damaged.avi"
    block = 262144
    if not os.path.exists(damaged) or os.path.getsize(damaged) != size:
        copy_with_holes(randomfile, damaged,
                        [(at + 1000, 16384) for at in range(0, size, 3 * block)])
    # The same damage to the file written as a download client writes it;
    # the copy repaired is written so as well, afresh for every run.
    damaged_pieces = f"{d}/damaged-pieces.avi"
    if wanted("repair-reference pieces"):
        copy_with_holes(pieces, damaged_pieces,
                        [(at + 1000, 16384) for at in range(0, size, 3 * block)])
    # The patch carries 255 codes of 16 units from the start of the file; the
    # file it repairs is the random file with those units zeroed.
    patch_units = 255 * 16
    codes = " ".join(f"{unit:04X}F" for unit in range(0, patch_units, 16))
    with open(f"{d}/codes.txt", "w") as f:
        f.write(codes + "\n")
    holed = f"{d}/holed.avi"
    if not os.path.exists(holed) or os.path.getsize(holed) != size:
        copy_with_holes(randomfile, holed, [(0, patch_units * UNIT)])
    patch_source = f"{d}/intact/random.avi"
    os.makedirs(f"{d}/intact", exist_ok=True)
    if not os.path.exists(patch_source):
        os.link(randomfile, patch_source)
    patch = f"{d}/intact/random.tkp"
    work = f"{d}/work.avi"
    copy = f"{d}/copy.avi"
    mib = patch_units * UNIT >> 20
    # A v1 torrent of the random file with pieces of 1 MiB, for the checks of
    # its pieces.
    torrent = f"{d}/random.torrent"
    if not os.path.exists(torrent) or os.path.getmtime(torrent) < os.path.getmtime(randomfile):
        subprocess.run(["rm", "-f", torrent])
        subprocess.run(["mktorrent", "-l", "20", "-o", torrent, randomfile], check=True,
                       stdout=subprocess.DEVNULL)
    # For the piece repair: a copy of the random file with a third of its
    # 1 MiB pieces failing (64 KiB of zeros in some, of garbage in others),
    # and two references that each lack other pieces, and some of those.
    mib_piece = 1 << 20
    pieced, first_ref, second_ref = f"{d}/pieced.avi", f"{d}/first-ref.avi", f"{d}/second-ref.avi"
    if not os.path.exists(pieced) or os.path.getmtime(pieced) < os.path.getmtime(randomfile):
        copy_with_holes(randomfile, first_ref,
                        [(i * mib_piece + 1000, UNIT) for i in range(size // mib_piece)
                         if i % 3 == 1 or i % 12 == 0])
        copy_with_holes(randomfile, second_ref,
                        [(i * mib_piece + 3000, UNIT) for i in range(size // mib_piece)
                         if i % 3 == 2 or i % 12 == 3])
        copy_with_holes(randomfile, pieced + ".part",
                        [(i * mib_piece + 1000, UNIT) for i in range(0, size // mib_piece, 6)])
        with open(pieced + ".part", "r+b") as f:
            rng = random.Random(5)
            for i in range(3, size // mib_piece, 6):
                f.seek(i * mib_piece + 5000)
                f.write(bytes(rng.randrange(1, 256) for _ in range(UNIT)))
        os.replace(pieced + ".part", pieced)
    aria2 = (f"aria2c --check-integrity=true --seed-time=0 --enable-dht=false "
             f"--bt-enable-lpd=false --enable-peer-exchange=false --console-log-level=error "
             f"--summary-interval=0 --dir={d} {torrent}")

    pairs = [
        Pair("analyze mixed", lambda c: f"{c} analyze --json {mixed}", f"cat {mixed}",
             inputs=[mixed], goal=0.95),
        Pair("analyze random", lambda c: f"{c} analyze --json {randomfile}", f"cat {randomfile}",
             inputs=[randomfile], goal=0.95),
        Pair("analyze zeros", lambda c: f"{c} analyze --json {zeros}", f"cat {zeros}",
             inputs=[zeros], goal=0.85),
        Pair("analyze pieces", lambda c: f"{c} analyze --json {pieces}", f"cat {pieces}",
             inputs=[pieces], goal=0.95),
        Pair("analyze sequential", lambda c: f"{c} analyze --json {sequential}",
             f"cat {sequential}", inputs=[sequential], goal=0.95),
        Pair("repair-reference",
             lambda c: f"{c} repair-reference --keep-reference {work} {randomfile}",
             f"cat {work} {randomfile}", prepare=f"cp {damaged} {work} && sync {work}",
             inputs=[work, randomfile], time_goal=1.25),
        Pair("repair-reference pieces",
             lambda c: f"{c} repair-reference --keep-reference {work} {pieces}",
             f"cat {work} {pieces}",
             prepare=f"{sys.executable} {os.path.abspath(__file__)} --scatter-copy "
                     f"{damaged_pieces} {work}",
             inputs=[work, pieces], time_goal=1.25),
        Pair("backup", lambda c: f"{c} backup --yes {mixed}",
             f"cp {mixed} {copy} && sync {copy}",
             prepare=f"rm -f {d}/BACKUP.mixed.avi {copy}", inputs=[mixed], time_goal=1.1),
        Pair("create-patch",
             lambda c: f"{c} create-patch --yes --codes-from {d}/codes.txt {patch_source}",
             f"dd if={patch_source} of={copy} bs=1M count={mib} conv=fdatasync status=none",
             prepare=f"rm -f {patch} {copy}", inputs=[patch_source], time_goal=1.25),
        Pair("repair-patch", lambda c: f"{c} repair-patch {work} {patch}",
             f"dd if={patch} of={work} bs=1M count={mib} conv=notrunc,fdatasync status=none",
             prepare=f"cp {holed} {work} && sync {work}", inputs=[work, patch], time_goal=1.25),
        Pair("hash sha1", lambda c: f"{c} analyze --json --hash sha1 {randomfile}",
             f"openssl dgst -sha1 {randomfile}", inputs=[randomfile], time_goal=1.1,
             peak_goal=64),
        Pair("torrent/openssl", lambda c: f"{c} analyze --json --torrent {torrent} {randomfile}",
             f"openssl dgst -sha1 {randomfile}", inputs=[randomfile], time_goal=0.6,
             peak_goal=64),
        # The same work on the file written as a download client writes it:
        # its pieces fail the torrent, but every one is hashed all the same.
        Pair("torrent/pieces", lambda c: f"{c} analyze --json --torrent {torrent} {pieces}",
             f"openssl dgst -sha1 {pieces}", inputs=[pieces], time_goal=0.6, peak_goal=64),
        Pair("torrent/aria2c", lambda c: f"{c} analyze --json --torrent {torrent} {randomfile}",
             aria2, inputs=[randomfile], time_goal=0.4, peak_goal=64),
        Pair("pieces/analyze",
             lambda c: f"{c} repair-reference --keep-reference --torrent {torrent} {work} "
                       f"{first_ref} {second_ref}",
             f"{cli} analyze --json --torrent {torrent} {work}",
             prepare=f"cp {pieced} {work} && sync {work}",
             inputs=[work, first_ref, second_ref], time_goal=1.5, peak_goal=64),
    ]
    pairs = [p for p in pairs if wanted(p.name)]

    load = os.getloadavg()
    print(f"{time.strftime('%Y-%m-%d %H:%M:%S', time.gmtime())} UTC, load {load[0]:.2f} "
          f"{load[1]:.2f} {load[2]:.2f}; {args.mib} MiB files in {d}, {args.runs} rounds each, "
          f"{'cold' if args.cold else 'warm'} cache; medians")
    others = [name for name in programs if name != "program"]
    print(f"{'':19} {'program s':>10} {'tool s':>10} {'ratio':>7} {'goal':>8} {'peak MiB':>9}"
          + "".join(f" {name + ' s':>14} {'ratio':>6}" for name in others)
          + "   processor s: " + " / ".join(list(programs) + ["tool"]))
    failed = False
    for pair in pairs:
        if pair.name == "repair-patch" and not os.path.exists(patch):
            subprocess.run(f"{cli} create-patch --yes --codes-from {d}/codes.txt {patch_source}",
                           shell=True, check=True, stdout=subprocess.DEVNULL)
        medians, processor, peak = run_pair(pair, programs, args.runs, args.cold, d)
        tool = medians["tool"]

        def ratio_of(seconds):
            # Analyze: throughput as a share of the tool's; else time as a
            # multiple of the tool's.
            return tool / seconds if pair.goal is not None else seconds / tool

        ratio = ratio_of(medians["program"])
        if pair.goal is not None:
            # From the disk every Analyze keeps pace with cat, zeros too.
            least = 0.95 if args.cold else pair.goal
            ok = ratio >= least
            goal = f">={least:.2f}"
        else:
            ok = ratio <= pair.time_goal
            goal = f"<={pair.time_goal:.2f}"
        ok = ok and peak["program"] < pair.peak_goal
        failed = failed or not ok
        print(f"{pair.name:19} {medians['program']:10.3f} {tool:10.3f} {ratio:7.2f} {goal:>8} "
              f"{peak['program']:9.1f}"
              + "".join(f" {medians[name]:14.3f} {ratio_of(medians[name]):6.2f}" for name in others)
              + "   " + " / ".join(f"{processor[name]:.3f}" for name in list(programs) + ["tool"])
              + f"{'' if ok else '  MISSED'}", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
