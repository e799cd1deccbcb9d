#include "app/sync_session.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "app/script_player.h"
#include "base/report.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lecx_controller.h"
#include "script/script_engine.h"
#include "script/script_resource.h"

namespace {

constexpr const char* kCaption = "SyncSession:";

// A track name that is safe as a file name of data/lcx/: letters, digits, '_', '-', '.', not
// starting with '.'. The show's own .lcx files have such names; a formula's label could not.
bool isFileName(std::string_view name) {
  if (name.empty() || name.size() > SyncProtocol::kMaxNameLength || name[0] == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
  });
}

LCXControllerKeyFramer* asKeyFramer(LCXController* pController) {
  if (!pController || pController->getType() != LCXControllerType::KeyFramer) return nullptr;
  return static_cast<LCXControllerKeyFramer*>(pController);
}

}  // namespace

struct SyncSession::Track {
  std::string name;
  SyncTrack keys;
  // The controller played now: the show's keyframe controller of that name, else pOwn.
  LCXControllerKeyFramer* pController = nullptr;
  // The track's own controller while the show has no .lcx file of its name.
  std::unique_ptr<LCXControllerKeyFramer> pOwn;
  // The editor sent a key: its keys are the curve from now on.
  bool edited = false;
  // Edited since the last save.
  bool unsaved = false;
  // Edited since the keys were last put into the controller.
  bool dirty = false;
};

SyncSession::SyncSession(ScriptPlayer& player, SyncOptions options)
    : m_player(player),
      m_options(std::move(options)),
      m_client(m_options.address, m_options.limits) {}

SyncSession::~SyncSession() = default;

const std::string& SyncSession::getTrackName(int index) const {
  return m_tracks.at(static_cast<std::size_t>(index))->name;
}

const SyncTrack& SyncSession::getTrack(int index) const {
  return m_tracks.at(static_cast<std::size_t>(index))->keys;
}

LCXControllerKeyFramer* SyncSession::getController(int index) const {
  return m_tracks.at(static_cast<std::size_t>(index))->pController;
}

bool SyncSession::hasUnsavedEdits() const {
  return std::any_of(m_tracks.begin(), m_tracks.end(),
                     [](const std::unique_ptr<Track>& pTrack) { return pTrack->unsaved; });
}

SyncSession::Track& SyncSession::findOrAddTrack(std::string_view name) {
  for (const std::unique_ptr<Track>& pTrack : m_tracks) {
    if (pTrack->name == name) return *pTrack;
  }
  auto pTrack = std::make_unique<Track>();
  pTrack->name = std::string(name);
  m_tracks.push_back(std::move(pTrack));
  // A track added while connected is asked for at once: its index is the next one.
  if (m_client.isConnected()) announceTracks();
  return *m_tracks.back();
}

void SyncSession::showChanged() {
  ScriptEngine* pEngine = m_player.getEngine();
  if (!pEngine) {
    // The show's controllers are gone with it: only the tracks' own ones remain.
    for (const std::unique_ptr<Track>& pTrack : m_tracks)
      pTrack->pController = pTrack->pOwn.get();
    return;
  }
  const std::string script(m_player.getScriptPath().view());
  if (script != m_script && !m_script.empty()) {
    // Another show (a dropped script): its tracks are others, and the editor's indices with
    // them. The old show's unsaved edits go to its own folder first.
    save();
    m_tracks.clear();
    m_nbAnnounced = 0;
    m_client.drop("another show was loaded");
  }
  m_script = script;
  // Every track first plays through its own controller; the show's replace them below.
  for (const std::unique_ptr<Track>& pTrack : m_tracks)
    pTrack->pController = nullptr;
  {
    ScriptControllerManager& controllers = pEngine->getControllerManager();
    for (int i = 0; i < controllers.getCount(); ++i) {
      LCXControllerKeyFramer* pKeyFramer = asKeyFramer(controllers.getController(i));
      if (!pKeyFramer) continue;
      Track& track = findOrAddTrack(pKeyFramer->getName().view());
      if (!track.pController) track.pController = pKeyFramer;
    }
    // The names the formulas read that no .lcx file provides: new keyframe controllers, read
    // by the formulas from now on (they read 0 until the editor sends keys).
    for (int i = 0; i < pEngine->controllers().count(); ++i) {
      const ScriptController* pEntry = pEngine->controllers().at(i);
      LECXController* pFormulas = pEntry ? pEntry->getFirstController() : nullptr;
      if (!pFormulas) continue;
      for (int32_t j = 0; j < pFormulas->getNbController(); ++j) {
        const StringC label = pFormulas->getControllerName(j);
        const std::string_view name = label.view();
        if (name == "time1" || name == "time2" || controllers.findLCXController(name)) continue;
        Track& track = findOrAddTrack(name);
        if (!track.pOwn) track.pOwn = std::make_unique<LCXControllerKeyFramer>();
        track.pOwn->setName(label);
        pFormulas->setController(j, track.pOwn.get());
      }
    }
  }
  for (const std::unique_ptr<Track>& pTrack : m_tracks) {
    if (pTrack->pController) {
      // The show has the file now (it was saved and reloaded): the own controller goes.
      pTrack->pOwn.reset();
    } else {
      if (!pTrack->pOwn) pTrack->pOwn = std::make_unique<LCXControllerKeyFramer>();
      pTrack->pOwn->setName(StringC(pTrack->name));
      pTrack->pController = pTrack->pOwn.get();
    }
    // The new show's controllers come from the files: the edits shape them again at once.
    if (pTrack->edited) pTrack->keys.applyTo(*pTrack->pController, m_options.timing);
    pTrack->dirty = false;
  }
}

