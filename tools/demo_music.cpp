#include "tools/demo_music.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "tools/demo_tempo.h"

namespace DemoMusic {

namespace {

using ModuleWriter::Note;
using ModuleWriter::Pattern;
using ModuleWriter::Sample;

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// Playback rate of a sample at C-2 (PAL clock / 2 / period 428); drums are synthesised for the
// rate of the note they are played at.
constexpr float kRateAtC2 = 8287.0f;
constexpr int kRowsPerBar = DemoTempo::kRowsPerBeat * DemoTempo::kBeatsPerBar;

// A pitch as the tracker writes it: octave 1 to 3, semitone 0 (C) to 11 (B).
struct Pitch {
  int octave;
  int semitone;
};
constexpr int kC = 0, kD = 2, kE = 4, kF = 5, kG = 7, kA = 9, kB = 11;

// The chord of each bar of a pattern: A minor, F, C, G; a chord's tones, lowest first.
struct Chord {
  int root;
  int third;
  int fifth;
};
constexpr Chord kChords[4] = {{kA, kC, kE}, {kF, kA, kC}, {kC, kE, kG}, {kG, kB, kD}};

Pitch above(int octave, int root, int semitone) {
  return semitone < root ? Pitch{octave + 1, semitone} : Pitch{octave, semitone};
}

std::int8_t toSample(float value) {
  return static_cast<std::int8_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 127.0f));
}

Sample synthesise(const char* name, std::size_t length,
                  const std::function<float(std::size_t)>& f) {
  Sample sample;
  sample.name = name;
  sample.data.resize(length);
  for (std::size_t i = 0; i < length; ++i)
    sample.data[i] = toSample(f(i));
  return sample;
}

// A repeatable noise source: a 32-bit linear congruential generator, -1 to 1.
struct Noise {
  std::uint32_t state;
  float next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388607.5f - 1.0f;
  }
};

Sample kick() {
  const float rate = kRateAtC2;
  float phase = 0.0f;
  return synthesise("kick", 2900, [&](std::size_t i) {
    const float t = static_cast<float>(i) / rate;
    // The pitch falls from 150 Hz to 50 Hz in the first tens of milliseconds.
    phase += kTwoPi * (50.0f + 100.0f * std::exp(-t / 0.04f)) / rate;
    return 0.95f * std::sin(phase) * std::exp(-t / 0.15f);
  });
}

Sample snare() {
  const float rate = 2.0f * kRateAtC2;  // played at C-3
  Noise noise{12345u};
  return synthesise("snare", 3300, [&](std::size_t i) {
    const float t = static_cast<float>(i) / rate;
    return 0.7f * noise.next() * std::exp(-t / 0.06f) +
           0.5f * std::sin(kTwoPi * 185.0f * t) * std::exp(-t / 0.03f);
  });
}

Sample hat() {
  const float rate = 2.0f * kRateAtC2;  // played at C-3
  Noise noise{777u};
  float last = 0.0f;
  return synthesise("hat", 1000, [&](std::size_t i) {
    const float t = static_cast<float>(i) / rate;
    const float value = noise.next();
    const float high = value - last;  // a first difference keeps the hiss, drops the rumble
    last = value;
    return 0.5f * high * std::exp(-t / 0.02f);
  });
}

// A looped cycle of `length` samples, f taking the phase 0..1.
Sample cycle(const char* name, std::size_t length, const std::function<float(float)>& f) {
  Sample sample = synthesise(name, length, [&](std::size_t i) {
    return f(static_cast<float>(i) / static_cast<float>(length));
  });
  sample.loopStart = 0;
  sample.loopLength = static_cast<std::uint32_t>(length);
  return sample;
}

// A sawtooth made of its first ten harmonics, so it does not alias; one cycle in 64 samples.
Sample bass() {
  return cycle("bass", 64, [](float phase) {
    float sum = 0.0f;
    for (int k = 1; k <= 10; ++k)
      sum += std::sin(kTwoPi * static_cast<float>(k) * phase) / static_cast<float>(k);
    return 0.55f * sum;
  });
}

