#!/usr/bin/env python3
"""Random hostile trees for the upgrade program, and the properties each run
of it must keep. The scenario hostile_trees in run.sh calls it for each case:

  hostile_trees.py plan CASE        prints, tab-separated: the distribution
                                    folder, the program's file name, the code
                                    page, and the program's arguments
  hostile_trees.py make CASE        adds the case's entries to the information
                                    folder the scenario made, breaks the
                                    installer as the case says, makes the
                                    canaries, and records everything
  hostile_trees.py check CASE EXIT  checks the run that ended with EXIT; on a
                                    failure prints what broke and the tree
  hostile_trees.py shapes           lists the fixed cases

CASE is a seed (a number) or a fixed case's name. The environment names KIND
(native or wine), PROGRAM, WORK, DRIVE (the host folder of drive C:), INFO
(the information folder's Windows path) and RECORD (the fixture programs'
record).
"""
import hashlib
import json
import os
import random
import shutil
import stat
import sys

KIND = os.environ["KIND"]
DRIVE = os.environ["DRIVE"]
INFO = os.environ["INFO"]
WORK = os.environ["WORK"]
STATE = os.path.join(WORK, "tree.json")
# The hostile names and the fixed cases, shared with the unit test of the
# folder walk.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                       "hostile_cases.json"), encoding="utf-8") as table:
    CASES = json.load(table)
DEVICES = CASES["devices"]
DEVICE_SUFFIXES = CASES["device_suffixes"]
# Best-fit look-alikes of . \ / : and their full-width forms.
LOOK_ALIKES = CASES["look_alikes"]
# Under code page 932 the second byte of each of these is 0x5C, "\".
TRAIL_5C = CASES["trail_5c"]
# Win32 trims trailing dots and spaces from the last part of a path only.
TRAILING_NAMES = CASES["trailing_names"]
TRAILING_ENDS = CASES["trailing_ends"]
FORBIDDEN = CASES["forbidden"]
CLASSES = ["look-alike", "trailing", "forbidden", "device", "long", "cp932",
           "attributes", "links"]
# Names the scenario's previous installation and distribution use.
TAKEN = {"disk1", "support", "setup.exe", ".setup.log", "uninstall.iss", "new"}
OTHER_PRODUCTS = ["{00000000-0000-0000-0000-000000000001}", os.path.basename(
    INFO.replace("\\", "/")) + ".old"]


def shape(entries=(), **changes):
    """A fixed case: a silent upgrade from C:\\dist with these entries."""
    tree = {"dist": "C:\\dist", "program": "upgrade", "installer": "recorder",
            "code_page": 1252, "args": ["/s"], "entries": list(entries)}
    tree.update(changes)
    return tree


# The shape of each failure the generator found, kept as a fixed case; its
# "why" tells what went wrong.
SHAPES = {name: shape(changes.pop("entries", ()),
                      **{k: v for k, v in changes.items() if k != "why"})
          for name, changes in CASES["shapes"].items()}


def host(path):
    """The host path of a path on drive C:."""
    return DRIVE + path[2:].replace("\\", "/")


def windows_path(parts):
    """The Windows path of an entry of the information folder."""
    return "\\".join([INFO] + parts)


def info_host():
    return host(INFO)


def dist_windows(tree):
    return INFO + "\\new" if tree["dist"] == "inside" else tree["dist"]


def program_file(tree):
    if tree["program"] != "upgrade":
        return tree["program"]
    return "upgrade.exe" if KIND == "wine" else "upgrade"


def word(rng):
    return "".join(rng.choice("bcdfgklmnprstvz") + rng.choice("aeiou")
                   for _ in range(rng.randint(1, 4)))


def hostile_name(rng, cls, parent, siblings, code_page):
    base = word(rng)
    if cls == "look-alike":
        return "".join(rng.choice([rng.choice(LOOK_ALIKES) * rng.randint(1, 2), base])
                       for _ in range(rng.randint(1, 4)))
    if cls == "trailing":
        folders = [s for s in siblings if siblings[s] == "folder"]
        if folders and rng.random() < 0.3:
            return rng.choice(folders) + rng.choice([" ", ".", ". "])
        return rng.choice([rng.choice(TRAILING_NAMES), base + rng.choice(TRAILING_ENDS)])
    if cls == "forbidden":
        cut = rng.randint(0, len(base))
        return base[:cut] + rng.choice(FORBIDDEN) + base[cut:]
    if cls == "device":
        name = rng.choice(DEVICES) + rng.choice(DEVICE_SUFFIXES)
        return "".join(c.lower() if rng.random() < 0.5 else c for c in name)
    if cls == "long":
        length = rng.randint(225, 265) - len(windows_path(parent) + "\\")
        return (base * 90)[:max(1, min(length, 250))]
    if cls == "cp932" and (KIND == "native" or code_page == 932):
        return "".join(rng.choice(TRAIL_5C) for _ in range(rng.randint(1, 3))) + base
    return rng.choice(["", "."]) + base + rng.choice(["", ".txt", ".dll"])