void SyncSession::announceTracks() {
  for (; m_nbAnnounced < m_tracks.size(); ++m_nbAnnounced)
    m_client.sendGetTrack(m_tracks[m_nbAnnounced]->name);
}

SyncSession::Track* SyncSession::announcedTrack(std::uint32_t index) {
  if (index < m_nbAnnounced && index < m_tracks.size()) return m_tracks[index].get();
  m_client.drop("the editor named track " + std::to_string(index) +
                ", which was never asked for (" + std::to_string(m_nbAnnounced) + " tracks)");
  return nullptr;
}

bool SyncSession::apply(const SyncMessage& message) {
  switch (message.command) {
    case SyncCommand::SetKey: {
      Track* pTrack = announcedTrack(message.track);
      if (!pTrack) return false;
      const SyncKey key{message.row, message.value,
                        static_cast<SyncInterpolation>(message.interpolation)};
      if (!pTrack->keys.setKey(key)) {
        m_client.drop("the editor sent a key the track refuses (row " +
                      std::to_string(message.row) + ")");
        return false;
      }
      pTrack->edited = pTrack->unsaved = pTrack->dirty = true;
      return true;
    }
    case SyncCommand::DeleteKey: {
      Track* pTrack = announcedTrack(message.track);
      if (!pTrack) return false;
      // A key the track does not have changes nothing.
      if (pTrack->keys.deleteKey(message.row))
        pTrack->edited = pTrack->unsaved = pTrack->dirty = true;
      return true;
    }
    case SyncCommand::SetRow: {
      // Seeks to the row's first whole millisecond, so the show's row is the editor's.
      const double ms = std::ceil(m_options.timing.msAt(message.row));
      m_player.seekTo(static_cast<std::int32_t>(
          std::min(ms, static_cast<double>(std::numeric_limits<std::int32_t>::max()))));
      m_lastRow = message.row;
      return true;
    }
    case SyncCommand::Pause:
      m_player.setPaused(message.paused);
      return true;
    case SyncCommand::SaveTracks:
      m_saveAsked = true;
      return true;
    case SyncCommand::GetTrack:
      break;
  }
  return true;
}

void SyncSession::beforeFrame(std::uint32_t nowMs) {
  m_client.poll(nowMs, m_messages);
  if (m_client.getConnectionCount() != m_connection) {
    // A new connection: the editor knows no track yet.
    m_connection = m_client.getConnectionCount();
    m_nbAnnounced = 0;
    m_lastRow.reset();
    if (m_client.isConnected()) announceTracks();
  }
  for (const SyncMessage& message : m_messages) {
    if (!apply(message)) break;
  }
  applyEdits();
  // One save for any number of SAVE_TRACKS in a frame, after the frame's keys.
  if (m_saveAsked) save();
  m_saveAsked = false;
  // The session's own controllers are read by the formulas but refreshed by no manager.
  for (const std::unique_ptr<Track>& pTrack : m_tracks) {
    if (pTrack->pOwn) pTrack->pOwn->setUpdate(1);
  }
  reportRow();
}

void SyncSession::applyEdits() {
  // Once per frame and track, however many keys arrived: a burst costs one rebuild.
  for (const std::unique_ptr<Track>& pTrack : m_tracks) {
    if (!pTrack->dirty || !pTrack->pController) continue;
    pTrack->keys.applyTo(*pTrack->pController, m_options.timing);
    pTrack->pController->setUpdate(1);
    pTrack->dirty = false;
  }
}

void SyncSession::reportRow() {
  if (!m_client.isConnected() || m_player.isPaused() || !m_player.getEngine()) return;
  const std::uint32_t row = m_options.timing.rowAt(m_player.getTime());
  if (m_lastRow == row) return;
  m_lastRow = row;
  m_client.sendSetRow(row);
}

std::string SyncSession::lcxFolder() const {
  return (std::filesystem::path(m_script).parent_path() / "data" / "lcx").string();
}

int SyncSession::save() {
  int nbWritten = 0;
  const std::filesystem::path folder = lcxFolder();
  for (const std::unique_ptr<Track>& pTrack : m_tracks) {
    if (!pTrack->unsaved) continue;
    if (!isFileName(pTrack->name)) {
      report(kCaption, "track '" + pTrack->name + "' is not saved: its name is no file name");
      continue;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string path = (folder / (pTrack->name + ".lcx")).string();
    // Made from the keys alone, exactly as the track's controller is: the file does not
    // depend on which show (if any) runs now.
    LCXControllerKeyFramer controller;
    pTrack->keys.applyTo(controller, m_options.timing);
    if (!saveKeyFramerFile(controller, path)) {
      report(kCaption, "cannot write " + path);
      continue;
    }
    pTrack->unsaved = false;
    ++nbWritten;
  }
  if (nbWritten > 0) {
    report(kCaption,
           "saved " + std::to_string(nbWritten) + " edited track(s) to " + folder.string(),
           ReportLevel::Plain);
  }
  return nbWritten;
}