// A pulse of a quarter duty; one cycle in 32 samples, an octave above the bass.
Sample lead() {
  return cycle("lead", 32, [](float phase) { return phase < 0.25f ? 0.6f : -0.2f; });
}

// A power chord (root, fifth, octave and the fifth above) over a 128-sample loop: the root runs
// twice through the loop, so every partial is a whole number of cycles and the loop is seamless.
Sample pad() {
  return cycle("pad", 128, [](float phase) {
    return 0.4f * std::sin(kTwoPi * 2.0f * phase) + 0.25f * std::sin(kTwoPi * 3.0f * phase) +
           0.2f * std::sin(kTwoPi * 4.0f * phase) + 0.1f * std::sin(kTwoPi * 6.0f * phase);
  });
}

Note play(SampleNumber sample, Pitch pitch, int volume) {
  return Note{sample, ModuleWriter::periodOf(pitch.octave, pitch.semitone),
              ModuleWriter::kEffectSetVolume, static_cast<std::uint8_t>(std::clamp(volume, 0, 64))};
}

Note drum(SampleNumber sample, int volume) {
  return play(sample, sample == kKick ? Pitch{2, kC} : Pitch{3, kC}, volume);
}

// What goes into the patterns, by channel: drums, snare and hats, bass, pad or lead.
enum Channel : std::size_t { kDrums, kHats, kBassLine, kTop };

struct Parts {
  bool kickOnBeats = false;  // kick on every beat
  bool kickOnBars = false;   // kick at the start of every bar only
  bool snareBackbeat = false;
  int hatEvery = 0;  // rows between hats; 0 none
  int hatVolume = 24;
  int bassEvery = 0;         // rows between bass notes; 0 none
  bool bassOctaves = false;  // alternate the root and its octave
  bool padChords = false;
  int padVolume = 40;
  int leadOctave = 0;  // 0 no lead
  bool snareRollInLastBar = false;
};

Parts withSnareRoll(Parts parts) {
  parts.snareRollInLastBar = true;
  return parts;
}

// The lead's figure over one bar: chord tones on an off-beat rhythm.
void putLead(Pattern& pattern, int barRow, const Chord& chord, int octave) {
  const int rows[] = {0, 3, 6, 8, 10, 12, 14};
  const Pitch pitches[] = {{octave, chord.root},
                           above(octave, chord.root, chord.fifth),
                           {octave + 1, chord.root},
                           above(octave, chord.root, chord.fifth),
                           above(octave, chord.root, chord.third),
                           {octave, chord.root},
                           above(octave, chord.root, chord.third)};
  for (std::size_t i = 0; i < std::size(rows); ++i)
    pattern[static_cast<std::size_t>(barRow + rows[i])][kTop] = play(kLead, pitches[i], 44);
}

Pattern makePattern(const Parts& parts) {
  Pattern pattern{};
  for (int bar = 0; bar < 4; ++bar) {
    const Chord& chord = kChords[bar];
    const int barRow = bar * kRowsPerBar;
    const bool lastBar = bar == 3;
    for (int step = 0; step < kRowsPerBar; ++step) {
      Note* pRow = pattern[static_cast<std::size_t>(barRow + step)].data();
      const bool onBeat = step % DemoTempo::kRowsPerBeat == 0;
      if ((parts.kickOnBeats && onBeat) || (parts.kickOnBars && step == 0))
        pRow[kDrums] = drum(kKick, 64);
      if (parts.hatEvery > 0 && step % parts.hatEvery == parts.hatEvery / 2)
        pRow[kHats] = drum(kHat, parts.hatVolume);
      if (parts.snareBackbeat && (step == 4 || step == 12)) pRow[kHats] = drum(kSnare, 56);
      if (parts.snareRollInLastBar && lastBar && step >= 8)
        pRow[kHats] = drum(kSnare, 24 + 5 * (step - 8));
      if (parts.bassEvery > 0 && step % parts.bassEvery == 0) {
        const bool high = parts.bassOctaves && (step / parts.bassEvery) % 2 == 1;
        pRow[kBassLine] = play(kBass, Pitch{high ? 2 : 1, chord.root}, 52);
      }
    }
    if (parts.padChords)
      pattern[static_cast<std::size_t>(barRow)][kTop] =
          play(kPad, Pitch{1, chord.root}, parts.padVolume);
    if (parts.leadOctave > 0) putLead(pattern, barRow, chord, parts.leadOctave);
  }
  // The looped instruments sound until told otherwise: a part that rests silences what the
  // previous pattern left playing.
  constexpr Note kSilence{0, 0, ModuleWriter::kEffectSetVolume, 0};
  if (parts.bassEvery == 0) pattern[0][kBassLine] = kSilence;
  if (!parts.padChords && parts.leadOctave == 0) pattern[0][kTop] = kSilence;
  return pattern;
}