def random_tree(seed):
    rng = random.Random(seed)
    classes = rng.sample(CLASSES, rng.randint(0, 3))
    tree = {
        "dist": rng.choices(["C:\\dist", "C:\\My Dist", "inside"], [6, 3, 1])[0],
        "program": rng.choice(["upgrade", "setup.exe"]),
        "installer": rng.choices(["recorder", "empty", "truncated", "folder",
                                  "program", "program-link", "missing"],
                                 [12, 1, 1, 1, 1, 1, 1])[0],
        "code_page": 932 if KIND == "wine" and "cp932" in classes else 1252,
        "args": rng.choice([["/s"], [], ["one", "two"]]),
        "entries": [],
    }
    folders = [[]]
    names = {(): {}}
    for _ in range(rng.randint(2, 16)):
        parent = rng.choice([f for f in folders if len(f) < 4])
        kind = rng.choices(["file", "folder", "link"],
                           [5, 3, 2 if "links" in classes else 0])[0]
        siblings = names[tuple(parent)]
        cls = rng.choice(classes + ["plain"]) if classes else "plain"
        if kind == "link" and "trailing" in classes and rng.random() < 0.5:
            cls = "trailing"
        name = hostile_name(rng, cls, parent, siblings, tree["code_page"])
        if name.casefold() in {s.casefold() for s in siblings} or name.casefold() in TAKEN:
            continue
        siblings[name] = kind
        entry = {"path": parent + [name], "kind": kind}
        if kind == "folder":
            folders.append(entry["path"])
            names[tuple(entry["path"])] = {}
        if kind == "link":
            entry["to"] = rng.choice(["outside", "outside\\deeper", "dist", "inside"])
        if "attributes" in classes and kind != "link" and rng.random() < 0.4:
            entry["attributes"] = rng.sample(
                ["read-only", "hidden", "system"] if KIND == "wine" else ["read-only"],
                1 if KIND == "native" else rng.randint(1, 2))
        tree["entries"].append(entry)
    return tree


def tree_for(case):
    return random_tree(int(case)) if case.isdigit() else SHAPES[case]


def may_stay(entry, tree):
    """Whether the program may leave this entry, and so the folders above it."""
    name, wine = entry["path"][-1], KIND == "wine"
    if "read-only" in entry.get("attributes", []) or name.rstrip(". ") != name:
        return True
    if any(c in '\\/:*?"<>|' or c < " " for c in name):
        return True
    if entry["kind"] == "link":
        return wine  # Wine cannot remove a link to a folder
    if len(windows_path(entry["path"])) >= 240:
        return True
    if name.split(".")[0].rstrip(" ").upper() in DEVICES:
        return True  # a path ending in it names the device
    try:
        name.encode("cp932" if tree["code_page"] == 932 else "ascii")
        return False
    except UnicodeEncodeError:
        return wine  # no exact form in the code page


def make_entries(tree):
    root = info_host()
    for entry in tree["entries"]:
        path = os.path.join(root, *entry["path"])
        if entry["kind"] == "folder":
            os.mkdir(path)
        elif entry["kind"] == "file":
            with open(path, "w", encoding="utf-8") as out:
                out.write(entry["path"][-1] + "\n")
        else:
            to = {"dist": dist_windows(tree), "inside": INFO}.get(
                entry["to"], "C:\\" + entry["to"])
            os.symlink(host(to), path)
    # Attributes last, deepest first, so that a read-only folder is filled.
    for entry in sorted(tree["entries"], key=lambda e: -len(e["path"])):
        path = os.path.join(root, *entry["path"])
        attributes = entry.get("attributes", [])
        dos = (2 if "hidden" in attributes else 0) | (4 if "system" in attributes else 0)
        if dos:  # where Wine keeps the attributes a Unix file has not
            os.setxattr(path, "user.DOSATTRIB", b"0x%x" % dos)
        if "read-only" in attributes:
            os.chmod(path, os.stat(path).st_mode & ~0o222)


