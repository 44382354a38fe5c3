-- One half of the render, save, re-open, render round trip, run by ardour-lua:
--   roundtrip.lua create <dir> <name> <format> <identity> <out.wav> <seconds> [<param>=<value>...]
--   roundtrip.lua reopen <dir> <name> <format> <identity> <out.wav> <seconds> [<param>=<value>...]
-- "create" builds the session and renders it once, then saves it; "reopen" loads the saved
-- session in a fresh process and renders the same range again. Values are as the host shows
-- them (normalised for VST 3, 0 or 1 for a switch).
io.stdout:setvbuf ("no")

local phase, dir, name, format, identity, out, seconds = table.unpack (arg, 1, 7)
local settings = {}
for i = 8, #arg do
	local label, value = arg[i]:match ("^(.-)=(.*)$")
	assert (label, "bad setting: " .. arg[i])
	settings[#settings + 1] = { label = label, value = tonumber (value) }
end
local types = { vst3 = ARDOUR.PluginType.VST3, lv2 = ARDOUR.PluginType.LV2 }
assert (types[format], "unknown plug-in format: " .. tostring (format))
local track_name = "Phased"

-- Ardour 7.3's headless tool corrupts its heap now and then around an export, and mostly
-- shows it while tearing the session down; the marker tells the driver that all was written.
local function done ()
	print ("phase complete")
	os.exit (0, false)
end

-- The export object is returned so that it lives until the process ends: collecting it is
-- where the corruption most often surfaces.
local function render (session, samples)
	local e = session:simple_export ()
	local folder, file = out:match ("^(.*)/([^/]+)%.wav$")
	e:set_name (file)
	e:set_folder (folder)
	e:set_range (0, samples)
	assert (e:set_preset ("0b7e4c52-8a43-4f5e-9d2c-5a7f3e1b9c02"), "the export preset is not installed")
	assert (e:check_outputs (), "nothing to export")
	assert (e:run_export (), "export failed")
	return e
end

-- Parameters are found by the names the plug-in reports, as a user picks them. The
-- processor counts controls only, while an LV2 plug-in's parameters are all its ports.
local function parameter_index (plugin, label)
	local control = 0
	for i = 0, plugin:parameter_count () - 1 do
		local _, pd = plugin:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
		if plugin:parameter_is_control (i) then
			if pd[2].label == label and plugin:parameter_is_input (i) then return control end
			control = control + 1
		end
	end
	error ("the plug-in has no parameter named '" .. label .. "'")
end

local function find_plugin (track)
	local proc = track:nth_plugin (0)
	assert (not proc:isnil (), "the track has no plug-in")
	local plugin = proc:to_insert ():plugin (0)
	assert (plugin:unique_id () == identity, "unexpected plug-in " .. plugin:unique_id ())
	return proc, plugin
end

if phase == "create" then
	create_session (dir, name, 48000)
	local samples = math.floor (tonumber (seconds) * Session:nominal_sample_rate ())
	local track = Session:new_audio_track (2, 2, nil, 1, track_name,
		ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false):front ()

	-- The input is bounced into the session, so both renders read the same file: Lua has no
	-- import, and a live generator would depend on how many blocks the host ran before.
	local gen = ARDOUR.LuaAPI.new_luaproc (Session, "Mistlegrove Test Signal")
	assert (not gen:isnil (), "the test signal script is not installed")
	assert (track:add_processor_by_index (gen, 0, nil, true) == 0)
	local region = track:bounce_range (0, samples, ARDOUR.InterThreadInfo (), track:main_outs (), false, "")
	assert (not region:isnil (), "bounce failed")
	assert (track:remove_processor (gen, nil, true) == 0)
	track:playlist ():add_region (region, Temporal.timepos_t (0), 1, false, 0, 0, false)

	local proc = ARDOUR.LuaAPI.new_plugin (Session, identity, types[format], "")
	assert (not proc:isnil (), "the host does not know plug-in " .. identity)
	assert (track:add_processor_by_index (proc, 0, nil, true) == 0)
	local _, plugin = find_plugin (track)

	local names = {}
	for i = 0, plugin:parameter_count () - 1 do
		local _, pd = plugin:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
		names[#names + 1] = pd[2].label
	end
	print ("parameters: " .. table.concat (names, ", "))
	for _, s in ipairs (settings) do
		assert (ARDOUR.LuaAPI.set_processor_param (proc, parameter_index (plugin, s.label), s.value))
	end

	-- The engine hands the values to the plug-in in its next cycles; on a busy machine those
	-- can come after the export has started, where "Sync to Host" would switch on mid-play.
	ARDOUR.LuaAPI.usleep (300000)
	local export = render (Session, samples)
	Session:save_state ("", false, false, false, false, false)
	done ()
elseif phase == "reopen" then
	load_session (dir, name)
	local samples = math.floor (tonumber (seconds) * Session:nominal_sample_rate ())
	local track = Session:route_by_name (track_name):to_track ()
	assert (not track:isnil (), "the saved session lost its track")
	local proc, plugin = find_plugin (track)
	-- A setting lost on the way would make the renders differ for another reason.
	for _, s in ipairs (settings) do
		local value = ARDOUR.LuaAPI.get_processor_param (proc, parameter_index (plugin, s.label))
		assert (math.abs (value - s.value) < 1e-6, string.format ("'%s' came back as %s, not %s", s.label, value, s.value))
	end
	local export = render (Session, samples)
	done ()
else
	error ("unknown phase: " .. tostring (phase))
end