// Pad chords swelling in, bar by bar.
Pattern intro(bool withBeat) {
  Parts parts;
  parts.padChords = true;
  parts.kickOnBars = withBeat;
  parts.hatEvery = withBeat ? 4 : 0;
  parts.hatVolume = 16;
  Pattern pattern = makePattern(parts);
  if (!withBeat) {
    for (int bar = 0; bar < 4; ++bar)
      pattern[static_cast<std::size_t>(bar * kRowsPerBar)][kTop].param =
          static_cast<std::uint8_t>(16 + 8 * bar);
  }
  return pattern;
}

}  // namespace

ModuleWriter::Module compose() {
  ModuleWriter::Module module;
  module.title = "software pixels";
  module.samples = {kick(), snare(), hat(), bass(), lead(), pad()};

  constexpr Parts kBuild{
      .kickOnBeats = true, .hatEvery = 4, .bassEvery = 2, .padChords = true, .padVolume = 28};
  constexpr Parts kDrop{.kickOnBeats = true,
                        .snareBackbeat = true,
                        .hatEvery = 2,
                        .hatVolume = 28,
                        .bassEvery = 2,
                        .bassOctaves = true,
                        .leadOctave = 2};
  constexpr Parts kPause{.bassEvery = 8, .padChords = true, .padVolume = 36};
  constexpr Parts kOutro{.kickOnBars = true, .padChords = true, .padVolume = 32};
  Parts buildUp = withSnareRoll(kBuild);
  buildUp.leadOctave = 2;
  Parts pauseUp = withSnareRoll(kPause);
  pauseUp.hatEvery = 2;
  Parts finale = kDrop;
  finale.leadOctave = 3;

  module.patterns = {intro(false),        intro(true),
                     makePattern(kBuild), makePattern(buildUp),
                     makePattern(kDrop),  makePattern(withSnareRoll(kDrop)),
                     makePattern(kPause), makePattern(pauseUp),
                     makePattern(finale), makePattern(withSnareRoll(finale)),
                     makePattern(kOutro)};
  // Speed and tempo set once at the start, though they are the format's defaults.
  module.patterns[0][0][kDrums].effect = ModuleWriter::kEffectSetSpeed;
  module.patterns[0][0][kDrums].param = DemoTempo::kTicksPerRow;
  module.patterns[0][0][kHats].effect = ModuleWriter::kEffectSetSpeed;
  module.patterns[0][0][kHats].param = DemoTempo::kBpm;
  // The last chord fades: its volume steps down each beat, and the sound stops at the end.
  Pattern& last = module.patterns.back();
  for (int row = 52; row < DemoTempo::kRowsPerPattern; row += DemoTempo::kRowsPerBeat) {
    last[static_cast<std::size_t>(row)][kTop] =
        Note{0, 0, ModuleWriter::kEffectSetVolume, static_cast<std::uint8_t>(64 - row)};
  }
  last[DemoTempo::kRowsPerPattern - 1][kTop] = Note{0, 0, ModuleWriter::kEffectExtended, 0xC0};

  module.order = {0, 1, 2, 3, 4, 5, 4, 6, 7, 8, 9, 10};
  static_assert(DemoTempo::kNbPosition == 12);
  return module;
}

}  // namespace DemoMusic
