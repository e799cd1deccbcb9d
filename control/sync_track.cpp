// Sync-editor tracks: keys on rows, the editor's reference evaluation, the keyframe controller
// that plays them, and the safe save of a keyframe controller file.

#include "control/sync_track.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

#include "base/report.h"
#include "base/string_c.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_manager.h"
#include "control/track_key.h"

namespace {

constexpr double kDefaultMsPerRow = 62.5;  // 60000 / (120 bpm * 8 rows per beat)
// A row shorter than a microsecond means a broken setting, and with it the slopes of the show's
// track (value differences over the row's time) could overflow a float.
constexpr double kMinMsPerRow = 0.001;

// Beside the file while it is written; not an .lcx name, so a show never loads a leftover one.
constexpr std::string_view kPartSuffix = ".part";

constexpr uint16_t tangent(TrackTangent type) {
  return static_cast<uint16_t>(type);
}

// The side of a key that leaves it, by the key's own kind (see the table in the header). No side
// is Custom: a Custom segment rebuilds its handles through atan, cos and sin in float, which puts
// a steep handle's time off dt/3, and time then no longer maps linearly to the curve parameter.
constexpr uint16_t kOutTangent[kNbSyncInterpolation] = {
    tangent(TrackTangent::Step), tangent(TrackTangent::Linear), tangent(TrackTangent::Slow),
    tangent(TrackTangent::Slow)};
// The side of the next key that ends the segment, by the kind of the key that starts it.
constexpr uint16_t kInTangent[kNbSyncInterpolation] = {
    tangent(TrackTangent::Step), tangent(TrackTangent::Linear), tangent(TrackTangent::Slow),
    tangent(TrackTangent::Fast)};

bool rowBefore(const SyncKey& key, uint32_t row) {
  return key.row < row;
}

// A show time as the tracks hold it; a time beyond the float range (absurdly slow tempos) stays
// at the largest float instead of overflowing the conversion.
float toTrackTime(double ms) {
  constexpr auto kMax = static_cast<double>(std::numeric_limits<float>::max());
  return static_cast<float>(std::clamp(ms, -kMax, kMax));
}

}  // namespace

// --- SyncTiming ------------------------------------------------------------------------------

double SyncTiming::msPerRow() const {
  // Written so that NaN fails the test too.
  if (!(bpm > 0.0f && std::isfinite(bpm)) || rowsPerBeat <= 0) return kDefaultMsPerRow;
  const double ms = 60000.0 / (static_cast<double>(bpm) * rowsPerBeat);
  return ms >= kMinMsPerRow ? ms : kDefaultMsPerRow;
}

double SyncTiming::msAt(uint32_t row) const {
  return row * msPerRow();
}

uint32_t SyncTiming::rowAt(double ms) const {
  if (!(ms > 0.0)) return 0;
  const double rows = std::floor(ms / msPerRow());
  if (rows >= SyncTrack::kMaxRow) return SyncTrack::kMaxRow;
  auto row = static_cast<uint32_t>(rows);
  // The quotient may round across a row boundary; msAt decides where a row starts.
  if (row > 0 && msAt(row) > ms) --row;
  if (row < SyncTrack::kMaxRow && msAt(row + 1) <= ms) ++row;
  return row;
}

// --- SyncTrack -------------------------------------------------------------------------------

bool SyncTrack::setKey(const SyncKey& key) {
  if (!std::isfinite(key.value) || std::fabs(key.value) > kMaxValue) return false;
  if (static_cast<uint8_t>(key.interpolation) >= kNbSyncInterpolation) return false;
  if (key.row > kMaxRow) return false;
  // An editor sends a whole track in ascending rows: those keys append.
  if (m_keys.empty() || m_keys.back().row < key.row) {
    m_keys.push_back(key);
    return true;
  }
  const auto at = std::lower_bound(m_keys.begin(), m_keys.end(), key.row, rowBefore);
  if (at != m_keys.end() && at->row == key.row)
    *at = key;
  else
    m_keys.insert(at, key);
  return true;
}

bool SyncTrack::deleteKey(uint32_t row) {
  const auto at = std::lower_bound(m_keys.begin(), m_keys.end(), row, rowBefore);
  if (at == m_keys.end() || at->row != row) return false;
  m_keys.erase(at);
  return true;
}

float SyncTrack::valueAt(double row) const {
  if (m_keys.empty()) return 0.0f;
  const SyncKey& first = m_keys.front();
  const SyncKey& last = m_keys.back();
  // Written so that NaN takes the first value.
  if (!(row > first.row)) return first.value;
  if (row >= last.row) return last.value;
  // The first key after `row` ends the segment; the one before starts it.
  const auto next = std::upper_bound(m_keys.begin(), m_keys.end(), row,
                                     [](double r, const SyncKey& key) { return r < key.row; });
  const SyncKey& a = *(next - 1);
  const SyncKey& b = *next;
  const double t = (row - a.row) / (static_cast<double>(b.row) - a.row);
  const auto v0 = static_cast<double>(a.value);
  const double dv = static_cast<double>(b.value) - v0;
  switch (a.interpolation) {
    case SyncInterpolation::Step:
      return a.value;
    case SyncInterpolation::Linear:
      return static_cast<float>(v0 + dv * t);
    case SyncInterpolation::Smooth:
      return static_cast<float>(v0 + dv * t * t * (3.0 - 2.0 * t));
    case SyncInterpolation::Ramp:
      return static_cast<float>(v0 + dv * t * t);
  }
  return a.value;  // setKey refuses other kinds
}

void SyncTrack::applyTo(LCXControllerKeyFramer& controller, const SyncTiming& timing) const {
  const LCXPointList beat = {{0.0f, 0.0f}};
  controller.createBeatPosition(&beat);
  controller.setAccumulate(0);
  if (m_keys.empty()) {
    controller.getTrackManager().deleteTrack();
    return;
  }
  const double msPerRow = timing.msPerRow();
  LCXPointList points(m_keys.size());
  // The curve before the first key is flat whatever its in side; Slow derives nothing.
  uint16_t inType = tangent(TrackTangent::Slow);
  for (std::size_t k = 0; k < m_keys.size(); ++k) {
    const SyncKey& key = m_keys[k];
    const auto kind = static_cast<uint8_t>(key.interpolation);
    LCXKeyPoint& point = points[k];
    point.time = toTrackTime(key.row * msPerRow);
    point.value = key.value;
    point.inType = inType;
    point.outType = kOutTangent[kind];
    inType = kInTangent[kind];
  }
  controller.createInterpolationModelBezier(&points);
}

// --- Saving ----------------------------------------------------------------------------------

bool saveKeyFramerFile(const LCXControllerKeyFramer& controller, const std::string& path) {
  if (path.empty()) return false;
  const std::string partPath = path + std::string(kPartSuffix);
  bool written = false;
  {
    // The writer reports its failures and goes on; any report means the file is not whole.
    ReportCollector collector;
    written =
        LCXControllerManager::saveController(controller, StringC(std::string_view(partPath))) &&
        collector.reports().empty();
  }
  std::error_code error;
  if (written) std::filesystem::rename(partPath, path, error);
  if (written && !error) return true;
  std::error_code ignored;
  std::filesystem::remove(partPath, ignored);
  return false;
}
