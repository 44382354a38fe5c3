#!/usr/bin/env python3
"""Renders a session through a plug-in in Ardour, saves it, re-opens it in a new Ardour
process and renders again; every render must be bit-identical to the first.

  reopen_render.py --format vst3 --identity <class id> --bundle <path> --work <dir>
                   [--set "<parameter>=<value>"]... [--seconds N] [--reopens N]

Exits 77 (skipped) where Ardour's Lua session tool is not installed.
"""
import argparse
import array
import math
import os
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77
LUA_TOOL = "ardour7-lua"
# Ardour keeps its helpers beside its libraries, not on PATH.
ARDOUR_LIB_DIRS = ["/usr/lib/ardour7", "/usr/local/lib/ardour7"]
STEP_TIMEOUT = 40
HOST_RETRIES = 4
# Renders of a re-open that differ from the first by Ardour's stray writes alone.
STRAY_RETRIES = 2
# The test signal peaks below 0.5; stray memory read as floats lands far beyond this.
GARBAGE_LEVEL = 16.0
# Lines Ardour prints on every run that say nothing about this test.
NOISE = ("[ERROR]: Ignored format", "[WARNING]: Falling back to Reasonable Synth",
         "Butler drops pool trash", "lua/unknown direct dispatch")


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def run(step, argv, env):
    """Runs one step; returns its exit status and whether its script got to the end."""
    started = time.monotonic()
    try:
        done = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True, timeout=STEP_TIMEOUT)
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        fail(f"{step}: no end after {STEP_TIMEOUT} s\n{out}")
    log = "".join(line for line in done.stdout.splitlines(True) if not line.startswith(NOISE))
    print(f"== {step} ({time.monotonic() - started:.1f} s)\n{log}", end="" if log.endswith("\n") else "\n")
    # The Lua tool reports a script error on its output but may still exit 0.
    if "\nError: " in "\n" + log:
        fail(f"{step}: the script failed")
    return done.returncode, "\nphase complete\n" in "\n" + log


def garbage(path):
    """Describes samples no plug-in at these levels can make, or returns None."""
    if not os.path.isfile(path):
        return f"no render at {path}"
    _, samples = read_float_wav(path)
    bad = [i for i, x in enumerate(samples) if not math.isfinite(x) or abs(x) > GARBAGE_LEVEL]
    if bad:
        return f"{len(bad)} samples beyond ±{GARBAGE_LEVEL}, the first {samples[bad[0]]!r} at index {bad[0]}"
    return None


def run_phase(step, argv, env, outputs, render):
    """A phase that Ardour kills by a signal before it is done, or whose render holds stray
    memory, is run again. Ardour 7.3 does both with its own plug-ins too (its heap is
    corrupted now and then around an export), so neither says anything about ours."""
    for attempt in range(1, HOST_RETRIES + 2):
        for path in outputs:
            if os.path.isdir(path):
                shutil.rmtree(path)
            elif os.path.exists(path):
                os.remove(path)
        status, complete = run(step if attempt == 1 else f"{step}, again", argv, env)
        if not complete:
            if status >= 0:
                fail(f"{step} failed (exit status {status})")
            print(f"note: Ardour crashed (exit status {status}) before the step was done")
            continue
        if status != 0:
            print(f"note: Ardour crashed (exit status {status}) after the step had done its work")
        bad = garbage(render)
        if bad is None:
            return
        print(f"note: Ardour's render is corrupt: {bad}")
    fail(f"{step}: Ardour crashed or corrupted its render {HOST_RETRIES + 1} times")


