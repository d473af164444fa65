// Ardour 7, headless, with the LV2 form on a MIDI track that plays a region
// of one A3 from 0.5 s to 1.5 s: the session's export must hold that note at
// its pitch and time.
#include "lv2/Lv2Uris.h"
#include "tests/support/Signals.h"
#include "tests/tools/RenderTestSupport.h"


namespace fs = std::filesystem;

namespace {

constexpr const char* kLuaSession = "/usr/lib/ardour7/luasession";
constexpr int kRate = 48000;

// The session: a MIDI track with the LV2 form as its instrument and a MIDI
// region holding one A3 from beat 1 to beat 3 (0.5 s to 1.5 s at 120 BPM),
// exported. Lua cannot make a region from nothing: bouncing the empty track's
// MIDI, up to a MIDI processor Ardour ships, gives an empty one to fill.
std::string sessionScript(const fs::path& dir)
{
    return R"lua(AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (")lua" + (dir / "session").string() + R"lua(", "zarvex", 48000))
local instrument = ARDOUR.LuaAPI.new_plugin_info (")lua" ZARVEX_LV2_URI R"lua(", ARDOUR.PluginType.LV2)
assert (not instrument:isnil ())
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
  ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, instrument, nil, nil, 1, "Zarvex",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
for track in tracks:iter () do
  assert (track:nth_plugin (0):display_name () == "Zarvex")
  local midiStage = ARDOUR.LuaAPI.new_luaproc (Session, "MIDI Note Mapper")
  assert (track:add_processor_by_index (midiStage, 0, nil, true) == 0)
  local bounced = track:bounce_range (0, 3 * 48000, ARDOUR.InterThreadInfo (), midiStage, true, "A3", false)
  local region = bounced:to_midiregion ()
  assert (not region:isnil ())
  assert (track:remove_processor (midiStage, nil, true) == 0)
  local model = region:midi_source (0):model ()
  local notes = model:new_note_diff_command ("A3")
  notes:add (ARDOUR.LuaAPI.new_noteptr (1, Temporal.Beats (1, 0), Temporal.Beats (2, 0), 57, 100))
  model:apply_command (Session, notes)
  track:playlist ():add_region (region, Temporal.timepos_t (0), 1, false)
end
local export = Session:simple_export ()
export:set_folder (")lua" + dir.string() + R"lua(")
export:set_name ("export")
export:set_range (0, 3 * 48000)
assert (export:set_preset ("75969a1c-3133-4694-864b-a1fa50e43348")) -- WAV at the session rate
assert (export:run_export ())
close_session ()
)lua";
}

TEST(Lv2InArdour, ExportsTheNoteAtItsPitchAndTime)
{
    if (!fs::exists(kLuaSession))
        GTEST_SKIP() << "Ardour 7 is not installed";
    const ScratchDir scratch("zarvex-ardour");
    const fs::path& dir = scratch.path;
    std::ofstream(dir / "session.lua") << sessionScript(dir);
    // A throwaway home; the bundle of this build first on the LV2 path. Ardour's
    // own FPU setup is kept off the AVX-512 it would misjudge.
    const std::string command = "cd '" + dir.string() + "' && mkdir home cache config && HOME=\"$PWD/home\""
        + " XDG_CACHE_HOME=\"$PWD/cache\" XDG_CONFIG_HOME=\"$PWD/config\" LV2_PATH='"
        + fs::path(ZARVEX_LV2_BUNDLE).parent_path().string()
        + "' LD_LIBRARY_PATH=/usr/lib/ardour7 ARDOUR_DATA_PATH=/usr/share/ardour7 ARDOUR_CONFIG_PATH=/etc/ardour7"
          " ARDOUR_DLL_PATH=/usr/lib/ardour7 ARDOUR_FPU_FLAGS=0 timeout 300 "
        + kLuaSession + " session.lua > ardour.log 2>&1";
    const int status = std::system(command.c_str());
    const Sound sound = readSound(dir / "export.wav");
    std::vector<double> left;
    for (size_t i = 0; i < sound.samples.size(); i += static_cast<size_t>(sound.info.channels))
        left.push_back(sound.samples[i]);
    const std::string log = contents(dir / "ardour.log");
    ASSERT_EQ(status, 0) << log;
    ASSERT_EQ(left.size(), 3u * kRate) << log;

    const double peak = peakOf(left);
    ASSERT_GT(peak, 0.1);
    const auto loud = [&](double x) { return std::fabs(x) > 0.01 * peak; };
    const auto first = std::find_if(left.begin(), left.end(), loud) - left.begin();
    const auto last = left.rend() - std::find_if(left.rbegin(), left.rend(), loud) - 1;
    // Sounding from the note-on (within the 2 ms attack) to the note-off plus the 20 ms release.
    EXPECT_NEAR(first, 0.5 * kRate, 0.002 * kRate);
    EXPECT_NEAR(last, 1.52 * kRate, 0.005 * kRate);
    // A3: 220 Hz, over half a second of the held note.
    EXPECT_NEAR(frequencyOf(slice(left, static_cast<size_t>(0.8 * kRate), kRate / 2), kRate), 220.0, 0.2);
}

} // namespace
