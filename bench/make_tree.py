#!/usr/bin/env python3
"""Builds the deterministic folder trees the scan benchmark walks.

  make_tree.py tree DIR [--entries N] [--seed S]   a realistic tree of about N entries
  make_tree.py flat DIR [--files N]                N files frame.000001 ... in one folder

The same arguments always give the same names, folders and sizes. Files are sparse: their sizes
come from ftruncate, so a tree of many gigabytes takes almost no disk space. DIR must not exist.
"""

import argparse
import math
import os
import random
import sys

MAX_DEPTH = 6          # folders below the root, at most
MEAN_FILES = 100       # files per folder, on average
NO_EXTENSION = 0.08    # share of names without a dot (README, Makefile, data1234)
DOTFILES = 0.03        # share of names starting with a dot (.bashrc)
UTF8_NAMES = 0.05      # share of names with non-ASCII letters
UPPER_CASE = 0.10      # share of extensions written in capitals (.JPG)

COMMON_EXTENSIONS = (
    "c h cpp hpp cc py js ts json md txt html css xml yml yaml toml ini cfg conf log o a so "
    "png jpg jpeg gif svg webp ico bmp tif mp3 ogg flac wav mp4 mkv avi mov webm pdf doc docx "
    "xls xlsx ppt odt ods csv tsv gz bz2 xz zst zip tar 7z rar deb rpm iso img bin dat db "
    "sqlite sql sh bash zsh pl rb go rs java class jar kt swift m mm lua vim el tex bib rst "
    "po mo pot desktop service socket timer lock pid tmp bak old orig rej patch diff"
).split()

NAME_STEMS = ("data", "report", "notes", "image", "track", "build", "cache", "module", "index",
              "config", "backup", "photo", "draft", "test", "util", "main", "core", "part")
UTF8_STEMS = ("r\u00e9sum\u00e9", "na\u00efve", "\u65e5\u672c\u8a9e", "\u03a9mega",
              "\u0444\u0430\u0439\u043b", "stra\u00dfe", "caf\u00e9", "\u00fcber")
PLAIN_NAMES = ("README", "Makefile", "LICENSE", "Dockerfile", "CHANGES", "TODO", "core")
DOTFILE_NAMES = (".gitignore", ".bashrc", ".profile", ".editorconfig", ".DS_Store", ".keep", ".npmrc",
                 ".clang-format", ".env", ".htaccess", ".Xresources", ".viminfo")


def extension_table(rng, count=300):
    """About 300 extensions, the common ones first, with Zipf weights: a few dominate."""
    names = list(COMMON_EXTENSIONS)
    letters = "abcdefghijklmnopqrstuvwxyz0123456789"
    while len(names) < count:
        candidate = "".join(rng.choice(letters) for _ in range(rng.randint(2, 5)))
        if candidate not in names:
            names.append(candidate)
    weights = [1.0 / (rank + 1) ** 1.1 for rank in range(len(names))]
    return names, weights


def file_name(rng, index, extensions, weights, used_dotfiles):
    """A name unique in the tree (it carries `index`), except the well-known dotfiles, which
    `used_dotfiles` keeps unique within their folder."""
    stem = rng.choice(UTF8_STEMS if rng.random() < UTF8_NAMES else NAME_STEMS) + str(index)
    kind = rng.random()
    if kind < NO_EXTENSION:
        return rng.choice(PLAIN_NAMES) + str(index) if rng.random() < 0.5 else stem
    extension = rng.choices(extensions, weights)[0]
    if rng.random() < UPPER_CASE:
        extension = extension.upper()
    if kind < NO_EXTENSION + DOTFILES:
        # Like real dotfiles: a few well-known names, each once per folder, else a hidden file
        # with an ordinary extension. Their "extension" is the whole name (.bashrc).
        dotfile = rng.choice(DOTFILE_NAMES)
        if dotfile not in used_dotfiles:
            used_dotfiles.add(dotfile)
            return dotfile
        return "." + stem + "." + extension
    return stem + "." + extension


def file_size(rng):
    """Log-normal: median about 3 KB, a long tail into the gigabytes."""
    return min(int(rng.lognormvariate(8.0, 2.5)), 8 << 30)


def make_file(directory_fd, name, size):
    descriptor = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=directory_fd)
    try:
        if size:
            os.ftruncate(descriptor, size)
    finally:
        os.close(descriptor)


def folder_layout(rng, folder_count):
    """Parent index of each folder (folder 0 is the root), as a random recursive tree: each new
    folder hangs below a random earlier one that is not yet at the depth limit."""
    parents, depths, open_folders = [-1], [0], [0]
    for index in range(1, folder_count):
        parent = rng.choice(open_folders)
        parents.append(parent)
        depths.append(depths[parent] + 1)
        if depths[-1] < MAX_DEPTH:
            open_folders.append(index)
    return parents


def files_per_folder(rng, folder_count, file_count):
    weights = [rng.uniform(0.2, 1.8) for _ in range(folder_count)]
    total = sum(weights)
    counts = [int(file_count * weight / total) for weight in weights]
    for index in range(file_count - sum(counts)):
        counts[index % folder_count] += 1
    return counts


def build_tree(root, entries, seed):
    rng = random.Random(seed)
    extensions, weights = extension_table(rng)
    folder_count = max(1, round(entries / (MEAN_FILES + 1)))
    parents = folder_layout(rng, folder_count)
    counts = files_per_folder(rng, folder_count, entries - (folder_count - 1))

    paths = [root]
    os.mkdir(root)
    for index in range(1, folder_count):
        name = ("." if rng.random() < DOTFILES else "") + "dir%d" % index
        paths.append(os.path.join(paths[parents[index]], name))
        os.mkdir(paths[index])

    made = folder_count - 1
    for index, path in enumerate(paths):
        directory_fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY)
        used_dotfiles = set()
        try:
            for _ in range(counts[index]):
                make_file(directory_fd, file_name(rng, made, extensions, weights, used_dotfiles), file_size(rng))
                made += 1
        finally:
            os.close(directory_fd)
        if index % 1000 == 999:
            print("  %d of %d folders filled, %d entries" % (index + 1, folder_count, made), file=sys.stderr)
    return made


def build_flat(root, files):
    os.mkdir(root)
    width = max(6, int(math.log10(files)) + 1)
    directory_fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for number in range(1, files + 1):
            make_file(directory_fd, "frame.%0*d" % (width, number), 4096 + number)
    finally:
        os.close(directory_fd)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    tree = commands.add_parser("tree")
    tree.add_argument("root")
    tree.add_argument("--entries", type=int, default=1_000_000)
    tree.add_argument("--seed", type=int, default=20240601)
    flat = commands.add_parser("flat")
    flat.add_argument("root")
    flat.add_argument("--files", type=int, default=100_000)
    arguments = parser.parse_args()

    if arguments.command == "tree":
        made = build_tree(arguments.root, arguments.entries, arguments.seed)
    else:
        made = build_flat(arguments.root, arguments.files)
    print("%s: %d entries" % (arguments.root, made))


if __name__ == "__main__":
    main()
