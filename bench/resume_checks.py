#!/usr/bin/env python3
"""Checks of resumable copies that take minutes and real storage; not tests.

    bench/resume_checks.py kill-loop DIR        30 moves (-d) of 4 x 512 MiB and 500 small files,
                                                each SIGKILLed at a random moment and run again;
                                                checks every file and counts bytes written
    bench/resume_checks.py power-loss DIR MOUNT BACKING
                                                50 copies onto MOUNT (a share of BACKING, e.g.
                                                bench_delayfs --delay-ms=1) killed at random,
                                                the partial then zeroed or cut past a random
                                                point, then run again: byte-identical results
    bench/resume_checks.py resume-time DIR ROOT [BACKING]
                                                a 1 GiB copy cut off at 90% resumed, against the
                                                whole copy, side by side
    bench/resume_checks.py first-copy DIR ROOT OLD_BINARY
                                                8 x 128 MiB and 1 GiB copied by OLD_BINARY and by
                                                this build, interleaved

DIR holds the sources (made once). The binary is build/release/cli/tolvane-update, or
$TOLVANE_UPDATE.
"""

import filecmp
import os
import random
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
UPDATE = os.environ.get("TOLVANE_UPDATE",
                        os.path.join(os.path.dirname(HERE), "build/release/cli/tolvane-update"))
MIB = 1 << 20
TEMPORARY = (".tolvane-partial", ".tolvane-record", ".tolvane-replaced")


