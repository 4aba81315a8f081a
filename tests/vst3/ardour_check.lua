-- Run inside Ardour's GUI (tests/vst3/ardour_session.sh installs it as a Lua callback hook): once the
-- session is loaded, a stereo bus gets a full-scale 1 kHz sine (SinGen), +6 dB of gain (ACE
-- Amplifier) and Sarvo as a VST3 plug-in; the bus's peak meter is read after each setting settles.
-- Every line goes to $SARVO_ARDOUR_RESULT; the last is "done".
local out = io.open(os.getenv("SARVO_ARDOUR_RESULT"), "w")
local function say(...)
  local t = {}
  for i = 1, select("#", ...) do t[#t + 1] = tostring(select(i, ...)) end
  out:write(table.concat(t, " "), "\n")
  out:flush()
end

local tick = 0
local routes, route, fx
local phases = {}  -- {name, action}, run in turn; each ends when the meter has settled
local phase, since, last = 0, 0, nil

local function peak()
  local meter = route:peak_meter()
  return math.max(meter:meter_level(0, ARDOUR.MeterType.MeterPeak), meter:meter_level(1, ARDOUR.MeterType.MeterPeak))
end

local function setup()
  say("session", Session:name(), Session:nominal_sample_rate())
  -- The list owns the route that front() refers to: keep it.
  routes = Session:new_audio_route(2, 2, nil, 1, "Sarvo check", ARDOUR.PresentationInfo.Flag.AudioBus,
                                   ARDOUR.PresentationInfo.max_order)
  route = routes:front()
  local sine = ARDOUR.LuaAPI.new_luaproc(Session, "SinGen")
  local gain = ARDOUR.LuaAPI.new_luaproc(Session, "ACE Amplifier")
  fx = ARDOUR.LuaAPI.new_plugin(Session, "Sarvo", ARDOUR.PluginType.VST3, "")
  if fx:isnil() then
    say("loaded no")
    return false
  end
  local plug = fx:to_insert():plugin(0)
  say("loaded", plug:name(), plug:maker(), plug:unique_id())
  route:add_processor_by_index(sine, 0, nil, true)
  route:add_processor_by_index(gain, 1, nil, true)
  route:add_processor_by_index(fx, 2, nil, true)
  ARDOUR.LuaAPI.set_processor_param(sine, 1, 0)  -- Gain 0 dB: full scale
  ARDOUR.LuaAPI.set_processor_param(gain, 0, 6)  -- +6 dB: a hot sine
  for i = 0, plug:parameter_count() - 1 do
    local _, t = plug:get_parameter_descriptor(i, ARDOUR.ParameterDescriptor())
    say("param", i, plug:parameter_label(i), t[2].lower, t[2].upper, t[2].normal)
  end
  pcall(function ()
    for preset in plug:get_presets():iter() do say("preset", preset.label) end
  end)
  return true
end

phases = {
  {"defaults", function () end},
  {"clip50", function () ARDOUR.LuaAPI.set_processor_param(fx, 1, 50) end},
  {"bypass-parameter", function () ARDOUR.LuaAPI.set_processor_param(fx, 4, 1) end},
  {"bypass-parameter-off", function () ARDOUR.LuaAPI.set_processor_param(fx, 4, 0) end},
  {"deactivated", function () fx:deactivate() end},
}

return function (signal, ref, ...)
  if signal ~= LuaSignal.LuaTimerS then return end
  tick = tick + 1
  if tick == 2 then
    if not setup() then say("done") end
    return
  end
  if not fx or tick < 3 or phase > #phases then return end
  -- The meter falls slowly after a drop: a phase ends when two readings a second apart agree
  -- (or after 30 seconds).
  local now = peak()
  if phase > 0 and since >= 3 and ((last and math.abs(now - last) < 0.005) or since >= 30) then
    say("peak", phases[phase][1], now)
    since = 0
    phase = phase + 1
    if phase > #phases then
      say("done")
      return
    end
    phases[phase][2]()
  elseif phase == 0 then
    phase = 1
    phases[1][2]()
  end
  since = since + 1
  last = now
end
