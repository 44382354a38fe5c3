#!/usr/bin/env python3
"""The built LV2 bundle against Debian's LV2 tools.

  validate BUNDLE                 lv2_validate finds nothing in the generated Turtle
  info BUNDLE URI RENDER          lv2info lists the ports, the UI and the presets the
                                  VST 3 plug-in lists (through the command-line host)
  apply BUNDLE URI RENDER VST3 WORKDIR
                                  lv2apply renders what the command-line host renders
                                  through the .vst3 at the same settings, sample for sample
  describe BUNDLE                 the ports as hosts that draw their own sliders read them:
                                  bounds, units, curves and marks, and the stereo groups
  presets BUNDLE URI RENDER VST3 CLAP WORKDIR
                                  each factory preset recalled through the LV2 presets
                                  (lilv, as hosts load them) renders what it renders
                                  through the .vst3 and the .clap, sample for sample
Exits 77 (skipped) when a tool is missing.
"""
import array, ctypes as C, glob, math, os, re, shutil, struct, subprocess, sys

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
    # A port whose plain value needs a word on how to read it has it after its name.
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


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "release"))
from same_samples import chunks  # noqa: E402


def samples(path):
    fmt, data = chunks(path)
    if fmt[0] != 3:
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
    run([render, "--bundle", vst3, "--bypass", "--float", "--no-tail", "-o", dry])
    sets = [a for name, text, _, _ in SETTINGS for a in ("--set", f"{name}={text}")]
    run([render, "--bundle", vst3, "--float", "--no-tail", *sets, dry, "-o", vst3_out])
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


def ports_of(bundle):
    """The control and audio ports of the plug-in's Turtle, by symbol: each a dict of the
    properties written as `key value` and its scale points."""
    ttl = open(os.path.join(bundle, os.path.basename(bundle)[:-4] + ".ttl")).read()
    ports = {}
    for block in ttl.split("lv2:port [", 1)[1].split(" .\n", 1)[0].split("] , ["):
        sym = re.search(r'lv2:symbol "([^"]+)"', block).group(1)
        props = {k: v for k, v in re.findall(r"^\s+(lv2:\w+|units:unit|pg:group|rdfs:comment|a)\s+(.*?)\s*;?$", block, re.M)}
        props["points"] = [(l, float(v)) for l, v in re.findall(r'rdfs:label "((?:[^"\\]|\\.)*)" ; rdf:value (\S+) \]', block)]
        ports[sym] = props
    return ttl, ports


def describe(bundle):
    ttl, ports = ports_of(bundle)
    bad = []
    for sym, p in ports.items():
        if "lv2:minimum" not in p:
            continue
        lo, hi = float(p["lv2:minimum"]), float(p["lv2:maximum"])
        flags = p.get("lv2:portProperty", "")
        # Logarithmic needs both bounds of one sign, else a slider gives NaN.
        if "logarithmic" in flags and not (lo > 0 < hi or lo < 0 > hi):
            bad.append(f"{sym}: logarithmic over {lo}..{hi}")
        # A port no unit reads says how to read it and marks its values.
        if "units:unit" not in p and "lv2:integer" not in flags and ("rdfs:comment" not in p or len(p["points"]) < 3):
            bad.append(f"{sym}: a plain {lo}..{hi} without a reading")
        for label, v in p["points"]:
            if not lo <= v <= hi:
                bad.append(f"{sym}: mark {label} at {v} out of {lo}..{hi}")
    want = {"manual": ("units:hz", 0.0, 16000.0), "spread": ("units:pc", 0.0, 100.0),
            "feedback": ("units:pc", -100.0, 100.0), "lfodepth": ("units:pc", 0.0, 100.0)}
    for sym, (unit, lo, hi) in want.items():
        p = ports[sym]
        if (p.get("units:unit"), float(p["lv2:minimum"]), float(p["lv2:maximum"])) != (unit, lo, hi):
            bad.append(f"{sym}: {p.get('units:unit')} {p['lv2:minimum']}..{p['lv2:maximum']}, not {unit} {lo}..{hi}")
    stages = ports["stages"]
    if "toggled" in stages.get("lv2:portProperty", "") or [l for l, _ in stages["points"]] != ["4", "8"]:
        bad.append(f"stages: {stages}")
    notes = [l for l, _ in ports["lfospeed"]["points"]]
    if "13.57Hz, synced 1/4" not in notes or len(notes) != 20:
        bad.append(f"lfospeed: marks {notes}")
    # Stereo groups: left and right in one group each way, the groups declared.
    for sym, group, side in (("in_1", "#in", "left"), ("in_2", "#in", "right"),
                             ("out_1", "#out", "left"), ("out_2", "#out", "right")):
        p = ports[sym]
        if not p.get("pg:group", "").endswith(group + ">") or p.get("lv2:designation") != "pg:" + side:
            bad.append(f"{sym}: not the {side} of {group}: {p}")
    for group, kind in (("#in", "pg:InputGroup"), ("#out", "pg:OutputGroup")):
        if not re.search(re.escape(group) + r">\n  a pg:StereoGroup, " + kind, ttl):
            bad.append(f"no stereo {kind} {group}")
    if bad:
        sys.exit("\n".join(bad))