def private_home(work, args):
    """A HOME (and XDG folders) of the test's own, holding what Ardour must find there."""
    home = os.path.join(work, "home")
    config = os.path.join(home, ".config", "ardour7")
    os.makedirs(os.path.join(config, "export"))
    os.makedirs(os.path.join(config, "scripts"))
    for f in ("float-wav.format", "float-wav.preset"):
        shutil.copy(os.path.join(HERE, f), os.path.join(config, "export", f))
    shutil.copy(os.path.join(HERE, "test_signal.lua"), os.path.join(config, "scripts"))
    env = dict(os.environ, HOME=home,
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    for var in ("JACK_DEFAULT_SERVER", "LV2_PATH", "VST3_PATH"):
        env.pop(var, None)
    bundle = os.path.abspath(args.bundle)
    if args.format == "vst3":
        os.makedirs(os.path.join(home, ".vst3"))
        os.symlink(bundle, os.path.join(home, ".vst3", os.path.basename(bundle)))
    elif args.format == "lv2":
        env["LV2_PATH"] = os.path.dirname(bundle)
    return home, env


def scan_vst3(home, env):
    """The Lua tool only reads Ardour's plug-in cache; Ardour's own scanner fills it."""
    scanner = next((os.path.join(d, "ardour-vst3-scanner") for d in ARDOUR_LIB_DIRS
                    if os.access(os.path.join(d, "ardour-vst3-scanner"), os.X_OK)), None)
    if scanner is None:
        fail("Ardour's VST 3 scanner (ardour-vst3-scanner) was not found")
    env = dict(env, LD_LIBRARY_PATH=os.path.dirname(scanner))
    vst3 = os.path.join(home, ".vst3")
    # Ardour stamps its cache in whole seconds and takes a module no older than the stamp for
    # a changed one, which it then does not know: a bundle built this second waits for the next.
    newest = max(os.stat(os.path.join(d, f)).st_mtime
                 for b in os.listdir(vst3) for d, _, files in os.walk(os.path.join(vst3, b) + "/") for f in files)
    while time.time() < math.floor(newest) + 1:
        time.sleep(0.05)
    status, _ = run("scan", [scanner] + [os.path.join(vst3, b) for b in os.listdir(vst3)], env)
    if status != 0:
        fail(f"Ardour's VST 3 scanner failed (exit status {status})")


def read_float_wav(path):
    """Returns (channels, samples) of a 32-bit float WAV, the samples interleaved."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail(f"{path} is not a WAV file")
    pos, channels, samples = 12, None, None
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk == b"fmt ":
            tag, channels, _, _, _, bits = struct.unpack("<HHIIHH", body[:16])
            if tag != 3 or bits != 32:
                fail(f"{path} is not 32-bit float (format {tag}, {bits} bits)")
        elif chunk == b"data":
            samples = array.array("f")
            samples.frombytes(body)
        pos += 8 + size + (size & 1)
    if channels is None or samples is None:
        fail(f"{path} has no format or no data")
    if sys.byteorder != "little":
        samples.byteswap()
    return channels, samples


def compare(first, second):
    """Returns None where the renders are the same to the bit, else what differs."""
    ch1, a = read_float_wav(first)
    ch2, b = read_float_wav(second)
    if ch1 != ch2 or len(a) != len(b):
        return f"shape {ch1} × {len(a) // ch1} against {ch2} × {len(b) // ch2}"
    if not any(abs(x) > 1e-4 for x in a):
        fail(f"{first} is silent: the test signal did not reach the plug-in")
    # Compared as bits, so a NaN or a signed zero counts as a difference too.
    bits_a, bits_b = array.array("I", a.tobytes()), array.array("I", b.tobytes())
    if bits_a == bits_b:
        return None
    diffs = [i for i in range(len(a)) if bits_a[i] != bits_b[i]]
    worst = max(diffs, key=lambda i: abs(a[i] - b[i]))
    first_i = diffs[0]
    return (f"max |diff| {abs(a[worst] - b[worst]):.6g} (frame {worst // ch1}, channel {worst % ch1}); "
            f"first differing sample: frame {first_i // ch1}, channel {first_i % ch1} "
            f"({a[first_i]!r} then {b[first_i]!r}); {len(diffs)} of {len(a)} samples differ")


def host_stray_words(first, second, most=8):
    """Describes a difference that is Ardour's own heap corruption, or returns None. Its stray
    writes land on the second channel's first sample of a 512-frame stretch of the export:
    as garbage (which garbage() sees) or as a lone word changed in its last bits."""
    ch, a = read_float_wav(first)
    _, b = read_float_wav(second)
    bits_a, bits_b = array.array("I", a.tobytes()), array.array("I", b.tobytes())
    diffs = [i for i in range(len(bits_a)) if bits_a[i] != bits_b[i]]
    if ch < 2 or not diffs or len(diffs) > most or any(i % (512 * ch) != 1 for i in diffs):
        return None
    return ", ".join(f"the word at frame {i // ch}, channel 1 ({bits_a[i]:#010x} then {bits_b[i]:#010x})"
                     for i in diffs)


def host_shift(first, second, most=4096):
    """The number of frames by which Ardour wrote one render early against the other, where
    they are otherwise the same to the bit; None where they differ in what they hold."""
    ch, a = read_float_wav(first)
    _, b = read_float_wav(second)
    bits_a, bits_b = array.array("I", a.tobytes()), array.array("I", b.tobytes())
    n = len(bits_a)
    for k in range(1, most + 1):
        s = k * ch
        if s >= n:
            break
        if bits_a[s:] == bits_b[:n - s] or bits_b[s:] == bits_a[:n - s]:
            return k
    return None


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--format", choices=["vst3", "lv2"], required=True)
    p.add_argument("--identity", required=True, help="VST 3 class id or LV2 URI")
    p.add_argument("--bundle", required=True)
    p.add_argument("--work", required=True, help="folder for the session and the renders (wiped first)")
    p.add_argument("--set", action="append", default=[], metavar="NAME=VALUE")
    p.add_argument("--seconds", default="4")
    # Ardour starts an export's blocks at one of a few offsets, by the timing of its threads;
    # each re-open is another draw, so a plug-in that depends on them rarely slips through.
    p.add_argument("--reopens", type=int, default=1, help="re-open and render this many times")
    args = p.parse_args()

    lua = shutil.which(LUA_TOOL)
    if lua is None:
        print(f"SKIP: {LUA_TOOL} (Debian package ardour) is not installed")
        return SKIP
    if not os.path.isdir(args.bundle):
        fail(f"no plug-in bundle at {args.bundle}")

    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    home, env = private_home(work, args)
    if args.format == "vst3":
        scan_vst3(home, env)

    script = os.path.join(HERE, "roundtrip.lua")
    common = [args.format, args.identity]
    # Now and then Ardour writes the first export of a new session from a block before its
    # start (the render is the plug-in's output moved by that block, the same to the bit
    # otherwise), or corrupts a word of it. That is the host's doing, so the round trip is
    # made afresh, twice at most.
    for attempt in range(1, 4):
        session, name = os.path.join(work, f"session-{attempt}"), "reopen"
        first = os.path.join(work, f"first-{attempt}.wav")
        run_phase("create and render", [lua, script, "create", session, name] + common +
                  [first, args.seconds] + args.set, env, [session, first], first)
        failures, first_at_fault = [], 0
        for n in range(1, args.reopens + 1):
            render = os.path.join(work, f"reopened-{attempt}-{n}.wav")
            for again in range(STRAY_RETRIES + 1):
                run_phase(f"re-open and render ({n})", [lua, script, "reopen", session, name] + common +
                          [render, args.seconds] + args.set, env, [render], render)
                diff = compare(first, render)
                stray = diff and host_stray_words(first, render)
                if not stray:
                    break
                print(f"note: Ardour's heap corruption changed {stray}")
            print(f"re-opened render {n}: " + (diff or "bit-identical to the first"))
            if diff:
                shift = host_shift(first, render)
                # A stray word that every render shows again is in the first one.
                first_at_fault += shift is not None or bool(stray)
                failures.append(f"re-opened render {n} differs from the first: {diff}"
                                + (f" (the same moved by {shift} frames)" if shift else ""))
        if not failures:
            print(f"all {args.reopens} re-opened renders are bit-identical to the first")
            return 0
        if first_at_fault < len(failures) or attempt == 3:
            fail("\n".join(failures))
        print(f"Ardour wrote the first render of attempt {attempt} out of place or corrupted it; "
              "making the session again")
    return 1


if __name__ == "__main__":
    sys.exit(main())
