#!/usr/bin/env python3
"""Prints the Debian Depends of some ELF files: the packages that hold the libraries their
DT_NEEDED names, each at the lowest version that has every symbol they take from it.
  depends.py DPKG_INFO_DIR ELF...
DPKG_INFO_DIR is var/lib/dpkg/info of the system built against (its .symbols and .shlibs
files): the Debian 11 sysroot, so that every version is one Debian 11 has. Fails when a
library is in no package there."""
import glob, os, re, subprocess, sys


def newer(a, b):
    if a is None or b is None:
        return a or b
    return a if subprocess.run(["dpkg", "--compare-versions", a, "gt", b]).returncode == 0 else b


def libraries(info):
    """soname -> (dependency template, {symbol@version: lowest package version})"""
    libs = {}
    for path in sorted(glob.glob(os.path.join(info, "*.shlibs"))):
        for line in open(path, encoding="utf-8"):
            f = line.split(None, 2)
            if len(f) == 3 and not f[0].endswith(":"):
                soname = f"{f[0]}.so.{f[1]}" if not f[1].startswith(".") else f[0] + f[1]
                libs.setdefault(soname, (f[2].strip(), {}))
    for path in sorted(glob.glob(os.path.join(info, "*.symbols"))):
        soname = None
        for line in open(path, encoding="utf-8"):
            if line.startswith((" ", "\t")) and soname:
                f = line.split()
                libs[soname][1][f[0]] = f[1]
            elif line[0] not in "|*#\n":
                soname, template = line.split(None, 1)
                libs[soname] = (template.strip(), {})
    return libs


def needed_and_used(path):
    dyn = subprocess.run(["readelf", "-d", "-W", path], capture_output=True, text=True, check=True).stdout
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", dyn)
    syms = subprocess.run(["readelf", "--dyn-syms", "-W", path], capture_output=True, text=True, check=True).stdout
    used = set()
    for line in syms.splitlines():
        f = line.split()
        if len(f) >= 8 and f[6] == "UND":
            name = re.sub(r" \(\d+\)$", "", " ".join(f[7:]))
            used.add(name if "@" in name else name + "@Base")
    return needed, used


def main():
    info, files = sys.argv[1], sys.argv[2:]
    libs = libraries(info)
    deps = {}  # package -> (template without version, lowest version)
    for path in files:
        needed, used = needed_and_used(path)
        known = set().union(*(libs[n][1].keys() for n in needed if n in libs))
        missing = sorted(s for s in used if not s.endswith("@Base") and s not in known)
        if missing:
            sys.exit(f"{path} needs symbols the libraries in {info} do not have: {', '.join(missing)}")
        for soname in needed:
            if soname not in libs:
                sys.exit(f"{path} needs {soname}, which no package in {info} holds")
            template, symbols = libs[soname]
            version = None
            for sym in used & symbols.keys():
                version = newer(version, symbols[sym])
            m = re.match(r"^(\S+)(?: \(>= (\S+)\))?$", template.replace("#MINVER#", "").strip())
            if not m:
                sys.exit(f"{soname}: a dependency template this script does not read: {template}")
            pkg = m.group(1)
            version = newer(version, m.group(2))
            deps[pkg] = newer(deps.get(pkg), version) if pkg in deps else version
    # A symbol at version 0 is in every version of its package.
    print(", ".join(f"{p} (>= {v})" if v and v != "0" else p for p, v in sorted(deps.items())))


main()