class Feature(C.Structure):
    _fields_ = [("uri", C.c_char_p), ("data", C.c_void_p)]


MAP_FN = C.CFUNCTYPE(C.c_uint32, C.c_void_p, C.c_char_p)
SET_VALUE_FN = C.CFUNCTYPE(None, C.c_char_p, C.c_void_p, C.c_void_p, C.c_uint32, C.c_uint32)


class UridMap(C.Structure):
    _fields_ = [("handle", C.c_void_p), ("map", MAP_FN)]


class Descriptor(C.Structure):
    _fields_ = [("uri", C.c_char_p), ("instantiate", C.c_void_p),
                ("connect_port", C.CFUNCTYPE(None, C.c_void_p, C.c_uint32, C.c_void_p)),
                ("activate", C.CFUNCTYPE(None, C.c_void_p)),
                ("run", C.CFUNCTYPE(None, C.c_void_p, C.c_uint32)),
                ("deactivate", C.CFUNCTYPE(None, C.c_void_p)),
                ("cleanup", C.CFUNCTYPE(None, C.c_void_p)), ("extension_data", C.c_void_p)]


class Instance(C.Structure):
    _fields_ = [("descriptor", C.POINTER(Descriptor)), ("handle", C.c_void_p), ("pimpl", C.c_void_p)]


def lilv_render(lilv, world, plugin, preset, urid_feature, dry, block=512):
    """The dry stereo float samples through a fresh instance that recalled the preset."""
    f = lilv
    f.lilv_new_uri.restype = C.c_void_p
    f.lilv_state_new_from_world.restype = C.c_void_p
    f.lilv_plugin_instantiate.restype = C.POINTER(Instance)
    f.lilv_plugin_instantiate.argtypes = [C.c_void_p, C.c_double, C.c_void_p]
    f.lilv_plugin_get_port_by_symbol.restype = C.c_void_p
    f.lilv_port_get_index.restype = C.c_uint32
    f.lilv_new_string.restype = C.c_void_p
    features = (C.POINTER(Feature) * 2)(C.pointer(urid_feature), None)
    inst = f.lilv_plugin_instantiate(C.c_void_p(plugin), 48000.0, features)
    if not inst:
        sys.exit("lilv cannot instantiate the plug-in")
    d, h = inst.contents.descriptor.contents, inst.contents.handle
    node = C.c_void_p(f.lilv_new_uri(C.c_void_p(world), preset.encode()))
    f.lilv_world_load_resource(C.c_void_p(world), node)  # as hosts do before they list presets
    state = f.lilv_state_new_from_world(C.c_void_p(world), C.c_void_p(urid_feature.data), node)
    if not state:
        sys.exit(f"lilv cannot load {preset}")
    controls = {}

    def set_value(symbol, _, value, size, _type):
        port = f.lilv_plugin_get_port_by_symbol(C.c_void_p(plugin), C.c_void_p(f.lilv_new_string(C.c_void_p(world), symbol)))
        if not port:
            sys.exit(f"{preset}: no port {symbol}")
        idx = f.lilv_port_get_index(C.c_void_p(plugin), C.c_void_p(port))
        controls.setdefault(idx, C.c_float()).value = C.cast(value, C.POINTER(C.c_float))[0]
        d.connect_port(h, idx, C.byref(controls[idx]))

    cb = SET_VALUE_FN(set_value)
    enabled = C.c_float(1.0)
    bufs = [(C.c_float * block)() for _ in range(4)]
    for i, b in enumerate(bufs):
        d.connect_port(h, i, b)
    d.connect_port(h, 5, C.byref(enabled))
    f.lilv_state_restore(C.c_void_p(state), inst, cb, None, 0, features)
    f.lilv_state_free(C.c_void_p(state))
    d.activate(h)
    left, right = dry[0::2], dry[1::2]
    out = array.array("f", bytes(4 * len(dry)))
    for start in range(0, len(left), block):
        n = min(block, len(left) - start)
        C.memmove(bufs[0], left[start:start + n].tobytes(), 4 * n)
        C.memmove(bufs[1], right[start:start + n].tobytes(), 4 * n)
        d.run(h, n)
        l, r = array.array("f", bytes(bufs[2])[:4 * n]), array.array("f", bytes(bufs[3])[:4 * n])
        out[2 * start:2 * (start + n):2], out[2 * start + 1:2 * (start + n):2] = l, r
    d.deactivate(h)
    f.lilv_instance_free(inst)
    return out


