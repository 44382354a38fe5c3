#!/usr/bin/env python3
"""The built LV2 bundle against Debian's LV2 tools.

  validate BUNDLE                 lv2_validate finds nothing in the generated Turtle
  info BUNDLE URI RENDER          lv2info lists the ports, the UI and the presets the
                                  VST 3 plug-in lists (through the command-line host)
  apply BUNDLE URI RENDER VST3 WORKDIR
                                  lv2apply renders what the command-line host renders
                                  through the .vst3 at the same settings, sample for sample
Exits 77 (skipped) when a tool is missing.
"""
import glob, os, re, shutil, struct, subprocess, sys

SKIP = 77


def need(tool):
    if not shutil.which(tool):
        print(f"SKIP: {tool} is not installed (Debian: lv2-dev, lilv-utils)")
        sys.exit(SKIP)


def run(cmd, env=None):
    p = subprocess.run(cmd, capture_output=True, text=True, env=env)
    if p.returncode != 0:
        sys.exit(f"{' '.join(cmd)} failed ({p.returncode}):\n{p.stdout}{p.stderr}")
    return p.stdout + p.stderr


def host_env(bundle):
    env = dict(os.environ, LV2_PATH=os.path.dirname(os.path.abspath(bundle)))
    # A sanitized module in a host that is not: the runtime has to come first.
    if os.environ.get("MG_HOST_PRELOAD"):
        env["LD_PRELOAD"] = os.environ["MG_HOST_PRELOAD"]
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    return env


def validate(bundle):
    need("lv2_validate")
    files = sorted(glob.glob(os.path.join(bundle, "*.ttl")))
    if len(files) != 3:
        sys.exit(f"expected manifest, plug-in and presets Turtle, found {files}")
    out = run(["lv2_validate", *files])
    bad = [l for l in out.splitlines() if re.match(r"\s*(error|warning)", l)]
    if bad or "Found 0 errors" not in out:
        sys.exit("lv2_validate:\n" + out)


def vst3_listing(render):
    text = run([render, "--list"])
    params = re.findall(r"^\s+\d+\s+(\S.*?\S)\s{2,}", text.split("\nParameters")[1].split("\nPresets")[0], re.M)
    presets = re.findall(r"^\s+\d+\s+(\S.*)$", text.split("\nPresets")[1].split("\n", 1)[1], re.M)
    return [p for p in params if p not in ("title", "Bypass", "Preset")], presets


def info(bundle, uri, render):
    need("lv2info")
    env = host_env(bundle)
    # The LV2 core's own bundles name the plug-in classes.
    env["LV2_PATH"] += ":/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2"
    out = run(["lv2info", uri], env=env)
    if not re.search(r"^\s+Class:\s+Phaser Plugin$", out, re.M):
        sys.exit("not listed as a phaser:\n" + out)
    params, presets = vst3_listing(render)
    names = re.findall(r"^\s+Name:\s+(.*)$", out, re.M)[1:]
    expected_ports = ["Input 1", "Input 2", "Output 1", "Output 2", "Control", "Enabled", *params]
    if names != expected_ports:
        sys.exit(f"ports {names}\nexpected {expected_ports}\n{out}")
    if "ui#X11UI" not in out or uri + "#ui" not in out:
        sys.exit("no X11 UI listed:\n" + out)
    block = out.split("Presets:")[1].split("\n\n")[0] if "Presets:" in out else ""
    found = sorted(l.strip() for l in block.splitlines() if l.strip())
    if len(presets) != 10 or found != sorted(presets):
        sys.exit(f"presets {found}\nexpected {sorted(presets)}")


def samples(path):
    d = open(path, "rb").read()
    pos, fmt, data = 12, None, None
    while pos + 8 <= len(d):
        cid, size = d[pos:pos + 4], struct.unpack("<I", d[pos + 4:pos + 8])[0]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHI", d[pos + 8:pos + 16])
        if cid == b"data":
            data = d[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    if fmt is None or fmt[0] != 3 or data is None:
        sys.exit(f"{path}: not a 32-bit float WAV file")
    return fmt, data


# Each setting in the command-line host's words and as LV2 port values, exact in 32 bits.
SETTINGS = [("Stages", "8", "stages", "1"), ("Manual", "2000Hz", "manual", "2000"),
            ("Spread", "25%", "spread", "25"), ("Feedback", "50%", "feedback", "50"),
            ("LFODepth", "75%", "lfodepth", "75"), ("Waveform", "Sine", "waveform", "0")]


def apply(bundle, uri, render, vst3, work):
    need("lv2apply")
    os.makedirs(work, exist_ok=True)
    dry, vst3_out, lv2_out = (os.path.join(work, n) for n in ("demo.wav", "vst3.wav", "lv2.wav"))
    # The demo through the bypassed plug-in is the demo itself, in stereo float.
    run([render, "--bundle", vst3, "--bypass", "--float", "-o", dry])
    sets = [a for name, text, _, _ in SETTINGS for a in ("--set", f"{name}={text}")]
    run([render, "--bundle", vst3, "--float", *sets, dry, "-o", vst3_out])
    ports = [a for _, _, sym, value in SETTINGS for a in ("-c", sym, value)]
    run(["lv2apply", "-i", dry, "-o", lv2_out, *ports, uri], env=host_env(bundle))
    (fa, a), (fb, b) = samples(vst3_out), samples(lv2_out)
    if fa != fb or len(a) != len(b) or len(a) == 0:
        sys.exit(f"formats differ: {fa} {len(a)} bytes, {fb} {len(b)} bytes")
    if a != b:
        n = len(a) // 4
        x, y = struct.unpack(f"<{n}f", a), struct.unpack(f"<{n}f", b)
        diff = [i for i in range(n) if x[i] != y[i]]
        sys.exit(f"{len(diff)} of {n} samples differ, first at {diff[0]}: {x[diff[0]]!r} vs {y[diff[0]]!r}")
    if samples(dry)[1] == b:
        sys.exit("the settings left the demo unchanged: nothing was compared")


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    {"validate": validate, "info": info, "apply": apply}[cmd](*args)
