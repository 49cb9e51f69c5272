"""Seeded, reproducible folder trees for bench/run, and the damage of the partial update.

The same seed and scale give the same folders, names, sizes and contents on every machine.
"""

import os
import random

POOL_SIZE = 1 << 20  # file contents are slices of one seeded block of random bytes
SMALL_FILES = 20_000
SMALL_FOLDERS = 400
SMALL_MAX_SIZE = 16 * 1024
MAX_DEPTH = 6
SHARE_FILES = 2_000
SHARE_FOLDERS = 40
MILLION_FILES = 1_000_000
MILLION_FOLDERS = 1_000
LARGE_FILES = 8
LARGE_SIZE = 128 << 20


def _pool(seed):
    return random.Random(seed * 7919 + 1).randbytes(POOL_SIZE)


def _name(rng, taken):
    while True:
        stem = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz0123456789_-", k=rng.randint(3, 14)))
        name = stem + rng.choice(["", ".txt", ".dat", ".c", ".h", ".json", ".png", ".log"])
        if name not in taken:
            taken.add(name)
            return name


def _folders(rng, root, count):
    """Makes count folders below root, none deeper than MAX_DEPTH; returns them, root first."""
    folders = [(root, 0)]
    names = {root: set()}
    while len(folders) < count + 1:
        parent, depth = rng.choice(folders)
        if depth >= MAX_DEPTH:
            continue
        path = os.path.join(parent, _name(rng, names[parent]))
        os.mkdir(path)
        names[path] = set()
        folders.append((path, depth + 1))
    return [path for path, _ in folders], names


def _write(path, pool, rng, size):
    with open(path, "wb") as f:
        offset = rng.randrange(POOL_SIZE)
        while size > 0:
            piece = pool[offset : offset + size]
            f.write(piece)
            size -= len(piece)
            offset = 0


def _make_many(root, rng, pool, files, folders):
    """files files of 0-16 KiB in folders folders below root."""
    os.makedirs(root)
    paths, names = _folders(rng, root, folders)
    for _ in range(files):
        folder = rng.choice(paths)
        _write(os.path.join(folder, _name(rng, names[folder])), pool, rng,
               rng.randint(0, SMALL_MAX_SIZE))


def make_small(root, seed, scale=1):
    """About 20,000 files of 0-16 KiB in about 400 folders (times scale)."""
    _make_many(root, random.Random(seed), _pool(seed), SMALL_FILES * scale, SMALL_FOLDERS * scale)


def make_million(root):
    """1,000,000 empty files, 1,000 in each of 1,000 folders: the tree of the memory bound."""
    per_folder = MILLION_FILES // MILLION_FOLDERS
    for folder in range(MILLION_FOLDERS):
        path = os.path.join(root, f"d{folder:04d}")
        os.makedirs(path)
        for file in range(per_folder):
            os.close(os.open(os.path.join(path, f"f{file:04d}"), os.O_CREAT | os.O_WRONLY, 0o644))


def make_share(root, seed):
    """2,000 files of 0-16 KiB in 40 folders: the tree of the latency-bound scenarios."""
    _make_many(root, random.Random(seed + 4), _pool(seed), SHARE_FILES, SHARE_FOLDERS)


def make_large(root, seed):
    """Eight files of 128 MiB in one folder."""
    rng = random.Random(seed + 1)
    pool = _pool(seed)
    os.makedirs(root)
    for i in range(LARGE_FILES):
        _write(os.path.join(root, f"large-{i}.bin"), pool, rng, LARGE_SIZE)


def make_mixed(root, seed):
    """5,000 small files with 40 of 256 KiB-16 MiB and two of 64 MiB, in 100 folders."""
    rng = random.Random(seed + 2)
    pool = _pool(seed)
    os.makedirs(root)
    folders, names = _folders(rng, root, 100)
    sizes = [rng.randint(0, SMALL_MAX_SIZE) for _ in range(5000)]
    sizes += [rng.randint(256 << 10, 16 << 20) for _ in range(40)]
    sizes += [64 << 20, 64 << 20]
    rng.shuffle(sizes)
    for size in sizes:
        folder = rng.choice(folders)
        _write(os.path.join(folder, _name(rng, names[folder])), pool, rng, size)


def tree_stats(root):
    """(files, folders, bytes) below root, root itself not counted as a folder."""
    files = folders = size = 0
    for _, dirs, names in os.walk(root):
        folders += len(dirs)
        for name in names:
            files += 1
    for top, _, names in os.walk(root):
        for name in names:
            size += os.lstat(os.path.join(top, name)).st_size
    return files, folders, size


def damage_plan(root, seed):
    """Relative paths of the files to truncate to half (10 %) and to remove (another 10 %)."""
    paths = []
    for top, dirs, names in os.walk(root):
        dirs.sort()
        for name in sorted(names):
            paths.append(os.path.relpath(os.path.join(top, name), root))
    rng = random.Random(seed + 3)
    chosen = rng.sample(paths, len(paths) // 5)
    half = len(chosen) // 2
    return chosen[:half], chosen[half:]


def apply_damage(target, plan):
    truncated, removed = plan
    for rel in truncated:
        path = os.path.join(target, rel)
        os.truncate(path, os.path.getsize(path) // 2)
    for rel in removed:
        os.unlink(os.path.join(target, rel))