def presets(bundle, uri, render, vst3, clap, work):
    # The plug-in is loaded into this process: a sanitized one needs its runtime loaded
    # first, so start again with it preloaded (leaks of the interpreter are not ours).
    preload = os.environ.get("MG_HOST_PRELOAD")
    if preload and os.environ.get("LD_PRELOAD") != preload:
        env = dict(os.environ, LD_PRELOAD=preload,
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
        os.execve(sys.executable, [sys.executable] + sys.argv, env)
    try:
        lilv = C.CDLL("liblilv-0.so.0")
    except OSError:
        print("SKIP: liblilv-0 is not installed (Debian: liblilv-0-0)")
        sys.exit(SKIP)
    os.makedirs(work, exist_ok=True)
    dry = os.path.join(work, "demo.wav")
    run([render, "--bundle", vst3, "--bypass", "--float", "--no-tail", "-o", dry])
    fmt, data = samples(dry)
    if fmt[1] != 2 or fmt[2] != 48000:
        sys.exit(f"{dry}: {fmt}, not stereo at 48 kHz")
    dry_samples = array.array("f", data)

    os.environ.update(host_env(bundle))
    ids = {}
    urid_map = UridMap(None, MAP_FN(lambda _, u: ids.setdefault(u, len(ids) + 1)))
    urid_feature = Feature(b"http://lv2plug.in/ns/ext/urid#map", C.cast(C.pointer(urid_map), C.c_void_p))
    lilv.lilv_world_new.restype = C.c_void_p
    lilv.lilv_world_get_all_plugins.restype = C.c_void_p
    lilv.lilv_plugins_get_by_uri.restype = C.c_void_p
    lilv.lilv_new_uri.restype = C.c_void_p
    world = lilv.lilv_world_new()
    lilv.lilv_world_load_all(C.c_void_p(world))
    plugin = lilv.lilv_plugins_get_by_uri(C.c_void_p(lilv.lilv_world_get_all_plugins(C.c_void_p(world))),
                                         C.c_void_p(lilv.lilv_new_uri(C.c_void_p(world), uri.encode())))
    if not plugin:
        sys.exit(f"lilv does not find {uri}")
    names = vst3_listing(render)[1]
    bad = []
    for i, name in enumerate(names):
        lv2 = lilv_render(lilv, world, plugin, f"{uri}#preset-{i}", urid_feature, dry_samples).tobytes()
        for fmt_name, module in (("VST 3", vst3), ("CLAP", clap)):
            path = os.path.join(work, f"preset-{i}-{fmt_name[0]}.wav")
            run([render, "--bundle", module, "--float", "--no-tail", "--preset", name, dry, "-o", path])
            other = samples(path)[1]
            if other != lv2:
                a, b = array.array("f", other), array.array("f", lv2)
                diff = [k for k in range(min(len(a), len(b))) if a[k] != b[k]]
                peak = max((abs(a[k] - b[k]) for k in diff), default=0.0)
                bad.append(f"{name}: LV2 and {fmt_name} differ in {len(diff)} of {len(a)} samples, by up to {peak!r}"
                           f" ({20 * math.log10(peak) if peak else float('-inf'):.0f} dBFS)")
    if bad:
        sys.exit("\n".join(bad))


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    {"validate": validate, "info": info, "apply": apply, "describe": describe, "presets": presets}[cmd](*args)