def write_random(path, size, seed):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    block = random.Random(seed).randbytes(MIB)
    with open(path, "wb") as f:
        for i in range((size + MIB - 1) // MIB):
            f.write((struct.pack("<Q", i) + block[8:])[:min(MIB, size - i * MIB)])


def run(argv, kill_after=None):
    """Runs argv, SIGKILLed after kill_after seconds when set: (status, bytes the process
    wrote (ru_oublock), output)."""
    p = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if kill_after is not None:
        time.sleep(kill_after)
        os.kill(p.pid, signal.SIGKILL)
    out = p.stdout.read()
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = status
    return status, usage.ru_oublock * 512, out.decode(errors="replace")


def leftovers(root):
    return [os.path.join(d, f) for d, _, files in os.walk(root) for f in files
            if f.endswith(TEMPORARY) or f == ".tolvane-partials"]


def files_under(root):
    return sorted(os.path.relpath(os.path.join(d, f), root)
                  for d, _, files in os.walk(root) for f in files)


def kill_loop(work):
    pristine = os.path.join(work, "pristine")
    if not os.path.exists(os.path.join(pristine, "big", "b3.bin")):
        for i in range(4):
            write_random(f"{pristine}/big/b{i}.bin", 512 * MIB, i)
        rnd = random.Random(7)
        for i in range(500):
            path = f"{pristine}/small/d{i % 10}/f{i}.dat"
            write_random(path, rnd.randint(1, 64) << 10, 100 + i)
            os.chmod(path, rnd.choice([0o644, 0o600, 0o755, 0o444]))
            os.utime(path, ns=(10**18 + i * 1234567, 10**18 + i * 7654321))
    files = files_under(pristine)
    data = sum(os.path.getsize(os.path.join(pristine, f)) for f in files)

    def fresh(name):
        # Hard links: the move deletes only the link.
        shutil.rmtree(os.path.join(work, name), ignore_errors=True)
        for f in files:
            os.makedirs(os.path.dirname(os.path.join(work, name, "src", f)), exist_ok=True)
            os.link(os.path.join(pristine, f), os.path.join(work, name, "src", f))
        return os.path.join(work, name, "src"), os.path.join(work, name, "dst")

    src, dst = fresh("uncut")
    start = time.perf_counter()
    run([UPDATE, "-d", "-q", src, dst])
    full = time.perf_counter() - start
    shutil.rmtree(os.path.join(work, "uncut"))
    print(f"{len(files)} files, {data / MIB:.1f} MiB; an uncut move takes {full:.2f} s")
    total = bad_trials = resumes = 0
    rnd = random.Random(5)
    for trial in range(30):
        src, dst = fresh("trial")
        at = rnd.uniform(0.02, full)
        _, killed_wrote, _ = run([UPDATE, "-d", "-q", src, dst], kill_after=at)
        status, rerun_wrote, out = run([UPDATE, "-d", "-v", src, dst])
        total += killed_wrote + rerun_wrote
        resumes += out.count("resume ")
        bad = [] if status == 0 else [f"rerun status {status}"]
        bad += ["source files left"] if files_under(src) else []
        bad += ["target files differ"] if files_under(dst) != files else []
        for f in files:
            a, b = os.path.join(pristine, f), os.path.join(dst, f)
            if os.path.exists(b):
                sa, sb = os.stat(a), os.stat(b)
                if (sa.st_mode != sb.st_mode or sa.st_mtime_ns != sb.st_mtime_ns or
                        not filecmp.cmp(a, b, shallow=False)):
                    bad.append(f"{f} differs")
        bad += [f"left {path}" for path in leftovers(dst)]
        bad_trials += bool(bad)
        print(f"trial {trial:2}: killed at {at:5.2f} s, wrote {killed_wrote / MIB:7.1f} + "
              f"{rerun_wrote / MIB:7.1f} MiB {' '.join(bad)}", flush=True)
        shutil.rmtree(os.path.join(work, "trial"))
    print(f"written over the loop: {total / (30 * data):.3f} x the data; "
          f"{bad_trials} trials wrong; {resumes} copies resumed")


def power_loss(work, mount, backing):
    src = os.path.join(work, "power")
    if not os.path.exists(os.path.join(src, "f.bin")):
        write_random(os.path.join(src, "f.bin"), 256 * MIB, 42)
    start = time.perf_counter()
    run([UPDATE, "-q", src, os.path.join(mount, "whole")])
    full = time.perf_counter() - start
    shutil.rmtree(os.path.join(backing, "whole"))
    rnd = random.Random(3)
    wrong = resumed = 0
    for t in range(50):
        target = os.path.join(mount, f"t{t}")
        at = rnd.uniform(0.3, full)
        run([UPDATE, "-q", src, target], kill_after=at)
        partial = os.path.join(backing, f"t{t}", ".f.bin.tolvane-partial")
        what = "no partial"
        if os.path.exists(partial):
            length = os.path.getsize(partial)
            point = rnd.randint(0, length)
            if rnd.random() < 0.5:
                os.truncate(partial, point)
                what = f"cut at {point / MIB:.1f} of {length / MIB:.1f} MiB"
            else:
                with open(partial, "r+b") as f:
                    f.seek(point)
                    f.write(bytes(length - point))
                what = f"zeroed past {point / MIB:.1f} of {length / MIB:.1f} MiB"
        status, _, out = run([UPDATE, "-v", src, target])
        copy = os.path.join(backing, f"t{t}", "f.bin")
        ok = (status == 0 and os.path.exists(copy) and
              filecmp.cmp(os.path.join(src, "f.bin"), copy, shallow=False) and
              not leftovers(os.path.join(backing, f"t{t}")))
        wrong += not ok
        resumed += "resume " in out
        print(f"try {t:2}: killed at {at:5.2f} s, {what}: "
              f"{'resumed' if 'resume ' in out else 'copied'}{'' if ok else ' WRONG'}", flush=True)
        shutil.rmtree(os.path.join(backing, f"t{t}"))
    print(f"50 tries: {50 - wrong} identical, {resumed} resumed")


def fnv(data):
    h = 14695981039346656037
    for b in data:
        h = ((h ^ b) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return h


def make_partial(source, folder, durable):
    """The partial and record a run cut off after durable bytes leaves, in folder."""
    os.makedirs(folder)
    with open(source, "rb") as i, open(os.path.join(folder, ".f.bin.tolvane-partial"), "wb") as o:
        left = durable
        while left > 0:
            left -= o.write(i.read(min(left, MIB)))
        os.fsync(o.fileno())
    st = os.stat(source)
    block = b"tolvane partial1" + struct.pack(
        "<8Q", st.st_dev, st.st_ino, st.st_size, st.st_mtime_ns // 10**9, st.st_mtime_ns % 10**9,
        st.st_ctime_ns // 10**9, st.st_ctime_ns % 10**9, durable)
    with open(os.path.join(folder, ".f.bin.tolvane-record"), "wb") as f:
        f.write(block + struct.pack("<Q", fnv(block)))
    with open(os.path.join(folder, ".tolvane-partials"), "wb") as f:
        f.write(b"+f.bin\0")


def resume_time(work, root, backing=None):
    src = os.path.join(work, "r90")
    if not os.path.exists(os.path.join(src, "f.bin")):
        write_random(os.path.join(src, "f.bin"), 1024 * MIB, 9)
    times = {"whole": [], "resume": []}
    for r in range(3):
        for kind in times:
            target = os.path.join(root, f"{kind}{r}")
            if kind == "resume":
                make_partial(os.path.join(src, "f.bin"),
                             os.path.join(backing or root, f"{kind}{r}"), 1024 * MIB * 9 // 10)
            os.sync()
            start = time.perf_counter()
            status, _, out = run([UPDATE, "-v", src, target])
            times[kind].append(time.perf_counter() - start)
            assert status == 0 and (kind == "resume") == ("resume " in out), out
            shutil.rmtree(os.path.join(backing or root, f"{kind}{r}"))
    whole, resume = statistics.median(times["whole"]), statistics.median(times["resume"])
    print(f"whole {times['whole']}, resumed {times['resume']}: medians {whole:.3f} s and "
          f"{resume:.3f} s, ratio {resume / whole:.3f}")


def first_copy(work, root, old):
    trees = {"8 x 128 MiB": os.path.join(work, "fc8"), "1 GiB": os.path.join(work, "r90")}
    for i in range(8):
        if not os.path.exists(os.path.join(trees["8 x 128 MiB"], f"f{i}.bin")):
            write_random(os.path.join(trees["8 x 128 MiB"], f"f{i}.bin"), 128 * MIB, 50 + i)
    if not os.path.exists(os.path.join(trees["1 GiB"], "f.bin")):
        write_random(os.path.join(trees["1 GiB"], "f.bin"), 1024 * MIB, 9)
    times = {}
    for r in range(5):
        for tree, src in trees.items():
            order = [("today", old), ("now", UPDATE)]
            for name, binary in order if r % 2 == 0 else reversed(order):
                target = os.path.join(root, "fc")
                os.sync()
                start = time.perf_counter()
                status, _, out = run([binary, "-q", src, target])
                times.setdefault((tree, name), []).append(time.perf_counter() - start)
                assert status == 0, out
                shutil.rmtree(target)
    for tree in trees:
        today = statistics.median(times[(tree, "today")])
        now = statistics.median(times[(tree, "now")])
        print(f"{tree}: today {today:.3f} s, now {now:.3f} s, ratio {now / today:.3f}")


if __name__ == "__main__":
    commands = {"kill-loop": kill_loop, "power-loss": power_loss, "resume-time": resume_time,
                "first-copy": first_copy}
    if len(sys.argv) < 3 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](*sys.argv[2:])
