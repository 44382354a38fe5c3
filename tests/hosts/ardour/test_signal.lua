ardour {
	["type"] = "dsp",
	name = "Mistlegrove Test Signal",
	category = "Utility",
	license = "GPL-3.0-or-later",
	author = "Mistlegrove Music",
	description = "Two chords over white noise, the same on every run",
}

function dsp_ioconfig () return { { audio_in = 2, audio_out = 2 } } end

-- A fixed LCG, not math.random: the bounced input must be identical on every machine.
local seed = 12345
local t = 0
local w

function dsp_init (rate) w = 2 * math.pi / rate end

function dsp_run (ins, outs, n_samples)
	local l, r = outs[1]:array (), outs[2]:array ()
	for i = 1, n_samples do
		seed = (seed * 1103515245 + 12345) & 0x7fffffff
		local noise = seed / 0x40000000 - 1
		local x = w * t
		l[i] = 0.2 * math.sin (220 * x) + 0.15 * math.sin (277.18 * x) + 0.1 * noise
		r[i] = 0.2 * math.sin (329.63 * x) + 0.15 * math.sin (164.81 * x) - 0.1 * noise
		t = t + 1
	end
end