def break_installer(tree):
    installer = host(dist_windows(tree)) + "/data.exe"
    program = host(dist_windows(tree)) + "/" + program_file(tree)
    kind = tree["installer"]
    if kind in ("empty", "truncated"):
        with open(installer, "r+b") as data:
            data.truncate(0 if kind == "empty" else os.path.getsize(installer) // 2)
    elif kind != "recorder":
        os.remove(installer)
        if kind == "folder":
            os.mkdir(installer)
        elif kind == "program":
            shutil.copy2(program, installer)
        elif kind == "program-link":
            os.symlink(program, installer)


def make_canaries():
    outside = host("C:\\outside")
    os.makedirs(outside + "/deeper")
    for name in ["keep.txt", "deeper/keep.txt", ".hidden"]:
        with open(os.path.join(outside, name), "w") as out:
            out.write("keep\n")
    for other in OTHER_PRODUCTS:
        folder = os.path.join(os.path.dirname(info_host()), other)
        os.makedirs(folder + "/Disk1")
        for name in ["setup.exe", "Disk1/data1.cab"]:
            with open(os.path.join(folder, name), "w") as out:
                out.write(other + "\n")


def canaries(tree):
    parent = os.path.dirname(info_host())
    return [host("C:\\outside"), host(dist_windows(tree))] + [
        os.path.join(parent, other) for other in OTHER_PRODUCTS]


def digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def snapshot(root):
    """Every entry under root, links not followed: its kind, mode and content."""
    found = {}
    if not os.path.lexists(root):
        return found
    for folder, subfolders, files in os.walk(root):
        for name in subfolders + files + ([""] if folder == root else []):
            path = os.path.join(folder, name) if name else folder
            info = os.lstat(path)
            key = os.path.relpath(path, root)
            if stat.S_ISLNK(info.st_mode):
                found[key] = ["link", os.readlink(path)]
            elif stat.S_ISDIR(info.st_mode):
                found[key] = ["folder", info.st_mode & 0o7777]
            else:
                found[key] = ["file", info.st_mode & 0o7777, digest(path)]
    return found


def snapshots(tree):
    return {root: snapshot(root) for root in canaries(tree) + [info_host()]}


def started_programs():
    """The host paths of the programs started in the run, after the program."""
    with open(os.path.join(WORK, "started.txt"), encoding="utf-8",
              errors="replace") as listed:
        paths = [line.rstrip("\n") for line in listed if line.strip()]
    if KIND == "wine":
        paths = [host(p) if p[:2].upper() == "C:" else p for p in paths]
    return paths[1:]


def check(tree, state, exit_code):
    failures = []
    before, after = state["before"], snapshots(tree)
    for root in canaries(tree):
        if after[root] != before[root]:
            lost = sorted(set(before[root]) - set(after[root]))
            failures.append(f"a canary changed: {root}"
                            f" (gone: {lost[:5]})")
    info = info_host()
    removed = sorted(set(before[info]) - set(after[info]))
    runs = []
    if os.path.exists(os.environ["RECORD"]):
        with open(os.environ["RECORD"], errors="replace") as record:
            runs = [line.split()[1] for line in record if line.startswith("run ")]
    if exit_code == 124:
        failures.append("the run did not end within its time limit")
    elif exit_code not in (0, 40, 41, 42, 43):  # 0, or a refusal
        failures.append(f"exit code {exit_code}")
    elif exit_code != 0 and (removed or runs):
        failures.append(f"refused with {exit_code}, yet removed {removed[:5]}"
                        f" and started {runs}")
    if removed and "data.exe" not in runs:
        failures.append(f"neither version: removed {len(removed)} entries of"
                        " the information folder, the installer never started")
    program = digest(os.environ["PROGRAM"])
    known = {os.path.join(root, key): value[-1] for root in before
             for key, value in before[root].items()}
    copies = [path for path in started_programs() if known.get(path) == program
              or (os.path.isfile(path) and digest(path) == program)]
    if copies:
        failures.append(f"started a copy of itself {len(copies)} times: {copies[0]}")
    if exit_code == 0 and os.path.lexists(info) and not state["may_stay"]:
        failures.append("the information folder is still there, though nothing"
                        f" in it may stay: {sorted(after[info])[:8]}")
    return failures


def main():
    command, case = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
    if command == "shapes":
        print(" ".join(SHAPES))
        return 0
    tree = tree_for(case)
    if command == "plan":
        print("\t".join([dist_windows(tree), program_file(tree), str(tree["code_page"])]
                        + tree["args"]))
    elif command == "make":
        make_entries(tree)
        break_installer(tree)
        make_canaries()
        state = {"before": snapshots(tree),
                 "may_stay": [e["path"] for e in tree["entries"] if may_stay(e, tree)]
                 + (["distribution"] if tree["dist"] == "inside" else [])}
        with open(STATE, "w") as out:
            json.dump(state, out)
    elif command == "check":
        with open(STATE) as saved:
            failures = check(tree, json.load(saved), int(sys.argv[3]))
        if failures:
            print(f"case {case} ({KIND}, {INFO}) broke:")
            for failure in failures:
                print("  - " + failure)
            print("  tree: " + json.dumps(tree, ensure_ascii=False))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
